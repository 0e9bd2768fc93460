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

// The envelope during one run: sample i of the run is at the log attenuation
// curve[(pos + i * rate) >> 18] + level; a fast run moves pos on.
struct RunEnvelope {
    const std::int32_t* curve;
    std::int32_t pos, rate, level;
};

// The fast-run hooks of the per-sample path: every run is left to the step.
struct PerSampleRuns {
    static constexpr bool kFastSampleRuns = false;
    template <typename Step> static int renderRun(Step&, int n, int, RunEnvelope&) { return n; }
};

// The hooks a step may leave out. A step also has
//   bool operator()(int n, std::int32_t env, std::int32_t level)
// which renders output sample n at the log attenuation env + level (envelope
// and preset level, apart so that the step may add them in its own order) and
// returns false when the voice ends there, leaving that sample silent, and
//   int renderFast(int n, int runEnd, RunEnvelope& env)
// which renders a leading part of the run [n, runEnd) several samples at a
// time, moving the envelope position on, and returns where the per-sample
// step takes over.
struct VoiceStep {
    VoiceStep(const SynthesizerWT::VoiceUnitWT& voice, float* leftOut, float* rightOut)
        : log2lin(voice.tables().log2lin.data()), left(leftOut), right(rightOut), gl(voice.gainLeft),
          gr(voice.gainRight)
    {
    }

    // Samples the next run may last, at most `limit`: the LFO structures step
    // their LFO here and end the run where the next step falls.
    int runLength(int limit) { return limit; }
    // Attenuation added over the whole run besides the preset's level.
    std::int32_t levelOffset() const { return 0; }

    // One mono sample into the voice's output pair through its pan gains.
    void addPanned(int n, float s)
    {
        left[n] += s * gl;
        right[n] += s * gr;
    }

    const float* log2lin; // log code to linear amplitude
    float* left;
    float* right;
    float gl, gr;
};

// One run from n (below target): moves the envelope on at a segment end and
// renders up to where the next envelope or LFO change falls. Returns where the
// run ended, or -1 when the voice ended in it (the voice is then stopped).
template <typename Step>
[[gnu::always_inline]] inline int renderRun(SynthesizerWT::VoiceUnitWT& voice, int n, int target, Step& step)
{
    if (voice.envPos >= voice.envEnd && !voice.advanceEnvelope())
        return -1; // the envelope has ended and advanceEnvelope stopped the voice
    // Inside one run no envelope or LFO change can happen, so the per-sample
    // loop needs no test of either.
    const int runEnd =
        n + step.runLength(samplesInEnvelopeSegment(voice.envPos, voice.envEnd, voice.envRate, target - n));
    RunEnvelope env{voice.envCurve, voice.envPos, voice.envRate, voice.levelAttenuation + step.levelOffset()};
    n = step.renderFast(n, runEnd, env);
    for (; n < runEnd; ++n) {
        if (!step(n, env.curve[env.pos >> kQ18Bits], env.level)) {
            voice.envPos = env.pos;
            voice.stop();
            return -1;
        }
        env.pos += env.rate;
    }
    voice.envPos = env.pos;
    return n;
}

// Returns the step as the last sample left it, for the voice to keep its state.
// The step is held by value and the driver inlined into each render function,
// so that the compiler keeps the step's state in registers.
template <typename Step>
[[gnu::always_inline]] inline Step renderSegments(SynthesizerWT::VoiceUnitWT& voice, int target, Step step)
{
    int n = voice.renderPos;
    voice.renderPos = target;
    // A short block is most often one run: it is rendered apart from the loop,
    // so that it carries none of the loop's set-up.
    if (n < target)
        n = renderRun(voice, n, target, step);
    while (n >= 0 && n < target)
        n = renderRun(voice, n, target, step);
    return step;
}

} // namespace kest::tolvane::synth
