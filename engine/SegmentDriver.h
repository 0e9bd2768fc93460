// SPDX-License-Identifier: GPL-3.0-or-later
// The render driver shared by every voice structure. It walks the envelope one
// segment at a time from renderPos to the block's target, moves the envelope on
// at each segment end, stops the voice when the envelope or the structure ends
// it and leaves renderPos at the target. A structure supplies only its step.
#pragma once

#include <cstdint>

#include "EnvelopeSegment.h"
#include "SynthesizerWT.h"
#include "VoiceRuns.h"

namespace kest::tolvane::synth {

static_assert(std::tuple_size_v<decltype(SynthTables::attackCurve)> == kEnvelopeCurveLength &&
              std::tuple_size_v<decltype(SynthTables::decayCurve)> == kEnvelopeCurveLength);

// The hooks a step may leave out. A step also has
//   bool operator()(int n, std::int32_t env, std::int32_t level)
// which renders output sample n at the log attenuation env + level (envelope
// and preset level, apart so that the step may add them in its own order) and
// returns false when the voice ends there, leaving that sample silent.
struct VoiceStep {
    VoiceStep(const SynthesizerWT::VoiceUnitWT& voice, const float* log2linTable, float* leftOut, float* rightOut)
        : log2lin(log2linTable), left(leftOut), right(rightOut), gl(voice.gainLeft), gr(voice.gainRight),
          kernels(voice.runKernels)
    {
    }

    // Samples the next run may last, at most `limit`: the LFO structures step
    // their LFO here and end the run where the next step falls.
    int runLength(int limit) { return limit; }
    // Attenuation added over the whole run besides the preset's level.
    std::int32_t levelOffset() const { return 0; }
    // Renders a leading part of the run [n, runEnd) several samples at a time,
    // moving the envelope position on, and returns where the per-sample step
    // takes over. Structures without a fast path render nothing here.
    int renderFast(int n, int /*runEnd*/, const std::int32_t* /*curve*/, std::int32_t& /*envPos*/,
                   std::int32_t /*envRate*/, std::int32_t /*level*/)
    {
        return n;
    }

    // One mono sample into the voice's output pair through its pan gains.
    void addPanned(int n, float s)
    {
        left[n] += s * gl;
        right[n] += s * gr;
    }

    // The output of a fast run of count samples from sample n.
    RunOutput output(int n, int count) const { return {log2lin, left + n, right + n, gl, gr, count}; }

    const float* log2lin; // log code to linear amplitude
    float* left;
    float* right;
    float gl, gr;
    const VoiceRunKernels* kernels; // null: per-sample steps only
};

// Returns the step as the last sample left it, for the voice to keep its state.
// The step is held by value and the driver inlined into each render operation,
// so that the compiler keeps the step's state in registers.
template <typename Step>
[[gnu::always_inline]] inline Step renderSegments(SynthesizerWT::VoiceUnitWT& voice, int target, Step step)
{
    int n = voice.renderPos;
    voice.renderPos = target;
    while (n < target) {
        if (voice.envPos >= voice.envEnd && !voice.advanceEnvelope())
            return step; // the envelope has ended and advanceEnvelope stopped the voice
        // Inside one run no envelope or LFO change can happen, so the
        // per-sample loop needs no test of either.
        const int runEnd =
            n + step.runLength(samplesInEnvelopeSegment(voice.envPos, voice.envEnd, voice.envRate, target - n));
        const std::int32_t* curve = voice.envCurve;
        const std::int32_t rate = voice.envRate;
        const std::int32_t level = voice.levelAttenuation + step.levelOffset();
        std::int32_t pos = voice.envPos;
        n = step.renderFast(n, runEnd, curve, pos, rate, level);
        for (; n < runEnd; ++n) {
            if (!step(n, curve[pos >> kEnvelopeIndexShift], level)) {
                voice.envPos = pos;
                voice.stop();
                return step;
            }
            pos += rate;
        }
        voice.envPos = pos;
    }
    return step;
}

} // namespace kest::tolvane::synth
