// SPDX-License-Identifier: GPL-3.0-or-later
// The sampler's step: one frame of a mono or interleaved stereo slot at the
// voice's position, stepping with an 18-bit fraction, wrapping into a loop or
// ending the voice at the end.
#pragma once

#include <algorithm>
#include <cstdint>

#include "SegmentDriver.h"

namespace kest::tolvane::synth {

// Equivalent to subtracting the loop length until the position is below the end,
// without looping when one step spans many loop lengths. Needs 0 < length <= end.
inline int wrapIntoLoop(int position, int end, int length) { return end - length + (position - end) % length; }

// The frame index and its 18-bit fraction are one fixed-point position; past
// the end the position wraps into the loop, or the voice ends without a loop.
template <typename Runs, int Channels> struct SampleStep : VoiceStep {
    SampleStep(const SynthesizerWT::VoiceUnitWT& v, float* l, float* r)
        : VoiceStep(v, l, r), frames(v.sampleData), inc(static_cast<std::uint32_t>(v.phaseInc)), end(v.currentEnd),
          loopLength(v.currentLoopLength),
          position((std::uint64_t(v.samplePos) << kQ18Bits) | std::uint32_t(v.sampleFrac))
    {
    }
    bool operator()(int n, std::int32_t env, std::int32_t level)
    {
        const std::int32_t att = env + level;
        int frame = static_cast<int>(position >> kQ18Bits);
        if (frame >= end) {
            if (loopLength <= 0)
                return false;
            frame = wrapIntoLoop(frame, end, loopLength);
            position = (std::uint64_t(frame) << kQ18Bits) | (position & kQ18FractionMask);
        }
        if constexpr (Channels == 1) {
            addPanned(n, log2lin[frames[frame] + att]);
        } else {
            // Each channel keeps to its own side; the pan gains still apply.
            left[n] += log2lin[frames[2 * frame] + att] * gl;
            right[n] += log2lin[frames[2 * frame + 1] + att] * gr;
        }
        position += inc;
        return true;
    }
    // The part of the run that stays below the end runs fast; the sample that
    // reaches the end (to wrap or stop) is the step's.
    int renderFast(int n, int runEnd, RunEnvelope& env)
    {
        if constexpr (!Runs::kFastSampleRuns) {
            return n;
        } else {
            const std::uint64_t endPosition = std::uint64_t(std::max(end, 0)) << kQ18Bits;
            if (runEnd - n < Runs::kMinSampleRun || position >= endPosition)
                return n;
            // Samples whose frame lies below the end; a division only when the end is near.
            const auto length = static_cast<std::uint64_t>(runEnd - n);
            const bool staysInside = position + std::uint64_t{inc} * (length - 1) < endPosition;
            const std::uint64_t inside = staysInside ? length : (endPosition - position + inc - 1) / inc;
            const int count = static_cast<int>(std::min(length, inside));
            if (count < Runs::kMinSampleRun)
                return n;
            return Runs::renderRun(*this, n, n + count, env);
        }
    }

    const std::int32_t* frames; // interleaved for stereo
    std::uint32_t inc;
    int end, loopLength;
    std::uint64_t position;
};

} // namespace kest::tolvane::synth
