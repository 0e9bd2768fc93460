// SPDX-License-Identifier: GPL-3.0-or-later
// The LFO structures (pitch and amplitude modulation by a stepped triangle) and
// the noise structure (a 15-bit Galois register clocked by the oscillator phase).
#include <algorithm>

#include "OscillatorStep.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

// The LFO counter starts at and is refilled with 2^30 and falls by lfoStep
// (lfoUnit * lfoFreq) per sample; the LFO moves one step per refill.
constexpr std::int32_t kLfoCounterPeriod = 1 << 30;
// 128 steps of the interleaved table: each step moves two entries.
constexpr int kLfoIndexStride = 2;
constexpr int kLfoIndexMask = 255;
// Wave value (-8192..8192) times depth (lms * cc1, up to 15 * 127) over 2^11:
// a pitch offset in 1/8192 octave or a level offset in log-code units.
constexpr int kLfoDepthShift = 11;
// The level offset must keep bit 0 (the sign of the log code) untouched.
constexpr std::int32_t kAmOffsetMask = 0x7FFFFFFE;
constexpr int kNoiseFeedback = 0x6000;
constexpr int kMaxLfoFreq = 16383;
constexpr int kMaxLms = 15;

// Samples (1 .. limit) before the LFO counter falls to 0 again, so the render
// loops step the LFO between runs instead of testing it every sample.
// lfoStep <= 2^30 keeps the counter above -2^30, so a refill makes it positive.
int samplesBeforeLfoStep(std::int32_t counter, std::int32_t step, int limit)
{
    if (counter <= 0)
        return 1;
    if (step <= 0 || std::int64_t{counter} >= std::int64_t{step} * limit)
        return limit;
    const std::int64_t count = (std::int64_t{counter} + step - 1) / step;
    return count < limit ? static_cast<int>(count) : limit;
}

using Voice = SynthesizerWT::VoiceUnitWT;

// Steps the LFO when its counter has run out, handing the scaled wave value to
// apply, and returns the samples (1 .. limit) until the next step is due.
template <typename Apply> int runUntilLfoStep(Voice& voice, const std::int32_t* lfoWave, int limit, Apply apply)
{
    if (voice.lfoCounter <= 0) {
        apply((lfoWave[voice.lfoIndex] * voice.lfoDepth) >> kLfoDepthShift);
        voice.lfoCounter += kLfoCounterPeriod;
        voice.lfoIndex = (voice.lfoIndex + kLfoIndexStride) & kLfoIndexMask;
    }
    const int length = samplesBeforeLfoStep(voice.lfoCounter, voice.lfoStep, limit);
    voice.lfoCounter -= voice.lfoStep * length;
    return length;
}

// LFO on pitch: each step moves the pitch, so the run takes the new increment.
struct LfoPitchStep : OscillatorStep {
    LfoPitchStep(Voice& v, const SynthTables& t, float* l, float* r)
        : OscillatorStep(v, t.log2lin.data(), l, r), voice(v), lfoWave(t.lfoWave.data())
    {
    }
    int runLength(int limit)
    {
        const int length = runUntilLfoStep(voice, lfoWave, limit, [this](int offset) {
            voice.lfoPitchOffset = offset;
            voice.recomputePitch();
        });
        inc = static_cast<std::uint32_t>(voice.phaseInc);
        return length;
    }
    Voice& voice;
    const std::int32_t* lfoWave;
};

// LFO on level: the offset is constant between steps, so it joins the run's level.
struct LfoLevelStep : OscillatorStep {
    LfoLevelStep(Voice& v, const SynthTables& t, float* l, float* r)
        : OscillatorStep(v, t.log2lin.data(), l, r), voice(v), lfoWave(t.lfoWave.data())
    {
    }
    int runLength(int limit)
    {
        return runUntilLfoStep(voice, lfoWave, limit, [this](int offset) { voice.amOffset = offset & kAmOffsetMask; });
    }
    std::int32_t levelOffset() const { return voice.amOffset; }
    Voice& voice;
    const std::int32_t* lfoWave;
};

// Noise: the register is clocked once per 1/32 of a table period (never more
// than once a sample) and its low bit is the sign of the output.
struct NoiseStep : VoiceStep {
    NoiseStep(const Voice& v, const float* log2linTable, float* l, float* r)
        : VoiceStep(v, log2linTable, l, r), inc(static_cast<std::uint32_t>(v.phaseInc)),
          clockMask(static_cast<std::uint32_t>(v.noiseMask)), ph(v.phase), reg(v.lfsr), bit(v.noiseBit)
    {
    }
    bool operator()(int n, std::int32_t env, std::int32_t level)
    {
        const std::int32_t att = env + level;
        if (ph > clockMask) {
            ph &= clockMask;
            reg = (reg >> 1) ^ ((reg & 1) ? kNoiseFeedback : 0);
            bit = reg & 1;
        }
        addPanned(n, log2lin[att + bit]);
        ph += inc;
        return true;
    }
    int renderFast(int n, int runEnd, const std::int32_t* curve, std::int32_t& envPos, std::int32_t envRate,
                   std::int32_t level)
    {
        if (!kernels || runEnd - n < kMinFastRun)
            return n;
        NoiseRun run{{curve, envPos, envRate, level}, output(n, runEnd - n), ph, inc, clockMask, reg, bit};
        kernels->noise(run);
        ph = run.phase;
        reg = run.reg;
        bit = run.bit;
        envPos = run.env.pos;
        return runEnd;
    }
    std::uint32_t inc, clockMask;
    std::uint32_t ph;
    int reg, bit;
};

} // namespace

void SynthesizerWT::VoiceUnitWT::setupLfo(const TonePreset& tone, int modulation)
{
    lms = std::clamp(tone.lms, 0, kMaxLms);
    lfoCounter = kLfoCounterPeriod;
    lfoStep = rates.lfoUnit * std::clamp(tone.lfoFreq, 0, kMaxLfoFreq);
    lfoIndex = ((tone.strc & 3) - 1) & 1; // even entries for pitch, odd for level
    lfoDepth = lms * std::clamp(modulation, 0, 127);
    lfoPitchOffset = 0;
    amOffset = 0;
}

void SynthesizerWT::VoiceUnitWT::setModulation(int value) { lfoDepth = lms * std::clamp(value, 0, 127); }

void SynthesizerWT::VoiceUnitWT::renderLfoPm(float* left, float* right, int target)
{
    const LfoPitchStep step = renderSegments(*this, target, LfoPitchStep(*this, *tables_, left, right));
    phase = step.ph;
}

void SynthesizerWT::VoiceUnitWT::renderLfoAm(float* left, float* right, int target)
{
    const LfoLevelStep step = renderSegments(*this, target, LfoLevelStep(*this, *tables_, left, right));
    phase = step.ph;
}

void SynthesizerWT::VoiceUnitWT::renderNoise(float* left, float* right, int target)
{
    const NoiseStep step = renderSegments(*this, target, NoiseStep(*this, tables_->log2lin.data(), left, right));
    phase = step.ph;
    lfsr = step.reg;
    noiseBit = step.bit;
}

} // namespace kest::tolvane::synth
