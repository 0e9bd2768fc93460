// SPDX-License-Identifier: GPL-3.0-or-later
// How many samples a voice can render before its envelope must be checked again.
// The render loops test the envelope once per segment rather than once per sample.
#pragma once

#include <cstdint>

#include "FixedPoint.h"

namespace kest::tolvane::synth {

// Envelope positions are Q18: envPos >> 18 indexes the 4096-entry attack and
// decay curves, so a position runs from 0 to 2^30 (the attack's top).
inline constexpr std::int32_t kEnvelopeTop = std::int32_t{1} << 30;

// Whether the envelope stays in its segment for the next `count` samples and
// beyond: the question most renders answer without a division.
inline bool envelopeSegmentOutlasts(std::int32_t envPos, std::int32_t envEnd, std::int32_t envRate, int count)
{
    const std::int64_t remaining = std::int64_t{envEnd} - envPos;
    return remaining > 0 && (envRate <= 0 || remaining >= std::int64_t{envRate} * count);
}

// Number of samples (1 .. limit) from envPos before envPos reaches envEnd; with a
// zero rate the envelope never moves and the whole limit is one segment.
inline int samplesInEnvelopeSegment(std::int32_t envPos, std::int32_t envEnd, std::int32_t envRate, int limit)
{
    // Most calls are cut by the limit (a short block, an event): no division then.
    if (envelopeSegmentOutlasts(envPos, envEnd, envRate, limit))
        return limit;
    const std::int64_t remaining = std::int64_t{envEnd} - envPos;
    if (remaining <= 0)
        return 1; // still at the end after an advance: check again next sample
    const std::int64_t count = (remaining + envRate - 1) / envRate;
    return count < limit ? static_cast<int>(count) : limit;
}

// Samples (1 .. limit) from pos before the envelope reaches its next curve
// entry: a stretch at one attenuation.
inline int samplesOnCurveEntry(std::int32_t pos, std::int32_t rate, int limit)
{
    const std::int64_t toNext = (((std::int64_t{pos} >> kQ18Bits) + 1) << kQ18Bits) - pos;
    if (rate <= 0 || toNext > std::int64_t{rate} * (limit - 1))
        return limit;
    return static_cast<int>((toNext + rate - 1) / rate);
}

} // namespace kest::tolvane::synth
