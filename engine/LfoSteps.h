// SPDX-License-Identifier: GPL-3.0-or-later
// The LFO structures' steps: pitch and level modulation by a stepped triangle.
// The LFO steps between runs, so within a run the pitch or the level offset
// is constant and the plain oscillator's step (and fast run) serves.
#pragma once

#include <cstdint>

#include "OscillatorStep.h"

namespace kest::tolvane::synth {

// The LFO counter starts at and is refilled with 2^30 and falls by lfoStep
// (lfoUnit * lfoFreq) per sample; the LFO moves one step per refill.
inline constexpr std::int32_t kLfoCounterPeriod = 1 << 30;
// 128 steps of the interleaved table: each step moves two entries.
inline constexpr int kLfoIndexStride = 2;
inline constexpr int kLfoIndexMask = 255;
// Wave value (-8192..8192) times depth (lms * cc1, up to 15 * 127) over 2^11:
// a pitch offset in 1/8192 octave or a level offset in log-code units.
inline constexpr int kLfoDepthShift = 11;
// The level offset must keep bit 0 (the sign of the log code) untouched.
inline constexpr std::int32_t kAmOffsetMask = 0x7FFFFFFE;

// Samples (1 .. limit) before the LFO counter falls to 0 again, so the render
// loops step the LFO between runs instead of testing it every sample.
// lfoStep <= 2^30 keeps the counter above -2^30, so a refill makes it positive.
inline int samplesBeforeLfoStep(std::int32_t counter, std::int32_t step, int limit)
{
    if (counter <= 0)
        return 1;
    if (step <= 0 || std::int64_t{counter} >= std::int64_t{step} * limit)
        return limit;
    const std::int64_t count = (std::int64_t{counter} + step - 1) / step;
    return count < limit ? static_cast<int>(count) : limit;
}

// Steps the LFO when its counter has run out, handing the scaled wave value to
// apply, and returns the samples (1 .. limit) until the next step is due.
template <typename Apply>
int runUntilLfoStep(SynthesizerWT::VoiceUnitWT& voice, const std::int32_t* lfoWave, int limit, Apply apply)
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

// Whether no LFO step falls within the next count samples; if so, the counter
// moves on by them, as runUntilLfoStep would move it for a run of count.
inline bool lfoHoldsFor(SynthesizerWT::VoiceUnitWT& voice, int count)
{
    if (voice.lfoCounter <= 0 ||
        (voice.lfoStep > 0 && std::int64_t{voice.lfoCounter} < std::int64_t{voice.lfoStep} * count))
        return false;
    voice.lfoCounter -= voice.lfoStep * count;
    return true;
}

// LFO on pitch: each step moves the pitch, so the run takes the new increment.
template <typename Runs> struct LfoPitchStep : OscillatorStep<Runs> {
    LfoPitchStep(SynthesizerWT::VoiceUnitWT& v, float* l, float* r)
        : OscillatorStep<Runs>(v, l, r), voice(v), lfoWave(v.tables().lfoWave.data())
    {
    }
    int runLength(int limit)
    {
        const int length = runUntilLfoStep(voice, lfoWave, limit, [this](int offset) {
            voice.lfoPitchOffset = offset;
            voice.recomputePitch();
        });
        this->inc = static_cast<std::uint32_t>(voice.phaseInc);
        return length;
    }
    SynthesizerWT::VoiceUnitWT& voice;
    const std::int32_t* lfoWave;
};

// LFO on level: the offset is constant between steps, so it joins the run's level.
template <typename Runs> struct LfoLevelStep : OscillatorStep<Runs> {
    LfoLevelStep(SynthesizerWT::VoiceUnitWT& v, float* l, float* r)
        : OscillatorStep<Runs>(v, l, r), voice(v), lfoWave(v.tables().lfoWave.data())
    {
    }
    int runLength(int limit)
    {
        return runUntilLfoStep(voice, lfoWave, limit, [this](int offset) { voice.amOffset = offset & kAmOffsetMask; });
    }
    std::int32_t levelOffset() const { return voice.amOffset; }
    SynthesizerWT::VoiceUnitWT& voice;
    const std::int32_t* lfoWave;
};

} // namespace kest::tolvane::synth
