// SPDX-License-Identifier: GPL-3.0-or-later
// The per-sample step of the wavetable structures (plain, LFO on pitch, LFO on
// level): one table entry at the phase's integer part, panned into the pair.
#pragma once

#include <cstdint>

#include "SegmentDriver.h"

namespace kest::tolvane::synth {

// phase >> 18 is the table entry (Q18), and phaseMask wraps it at tableSize * 2^18.

// Runs is the path's fast-run hooks (PerSampleRuns or a vector set).
template <typename Runs> struct OscillatorStep : VoiceStep {
    OscillatorStep(SynthesizerWT::VoiceUnitWT& voice, float* leftOut, float* rightOut)
        : VoiceStep(voice, leftOut, rightOut), table(voice.wave), inc(static_cast<std::uint32_t>(voice.phaseInc)),
          mask(static_cast<std::uint32_t>(voice.phaseMask)), ph(voice.phase), levelCache(voice.levelCache)
    {
    }

    bool operator()(int n, std::int32_t env, std::int32_t level)
    {
        addPanned(n, log2lin[table[ph >> kQ18Bits] + env + level]);
        ph = (ph + inc) & mask;
        return true;
    }

    int renderFast(int n, int runEnd, RunEnvelope& env) { return Runs::renderRun(*this, n, runEnd, env); }

    const std::int32_t* table;
    std::uint32_t inc, mask;
    std::uint32_t ph;
    WaveLevelCache& levelCache;
};

} // namespace kest::tolvane::synth
