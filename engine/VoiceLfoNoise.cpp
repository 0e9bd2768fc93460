// SPDX-License-Identifier: GPL-3.0-or-later
// The LFO structures (pitch and amplitude modulation by a stepped triangle) and
// the noise structure (a 15-bit Galois register clocked by the oscillator phase).
#include <algorithm>

#include "EnvelopeSegment.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

// The LFO counter starts at and is refilled with 2^30; one step per refill.
constexpr std::int32_t kLfoCounterPeriod = 1 << 30;
// 128 steps of the interleaved table: each step moves two entries.
constexpr int kLfoIndexStride = 2;
constexpr int kLfoIndexMask = 255;
constexpr int kLfoDepthShift = 11;
// The level offset must keep bit 0 (the sign of the log code) untouched.
constexpr std::int32_t kAmOffsetMask = 0x7FFFFFFE;
constexpr int kNoiseFeedback = 0x6000;
constexpr int kMaxLfoFreq = 16383;
constexpr int kMaxLms = 15;

constexpr int kPhaseFractionBits = 18;
constexpr int kEnvIndexShift = 18;

// Samples (1 .. limit) before the LFO counter falls to 0 again, so the render
// loops step the LFO between runs instead of testing it every sample.
// lfoStep <= 2^30 keeps the counter above -2^30, so a refill makes it positive.
int samplesBeforeLfoStep(std::int32_t counter, std::int32_t step, int limit)
{
    if (counter <= 0) return 1;
    if (step <= 0) return limit;
    const std::int64_t count = (std::int64_t{counter} + step - 1) / step;
    return count < limit ? static_cast<int>(count) : limit;
}

} // namespace

void SynthesizerWT::VoiceUnitWT::setupLfo(const TonePreset& tone, int modulation)
{
    lms = std::clamp(tone.lms, 0, kMaxLms);
    lfoCounter = kLfoCounterPeriod;
    lfoStep = rates.lfoUnit * std::clamp(tone.lfoFreq, 0, kMaxLfoFreq);
    lfoIndex = ((tone.strc & 3) - 1) & 1;  // even entries for pitch, odd for level
    lfoDepth = lms * std::clamp(modulation, 0, 127);
    lfoPitchOffset = 0;
    amOffset = 0;
}

void SynthesizerWT::VoiceUnitWT::setModulation(int value) { lfoDepth = lms * std::clamp(value, 0, 127); }

void SynthesizerWT::VoiceUnitWT::renderLfoPm(float* left, float* right, int target)
{
    const float* log2lin = tables_->log2lin.data();
    const std::int32_t* lfoWave = tables_->lfoWave.data();
    const float gl = gainLeft;
    const float gr = gainRight;
    const std::uint32_t mask = static_cast<std::uint32_t>(phaseMask);

    int n = renderPos;
    while (n < target) {
        if (envPos >= envEnd && !advanceEnvelope()) {
            stop();
            return;
        }
        if (lfoCounter <= 0) {
            lfoPitchOffset = (lfoWave[lfoIndex] * lfoDepth) >> kLfoDepthShift;
            recomputePitch();
            lfoCounter += kLfoCounterPeriod;
            lfoIndex = (lfoIndex + kLfoIndexStride) & kLfoIndexMask;
        }
        const int runEnd = n + samplesBeforeLfoStep(lfoCounter, lfoStep,
                                                    samplesInEnvelopeSegment(envPos, envEnd, envRate, target - n));
        const std::int32_t* curve = envCurve;
        const std::int32_t rate = envRate;
        const std::int32_t level = levelAttenuation;
        const std::uint32_t inc = static_cast<std::uint32_t>(phaseInc);
        lfoCounter -= lfoStep * (runEnd - n);
        std::int32_t pos = envPos;
        std::uint32_t ph = phase;
        for (; n < runEnd; ++n) {
            const float s = log2lin[wave[ph >> kPhaseFractionBits] + curve[pos >> kEnvIndexShift] + level];
            left[n] += s * gl;
            right[n] += s * gr;
            pos += rate;
            ph = (ph + inc) & mask;
        }
        envPos = pos;
        phase = ph;
    }
    renderPos = target;
}

void SynthesizerWT::VoiceUnitWT::renderLfoAm(float* left, float* right, int target)
{
    const float* log2lin = tables_->log2lin.data();
    const std::int32_t* lfoWave = tables_->lfoWave.data();
    const float gl = gainLeft;
    const float gr = gainRight;
    const std::uint32_t mask = static_cast<std::uint32_t>(phaseMask);
    const std::uint32_t inc = static_cast<std::uint32_t>(phaseInc);

    int n = renderPos;
    while (n < target) {
        if (envPos >= envEnd && !advanceEnvelope()) {
            stop();
            return;
        }
        if (lfoCounter <= 0) {
            amOffset = ((lfoWave[lfoIndex] * lfoDepth) >> kLfoDepthShift) & kAmOffsetMask;
            lfoCounter += kLfoCounterPeriod;
            lfoIndex = (lfoIndex + kLfoIndexStride) & kLfoIndexMask;
        }
        const int runEnd = n + samplesBeforeLfoStep(lfoCounter, lfoStep,
                                                    samplesInEnvelopeSegment(envPos, envEnd, envRate, target - n));
        const std::int32_t* curve = envCurve;
        const std::int32_t rate = envRate;
        // The LFO's level offset is constant between steps: fold it into the level.
        const std::int32_t level = levelAttenuation + amOffset;
        lfoCounter -= lfoStep * (runEnd - n);
        std::int32_t pos = envPos;
        std::uint32_t ph = phase;
        for (; n < runEnd; ++n) {
            const float s = log2lin[wave[ph >> kPhaseFractionBits] + curve[pos >> kEnvIndexShift] + level];
            left[n] += s * gl;
            right[n] += s * gr;
            pos += rate;
            ph = (ph + inc) & mask;
        }
        envPos = pos;
        phase = ph;
    }
    renderPos = target;
}

void SynthesizerWT::VoiceUnitWT::renderNoise(float* left, float* right, int target)
{
    const float* log2lin = tables_->log2lin.data();
    const float gl = gainLeft;
    const float gr = gainRight;
    const std::uint32_t clockMask = static_cast<std::uint32_t>(noiseMask);
    const std::uint32_t inc = static_cast<std::uint32_t>(phaseInc);

    int n = renderPos;
    while (n < target) {
        if (envPos >= envEnd && !advanceEnvelope()) {
            stop();
            return;
        }
        const int segmentEnd = n + samplesInEnvelopeSegment(envPos, envEnd, envRate, target - n);
        const std::int32_t* curve = envCurve;
        const std::int32_t rate = envRate;
        const std::int32_t level = levelAttenuation;
        std::int32_t pos = envPos;
        std::uint32_t ph = phase;
        int reg = lfsr;
        int bit = noiseBit;
        for (; n < segmentEnd; ++n) {
            const std::int32_t att = curve[pos >> kEnvIndexShift] + level;
            // One clock per 1/32 of a table period, and never more than one per sample.
            if (ph > clockMask) {
                ph &= clockMask;
                reg = (reg >> 1) ^ ((reg & 1) ? kNoiseFeedback : 0);
                bit = reg & 1;
            }
            const float s = log2lin[att + bit];
            left[n] += s * gl;
            right[n] += s * gr;
            pos += rate;
            ph += inc;
        }
        envPos = pos;
        phase = ph;
        lfsr = reg;
        noiseBit = bit;
    }
    renderPos = target;
}

} // namespace kest::tolvane::synth
