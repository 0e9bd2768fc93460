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
    const std::int32_t step = lfoStep;

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
        std::uint32_t inc = static_cast<std::uint32_t>(phaseInc);
        std::int32_t counter = lfoCounter;
        for (; n < segmentEnd; ++n) {
            if (counter <= 0) {
                lfoPitchOffset = (lfoWave[lfoIndex] * lfoDepth) >> kLfoDepthShift;
                recomputePitch();
                inc = static_cast<std::uint32_t>(phaseInc);
                counter += kLfoCounterPeriod;
                lfoIndex = (lfoIndex + kLfoIndexStride) & kLfoIndexMask;
            }
            const float s = log2lin[wave[ph >> kPhaseFractionBits] + curve[pos >> kEnvIndexShift] + level];
            left[n] += s * gl;
            right[n] += s * gr;
            counter -= step;
            pos += rate;
            ph = (ph + inc) & mask;
        }
        envPos = pos;
        phase = ph;
        lfoCounter = counter;
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
    const std::int32_t step = lfoStep;

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
        std::int32_t counter = lfoCounter;
        std::int32_t offset = amOffset;
        for (; n < segmentEnd; ++n) {
            if (counter <= 0) {
                offset = ((lfoWave[lfoIndex] * lfoDepth) >> kLfoDepthShift) & kAmOffsetMask;
                counter += kLfoCounterPeriod;
                lfoIndex = (lfoIndex + kLfoIndexStride) & kLfoIndexMask;
            }
            const float s = log2lin[wave[ph >> kPhaseFractionBits] + curve[pos >> kEnvIndexShift] + level + offset];
            left[n] += s * gl;
            right[n] += s * gr;
            counter -= step;
            pos += rate;
            ph = (ph + inc) & mask;
        }
        envPos = pos;
        phase = ph;
        lfoCounter = counter;
        amOffset = offset;
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
