// SPDX-License-Identifier: GPL-3.0-or-later
// The fast runs of a processor without AVX2. While the envelope stays on one
// curve entry, every sample of a wave voice is log2lin[wave[k] + attenuation]
// for one attenuation: the voice's wave at that attenuation (the cache the
// vector path keeps too) turns three dependent table reads a sample into one.
// The other structures render with the per-sample functions.
#pragma once

#include <cstdint>

#include "OscillatorStep.h"

namespace kest::tolvane::synth {

struct ScalarRuns {
    static constexpr bool kFastSampleRuns = false;
    // Stretches on one curve entry shorter than this are read sample by
    // sample: filling the cache would cost more than it saves.
    static constexpr int kMinHeldStretch = 16;

    // The wave structures' runs, stretch by stretch while the envelope moves
    // slowly enough for long stretches; a faster envelope is the step's.
    static int renderRun(OscillatorStep<ScalarRuns>& step, int n, int runEnd, RunEnvelope& env)
    {
        if (env.rate >= kQ18One / kMinHeldStretch)
            return n;
        const int entries = static_cast<int>(step.mask >> kQ18Bits) + 1;
        while (n < runEnd) {
            const int stretch = samplesOnCurveEntry(env.pos, env.rate, runEnd - n);
            const std::int32_t attenuation = env.curve[env.pos >> kQ18Bits] + env.level;
            if (stretch >= kMinHeldStretch)
                heldStretch(step, n, stretch, attenuation, entries);
            else
                for (int i = n; i < n + stretch; ++i)
                    step(i, attenuation, 0);
            env.pos += env.rate * stretch;
            n += stretch;
        }
        return n;
    }

private:
    static void heldStretch(OscillatorStep<ScalarRuns>& step, int n, int count, std::int32_t attenuation, int entries)
    {
        WaveLevelCache& cache = step.levelCache;
        if (cache.attenuation != attenuation) {
            for (int k = 0; k < entries; ++k)
                cache.samples[k] = step.log2lin[step.table[k] + attenuation];
            cache.attenuation = attenuation;
        }
        std::uint32_t ph = step.ph;
        for (int i = n; i < n + count; ++i) {
            step.addPanned(i, cache.samples[ph >> kQ18Bits]);
            ph = (ph + step.inc) & step.mask;
        }
        step.ph = ph;
    }
};

} // namespace kest::tolvane::synth
