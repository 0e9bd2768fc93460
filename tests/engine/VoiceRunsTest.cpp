// SPDX-License-Identifier: GPL-3.0-or-later
// The fast run kernels give the per-sample steps' output to the last bit, for
// every voice structure, at block sizes that cut runs at odd lengths, across
// envelope segment ends, LFO steps, loop wraps, sample ends and wavetable
// writes while notes hold.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "EngineHarness.h"

namespace kest::tolvane {
namespace {

using synth::VoiceRunKernels;
using test::EngineHarness;

enum class Structure { NoLfo, LfoPm, LfoAm, Noise, SampleMono, SampleStereo };

std::string nameOf(Structure s)
{
    static const char* const kNames[] = {"NoLfo", "LfoPm", "LfoAm", "Noise", "SampleMono", "SampleStereo"};
    return kNames[static_cast<int>(s)];
}

bool isSampler(Structure s) { return s == Structure::SampleMono || s == Structure::SampleStereo; }

// Pseudo-random log codes, so that every frame read shows in the output.
std::vector<std::int32_t> noiseCodes(int count, std::uint32_t seed)
{
    std::vector<std::int32_t> codes(static_cast<std::size_t>(count));
    for (auto& code : codes) {
        seed = seed * 1664525u + 1013904223u;
        code = static_cast<std::int32_t>((seed >> 12) % 3000);
    }
    return codes;
}

// Envelope rates and levels of the tone and every sampler preset.
struct Envelope {
    int ar, dr, sl, rr, tl;
};

// Parts 0 and 1 (into output pairs 0 and 3) play the structure, from a
// pseudo-random wavetable of the given size, with an envelope that attacks,
// decays to a sustain level and releases (or the given one); sampler keys
// alternate between a looped slot (held and release loops) and a short
// one-shot slot that ends while held.
void prepare(synth::SynthesizerWT& engine, Structure structure, int tableSize, const Envelope* envelope)
{
    engine.setTableSize(tableSize);
    std::vector<int> waveValues(128);
    for (std::size_t i = 0; i < waveValues.size(); ++i)
        waveValues[i] = static_cast<int>((i * 37 + 11) % 256);
    engine.importWaveValues(0, waveValues.data(), 8);
    const int channels = structure == Structure::SampleStereo ? 2 : 1;
    engine.installSampleData(0, noiseCodes(3001 * channels, 7), 3001, channels);
    synth::SampleData& looped = engine.sampleData(0);
    looped.loopEndPoint = 2500;
    looped.loopLength = 1333;
    looped.releaseLoopLength = 401;
    engine.installSampleData(1, noiseCodes(517 * channels, 11), 517, channels);
    for (int key = 0; key < 128; ++key) {
        synth::SamplerPreset& preset = engine.samplerPreset(key);
        preset.smplNum = key % 2;
        preset.octv = 6 + key % 5;
        preset.ar = 110;
        preset.dr = 90;
        preset.sl = 40;
        preset.rr = 95;
    }
    synth::TonePreset& tone = engine.tone(0);
    tone.strc = static_cast<int>(structure) & 3;
    tone.lms = 9;
    tone.lfoFreq = 300;
    tone.ar = 118;
    tone.dr = 96;
    tone.sl = 35;
    tone.rr = 100;
    tone.tl = 5;
    if (envelope) {
        auto apply = [envelope](auto& preset) {
            preset.ar = envelope->ar;
            preset.dr = envelope->dr;
            preset.sl = envelope->sl;
            preset.rr = envelope->rr;
            preset.tl = envelope->tl;
        };
        apply(tone);
        for (int key = 0; key < 128; ++key)
            apply(engine.samplerPreset(key));
    }
    for (int part = 0; part < 2; ++part) {
        engine.setMode(part, isSampler(structure) ? synth::kModeSampler : synth::kModeInstrument);
        engine.part(part).cc[1] = 90;
        engine.setPartOutput(part, 3 * part);
    }
}

// Notes on odd offsets, low and high, a bend, a volume change and note-offs
// while other notes still sound.
void schedule(EngineHarness& h)
{
    const int keys[] = {12, 45, 60, 61, 84, 107, 127};
    int time = 3;
    for (int i = 0; i < 7; ++i) {
        h.noteOn(i % 2, keys[i], 60 + 9 * i, time);
        h.noteOff(i % 2, keys[i], time + 1500 + 211 * i);
        time += 97 + 13 * i;
    }
    h.schedule(kPitchBend, 0, 0, 90, 777);
    h.controlChange(1, 7, 70, 1001);
}

// A change to the sound data between two blocks (nothing by default).
using Edit = void (*)(synth::SynthesizerWT&, int block);

std::vector<float> renderAll(Structure structure, int tableSize, const VoiceRunKernels* kernels, int blockSize,
                             Edit edit, const Envelope* envelope)
{
    EngineHarness h;
    h.engine.useVoiceRunKernels(kernels);
    prepare(h.engine, structure, tableSize, envelope);
    schedule(h);
    std::vector<float> out;
    constexpr int kTotal = 6000;
    for (int done = 0; done < kTotal; done += blockSize) {
        if (edit)
            edit(h.engine, done / blockSize);
        const int n = std::min(blockSize, kTotal - done);
        h.block(n);
        for (int c = 0; c < kOutputChannelCount; ++c)
            out.insert(out.end(), h.channel(c).begin(), h.channel(c).begin() + n);
    }
    return out;
}

// Renders with every fast kernel set this processor has and compares each
// with the per-sample steps; skips when there is none.
void expectFastPathsMatch(Structure structure, int tableSize, int blockSize, Edit edit = nullptr,
                          const Envelope* envelope = nullptr)
{
    const std::vector<float> reference = renderAll(structure, tableSize, nullptr, blockSize, edit, envelope);
    int sounding = 0;
    for (const float s : reference)
        sounding += s != 0.0f ? 1 : 0;
    ASSERT_GT(sounding, 5000) << "the scenario must really sound";

    const VoiceRunKernels* available[] = {synth::scalarVoiceRunKernels(), synth::avx2VoiceRunKernels()};
    int compared = 0;
    for (const VoiceRunKernels* kernels : available) {
        if (!kernels)
            continue;
        const std::vector<float> fast = renderAll(structure, tableSize, kernels, blockSize, edit, envelope);
        ASSERT_EQ(fast.size(), reference.size());
        for (std::size_t i = 0; i < fast.size(); ++i)
            ASSERT_EQ(std::memcmp(&fast[i], &reference[i], sizeof(float)), 0)
                << kernels->name << ": output value " << i << " is " << fast[i] << ", not " << reference[i];
        ++compared;
    }
    if (compared == 0)
        GTEST_SKIP() << "this processor runs no fast kernel";
}

class VoiceRunsTest : public ::testing::TestWithParam<std::tuple<Structure, int, int>> {};

TEST_P(VoiceRunsTest, FastKernelsMatchThePerSampleStepsBitForBit)
{
    const auto [structure, tableSize, blockSize] = GetParam();
    expectFastPathsMatch(structure, tableSize, blockSize);
}

INSTANTIATE_TEST_SUITE_P(AllStructures, VoiceRunsTest,
                         ::testing::Combine(::testing::Values(Structure::NoLfo, Structure::LfoPm, Structure::LfoAm,
                                                              Structure::Noise, Structure::SampleMono,
                                                              Structure::SampleStereo),
                                            ::testing::Values(8, 32, 128), ::testing::Values(7, 61, 512, 4096)),
                         [](const auto& info) {
                             return nameOf(std::get<0>(info.param)) + "_Table" +
                                    std::to_string(std::get<1>(info.param)) + "_Block" +
                                    std::to_string(std::get<2>(info.param));
                         });

// Envelopes from slow (long stretches on one curve entry) to fast (many
// entries a sample), with and without attack and decay, and a sustain level
// below the silence point, which ends the note while it is held.
constexpr Envelope kEnvelopes[] = {
    {40, 30, 20, 36, 0}, {96, 70, 60, 80, 12}, {126, 124, 90, 126, 3}, {127, 100, 0, 110, 0}, {120, 104, 110, 90, 30},
};

class EnvelopeSweepTest : public ::testing::TestWithParam<std::tuple<Structure, int, int>> {};

TEST_P(EnvelopeSweepTest, FastKernelsMatchThePerSampleStepsAtEveryEnvelopeRate)
{
    const auto [structure, envelope, blockSize] = GetParam();
    expectFastPathsMatch(structure, 32, blockSize, nullptr, &kEnvelopes[envelope]);
}

INSTANTIATE_TEST_SUITE_P(
    Envelopes, EnvelopeSweepTest,
    ::testing::Combine(::testing::Values(Structure::NoLfo, Structure::LfoAm, Structure::Noise, Structure::SampleStereo),
                       ::testing::Range(0, static_cast<int>(std::size(kEnvelopes))), ::testing::Values(61, 4096)),
    [](const auto& info) {
        return nameOf(std::get<0>(info.param)) + "_Envelope" + std::to_string(std::get<1>(info.param)) + "_Block" +
               std::to_string(std::get<2>(info.param));
    });

// The fast kernels keep a held voice's wave at its attenuation from block to
// block: every way of writing a wavetable while notes hold must reach them.
void drawEntries(synth::SynthesizerWT& engine, int block)
{
    if (block % 3 == 1) // as the editor draws: one entry at a time
        engine.waveTable(0)[block % 8] = engine.waveValueLog((block * 53) % 256);
}

void importTable(synth::SynthesizerWT& engine, int block)
{
    if (block % 4 != 2)
        return;
    std::vector<int> values(128);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int>((i * 11 + static_cast<std::size_t>(block) * 5) % 256);
    engine.importWaveValues(0, values.data(), 8);
}

class WaveWritesTest : public ::testing::TestWithParam<std::tuple<Structure, Edit>> {};

TEST_P(WaveWritesTest, WhileNotesHoldTheFastKernelsPlayTheNewWave)
{
    const auto [structure, edit] = GetParam();
    expectFastPathsMatch(structure, 32, 61, edit);
}

INSTANTIATE_TEST_SUITE_P(WaveStructures, WaveWritesTest,
                         ::testing::Combine(::testing::Values(Structure::NoLfo, Structure::LfoPm, Structure::LfoAm),
                                            ::testing::Values(&drawEntries, &importTable)),
                         [](const auto& info) {
                             return nameOf(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == &drawEntries ? "_Draw" : "_Import");
                         });

} // namespace
} // namespace kest::tolvane
