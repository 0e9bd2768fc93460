// SPDX-License-Identifier: GPL-3.0-or-later
// The noise structure's step: a 15-bit Galois register clocked by the
// oscillator phase, whose low bit is the sign of the output.
#pragma once

#include <cstdint>

#include "SegmentDriver.h"

namespace kest::tolvane::synth {

// Feedback taps of the Galois register, shifted right: 15 bits with period
// 32,767, and the short register, 7 bits with period 127 (a pitched,
// metallic noise). The short one keeps to the low 7 bits of the register.
inline constexpr int kNoiseFeedback = 0x6000;
inline constexpr int kShortNoiseFeedback = 0x60;
inline constexpr int kShortNoiseMask = 0x7F;

// The register is clocked once per 1/32 of a table period (never more than
// once a sample).
template <typename Runs, int Feedback = kNoiseFeedback> struct NoiseStep : VoiceStep {
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
            reg = (reg >> 1) ^ ((reg & 1) ? Feedback : 0);
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
