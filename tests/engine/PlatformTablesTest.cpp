// SPDX-License-Identifier: GPL-3.0-or-later
// Every table and constant the engine derives with exp2, log2 or sin, hashed:
// the figures are the same on every platform and C library (the Windows build
// runs this test under Wine), and they are the figures the engine always had.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

#include "LogCode.h"
#include "Records.h"
#include "SynthTables.h"
#include "SynthesizerWT.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;

namespace {

// FNV-1a over the values' bytes, little-endian whatever the machine.
class Hash {
public:
    template <typename T> void add(T value)
    {
        using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
        Bits bits = 0;
        if constexpr (std::is_floating_point_v<T>)
            bits = std::bit_cast<Bits>(value);
        else
            bits = static_cast<Bits>(static_cast<std::make_unsigned_t<T>>(value));
        for (std::size_t i = 0; i < sizeof(T); ++i)
            mix(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    template <typename T> void addAll(std::span<const T> values)
    {
        for (T v : values)
            add(v);
    }
    std::uint64_t value() const { return hash_; }

private:
    void mix(std::uint8_t byte) { hash_ = (hash_ ^ byte) * 0x100000001b3ull; }
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

template <typename Array> std::uint64_t hashOf(const Array& values)
{
    Hash h;
    h.addAll(std::span<const typename Array::value_type>(values));
    return h.value();
}

struct TableHash {
    const char* name;
    std::uint64_t (*compute)();
    std::uint64_t expected;
};

std::uint64_t sharedTable(auto member) { return hashOf(SynthTables::shared().*member); }

std::uint64_t masterVolumeSteps()
{
    Hash h;
    for (int i = 0; i < 128; ++i)
        h.add(MultiTimberSynthBase::volumeTableEntry(i));
    return h.value();
}

std::uint64_t waveValueCodes()
{
    const SynthesizerWT engine;
    Hash h;
    for (int v = 0; v < 256; ++v)
        h.add(engine.waveValueLog(v));
    return h.value();
}

// The power-on sine wavetable at every table size.
std::uint64_t powerOnSines()
{
    SynthesizerWT engine;
    Hash h;
    for (int size = 8; size <= 128; ++size) {
        engine.setTableSize(size);
        engine.initPresets();
        h.addAll(std::span<const std::int32_t>(engine.waveTable(0), kWaveTableMaxSize));
    }
    return h.value();
}

// Log codes of every 16- and 24-bit sample value (WAV import).
std::uint64_t sampleCodes()
{
    Hash h;
    for (int s = -(1 << 23); s < (1 << 23); ++s)
        h.add(logCodeFromLinear(s / 8388608.0));
    return h.value();
}

// Pitches and rates as the sampler and the rate constants take them: every
// whole rate up to 192 kHz and root pitches up to 20 kHz in 0.1 Hz steps.
std::uint64_t pitchUnits()
{
    Hash h;
    for (int rate = 1; rate <= 192000; ++rate) {
        h.add(logPitchUnits(rate));
        h.add(logPitchOf(static_cast<float>(rate)));
    }
    for (int deciHz = 10; deciHz <= 200000; ++deciHz) {
        h.add(logPitchUnits(deciHz / 10.0));
        h.add(logPitchOf(deciHz / 10.0f));
    }
    return h.value();
}

std::uint64_t rateConstants()
{
    SynthesizerWT engine;
    Hash h;
    for (float rate : {8000.0f, 11025.0f, 22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f})
        for (float tune = 415.0f; tune <= 466.0f; tune += 0.5f) {
            engine.setSampleRate(rate);
            engine.setMasterTune(tune);
            const auto& r = engine.rateConstants();
            for (int v : {r.pitchBase, r.sampleBase, r.envRateBase, r.soundOffRate, r.lfoUnit})
                h.add(v);
        }
    return h.value();
}

const TableHash kTables[] = {
    {"exp", [] { return sharedTable(&SynthTables::exp); }, 0xf347859ae51e6312ull},
    {"attackCurve", [] { return sharedTable(&SynthTables::attackCurve); }, 0x71188f3030091bd3ull},
    {"keyPitch", [] { return sharedTable(&SynthTables::keyPitch); }, 0x570b8287f6ddef88ull},
    {"keyFollow", [] { return sharedTable(&SynthTables::keyFollow); }, 0x7226fa290a4b0307ull},
    {"log2lin", [] { return sharedTable(&SynthTables::log2lin); }, 0xd2c9eef6547e8775ull},
    {"gainCurve", [] { return sharedTable(&SynthTables::gainCurve); }, 0xe8ce1f5727f4b1beull},
    {"pan", [] { return sharedTable(&SynthTables::pan); }, 0x5c8767734efa6cb0ull},
    {"volumeStep", [] { return sharedTable(&SynthTables::volumeStep); }, 0x79a3b855126228c6ull},
    {"masterVolumeSteps", masterVolumeSteps, 0x3636bc82fa129bbdull},
    {"waveValueCodes", waveValueCodes, 0x1c351b72489ec0d9ull},
    {"powerOnSines", powerOnSines, 0x96adde346a1751d6ull},
    {"sampleCodes", sampleCodes, 0x2fb4ae800bb8b569ull},
    {"pitchUnits", pitchUnits, 0x761829c0334ac1a0ull},
    {"rateConstants", rateConstants, 0x4958683ba0d83306ull},
};

void PrintTo(const TableHash& table, std::ostream* out) { *out << table.name; }

class PlatformTables : public testing::TestWithParam<TableHash> {};

} // namespace

TEST_P(PlatformTables, HashAsRecorded)
{
    const TableHash& table = GetParam();
    EXPECT_EQ(table.compute(), table.expected) << std::hex << "0x" << table.compute();
}

INSTANTIATE_TEST_SUITE_P(Engine, PlatformTables, testing::ValuesIn(kTables),
                         [](const auto& info) { return std::string(info.param.name); });
