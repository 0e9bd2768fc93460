// SPDX-License-Identifier: GPL-3.0-or-later
// The render function of every voice structure for one path: Runs supplies
// the fast runs (PerSampleRuns: none). Each function builds its step from the
// voice, drives it through the block and keeps what the step moved.
#pragma once

#include "LfoSteps.h"
#include "NoiseStep.h"
#include "OscillatorStep.h"
#include "SampleStep.h"

namespace kest::tolvane::synth {

template <typename Runs> struct VoiceRenders {
    using Voice = SynthesizerWT::VoiceUnitWT;

    static void noLfo(VoiceUnitBase& base, float* left, float* right, int target)
    {
        auto& voice = static_cast<Voice&>(base);
        voice.phase = renderSegments(voice, target, OscillatorStep<Runs>(voice, left, right)).ph;
    }

    static void lfoPitch(VoiceUnitBase& base, float* left, float* right, int target)
    {
        auto& voice = static_cast<Voice&>(base);
        voice.phase = renderSegments(voice, target, LfoPitchStep<Runs>(voice, left, right)).ph;
    }

    static void lfoLevel(VoiceUnitBase& base, float* left, float* right, int target)
    {
        auto& voice = static_cast<Voice&>(base);
        voice.phase = renderSegments(voice, target, LfoLevelStep<Runs>(voice, left, right)).ph;
    }

    template <int Feedback> static void noiseWith(VoiceUnitBase& base, float* left, float* right, int target)
    {
        auto& voice = static_cast<Voice&>(base);
        using Step = NoiseStep<Runs, Feedback>;
        const Step step = renderSegments(voice, target, Step(voice, left, right));
        voice.phase = step.ph;
        voice.lfsr = step.reg;
        voice.noiseBit = step.bit;
    }
    static void noise(VoiceUnitBase& base, float* left, float* right, int target)
    {
        noiseWith<kNoiseFeedback>(base, left, right, target);
    }
    // No set has fast runs for the short register: every set renders it sample by sample.
    static void shortNoise(VoiceUnitBase& base, float* left, float* right, int target)
    {
        noiseWith<kShortNoiseFeedback>(base, left, right, target);
    }

    template <int Channels> static void sample(VoiceUnitBase& base, float* left, float* right, int target)
    {
        auto& voice = static_cast<Voice&>(base);
        const SampleStep<Runs, Channels> step =
            renderSegments(voice, target, SampleStep<Runs, Channels>(voice, left, right));
        voice.samplePos = static_cast<int>(step.position >> kQ18Bits);
        voice.sampleFrac = static_cast<int>(step.position & kQ18FractionMask);
    }
};

} // namespace kest::tolvane::synth
