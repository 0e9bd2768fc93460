// SPDX-License-Identifier: GPL-3.0-or-later
#include "SynthTables.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "LogCode.h"
#include "PortableMath.h"

namespace kest::tolvane::synth {

namespace {

constexpr int kOctave = 8192;
// The shift tables cover 128 octaves; exponents are held inside them.
constexpr std::int32_t kMaxExponent = 128 * kOctave - 1;

void buildLfoWave(std::array<std::int32_t, 256>& wave)
{
    for (int j = 0; j < 128; ++j) {
        int bipolar = 0;
        if (j < 32)
            bipolar = 256 * j;
        else if (j < 64)
            bipolar = 8192 - 256 * (j - 32);
        else if (j < 96)
            bipolar = -256 * (j - 64);
        else
            bipolar = 256 * (j - 96) - 8192;
        const int unipolar = j < 64 ? 128 * j : 8192 - 128 * (j - 64);
        wave[static_cast<std::size_t>(2 * j)] = bipolar;
        wave[static_cast<std::size_t>(2 * j + 1)] = unipolar;
    }
}

} // namespace

SynthTables::SynthTables()
{
    for (int i = 0; i < 8192; ++i)
        exp[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(portableExp2(30.0 + i / 8192.0) + 0.5);
    for (int k = 0; k < 128; ++k) {
        pitchShift[static_cast<std::size_t>(k)] = k <= 30 ? 30 - k : 0;
        rateShift[static_cast<std::size_t>(k)] = k <= 29 ? 30 - k : 1;
        keyPitch[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(k / 12.0 * 8192.0 + 0.5);
    }
    for (int i = 0; i < 256; ++i) {
        levelAtt[static_cast<std::size_t>(i)] = i < 128 ? 64 * i : kLogCodeSilence;
        keyFollow[static_cast<std::size_t>(i)] = i < 128 ? 0 : static_cast<std::int32_t>((i - 127) / 48.0 * 8192.0);
    }
    attackCurve[0] = kLogCodeSilence;
    for (int i = 1; i < 4096; ++i)
        attackCurve[static_cast<std::size_t>(i)] =
            2 * static_cast<std::int32_t>(0.5 - 256.0 * portableLog2(i / 4096.0));
    for (int i = 0; i < 4096; ++i)
        decayCurve[static_cast<std::size_t>(i)] = 2 * i;
    for (int i = 0; i <= 128; ++i)
        envLevel[static_cast<std::size_t>(i)] = std::min(i, 104) << 23;
    buildLfoWave(lfoWave);

    log2lin.fill(0.0f);
    for (int a = 0; a < 4096; ++a) {
        const float magnitude = static_cast<float>(portableExp2(16.0 - a / 256.0)) * (1.0f / 65536.0f);
        log2lin[static_cast<std::size_t>(2 * a)] = magnitude;
        log2lin[static_cast<std::size_t>(2 * a + 1)] = -magnitude;
    }
    for (int v = 0; v < 128; ++v) {
        const float x = (v + 1) / 128.0f;
        gainCurve[static_cast<std::size_t>(v)] = x * x;
    }
    volumeStep[0] = kLogCodeSilence;
    for (int v = 1; v < 16; ++v)
        volumeStep[static_cast<std::size_t>(v)] = 2 * static_cast<std::int32_t>(256.0 * portableLog2(15.0 / v) + 0.5);
    for (int i = 0; i < 257; ++i) {
        float gain = 0.0f;
        if (i <= 64)
            gain = 1.0f;
        else if (i <= 191)
            gain = static_cast<float>(portableSin((192 - i) / 128.0 * std::numbers::pi / 2.0));
        pan[static_cast<std::size_t>(i)] = gain;
    }
}

const SynthTables& SynthTables::shared()
{
    static const SynthTables tables;
    return tables;
}

std::int32_t SynthTables::pow2(std::int32_t x) const
{
    x = std::clamp(x, 0, kMaxExponent);
    return exp[static_cast<std::size_t>(x & 8191)] >> pitchShift[static_cast<std::size_t>(x >> 13)];
}

std::int32_t SynthTables::rate2(std::int32_t x) const
{
    x = std::clamp(x, 0, kMaxExponent);
    return exp[static_cast<std::size_t>(x & 8191)] >> rateShift[static_cast<std::size_t>(x >> 13)];
}

int logPitchUnits(double v)
{
    if (!(v > 1.0) || !std::isfinite(v))
        return 0;
    return static_cast<int>(portableLog2(v) * 8192.0 + 0.5);
}

} // namespace kest::tolvane::synth
