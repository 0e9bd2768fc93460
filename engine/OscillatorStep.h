// SPDX-License-Identifier: GPL-3.0-or-later
// The per-sample step of the wavetable structures (plain, LFO on pitch, LFO on
// level): one table entry at the phase's integer part, panned into the pair.
#pragma once

#include <cstdint>

#include "SegmentDriver.h"

namespace kest::tolvane::synth {

// Phases are Q18 fixed point: phase >> 18 is the table entry, and phaseMask
// wraps it at tableSize * 2^18.
inline constexpr int kPhaseFractionBits = 18;

struct OscillatorStep : VoiceStep {
    OscillatorStep(const SynthesizerWT::VoiceUnitWT& voice, const float* log2linTable, float* leftOut, float* rightOut)
        : VoiceStep(voice, log2linTable, leftOut, rightOut), table(voice.wave),
          inc(static_cast<std::uint32_t>(voice.phaseInc)), mask(static_cast<std::uint32_t>(voice.phaseMask)),
          ph(voice.phase)
    {
    }

    bool operator()(int n, std::int32_t env, std::int32_t level)
    {
        addPanned(n, log2lin[table[ph >> kPhaseFractionBits] + env + level]);
        ph = (ph + inc) & mask;
        return true;
    }

    int renderFast(int n, int runEnd, const std::int32_t* curve, std::int32_t& envPos, std::int32_t envRate,
                   std::int32_t level)
    {
        if (!kernels || runEnd - n < kMinFastRun)
            return n;
        WaveRun run{{curve, envPos, envRate, level}, output(n, runEnd - n), table, ph, inc, mask};
        kernels->wave(run);
        ph = run.phase;
        envPos = run.env.pos;
        return runEnd;
    }

    const std::int32_t* table;
    std::uint32_t inc, mask;
    std::uint32_t ph;
};

} // namespace kest::tolvane::synth
