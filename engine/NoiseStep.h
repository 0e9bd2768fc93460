// SPDX-License-Identifier: GPL-3.0-or-later
// The noise structure's step: a 15-bit Galois register clocked by the
// oscillator phase, whose low bit is the sign of the output.
#pragma once

#include <cstdint>

#include "SegmentDriver.h"

namespace kest::tolvane::synth {

inline constexpr int kNoiseFeedback = 0x6000;

// The register is clocked once per 1/32 of a table period (never more than
// once a sample).
template <typename Runs> struct NoiseStep : VoiceStep {
    NoiseStep(const SynthesizerWT::VoiceUnitWT& v, float* l, float* r)
        : VoiceStep(v, l, r), inc(static_cast<std::uint32_t>(v.phaseInc)),
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
    int renderFast(int n, int runEnd, RunEnvelope& env) { return Runs::renderRun(*this, n, runEnd, env); }

    std::uint32_t inc, clockMask;
    std::uint32_t ph;
    int reg, bit;
};

} // namespace kest::tolvane::synth
