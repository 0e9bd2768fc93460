// SPDX-License-Identifier: GPL-3.0-or-later
// Sampler voices: key k plays SamplerPreset [k] from its sample slot, stepping
// through the frames with an 18-bit fraction, a held loop and a release loop.
#include <algorithm>

#include "SegmentDriver.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

constexpr int kFrameFractionBits = 18;
constexpr std::uint32_t kFrameFractionMask = (1u << kFrameFractionBits) - 1;
constexpr int kOctaveUnits = 8192; // pitch is counted in 1/8192 octave
// octv 8 plays at the own rate, and the centre tune (8192) is one octave up.
constexpr int kOwnRateOctave = 9;

int clamp7(int v) { return std::clamp(v, 0, 127); }

// Frames the slot can really deliver: its frame count, but never more than the array holds.
int playableFrames(const SampleData& slot, int channels)
{
    const std::size_t held = slot.data.size() / static_cast<std::size_t>(channels);
    const std::size_t frames = static_cast<std::size_t>(std::max(slot.frames, 0));
    return static_cast<int>(std::min(held, frames));
}

// Equivalent to subtracting the loop length until the position is below the end,
// without looping when one step spans many loop lengths. Needs 0 < length <= end.
int wrapIntoLoop(int position, int end, int length) { return end - length + (position - end) % length; }

// One frame of a mono or interleaved stereo slot at the voice's position. The
// frame index and its 18-bit fraction are one fixed-point position; past the
// end the position wraps into the loop, or the voice ends without a loop.
template <int Channels> struct SampleStep : VoiceStep {
    SampleStep(const SynthesizerWT::VoiceUnitWT& v, const float* log2linTable, float* l, float* r)
        : VoiceStep(v, log2linTable, l, r), frames(v.sampleData), inc(static_cast<std::uint32_t>(v.phaseInc)),
          end(v.currentEnd), loopLength(v.currentLoopLength),
          position((std::uint64_t(v.samplePos) << kFrameFractionBits) | std::uint32_t(v.sampleFrac))
    {
    }
    bool operator()(int n, std::int32_t env, std::int32_t level)
    {
        const std::int32_t att = env + level;
        int frame = static_cast<int>(position >> kFrameFractionBits);
        if (frame >= end) {
            if (loopLength <= 0)
                return false;
            frame = wrapIntoLoop(frame, end, loopLength);
            position = (std::uint64_t(frame) << kFrameFractionBits) | (position & kFrameFractionMask);
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
    // The part of the run that stays below the end runs as a fast run; the
    // sample that reaches the end (to wrap or stop) is the step's.
    int renderFast(int n, int runEnd, const std::int32_t* curve, std::int32_t& envPos, std::int32_t envRate,
                   std::int32_t level)
    {
        const std::uint64_t endPosition = std::uint64_t(std::max(end, 0)) << kFrameFractionBits;
        if (!kernels || runEnd - n < kMinFastRun || position >= endPosition)
            return n;
        // Samples whose frame lies below the end; a division only when the end is near.
        const auto length = static_cast<std::uint64_t>(runEnd - n);
        const bool staysInside = position + std::uint64_t{inc} * (length - 1) < endPosition;
        const std::uint64_t inside = staysInside ? length : (endPosition - position + inc - 1) / inc;
        const int count = static_cast<int>(std::min(length, inside));
        if (count < kMinFastRun)
            return n;
        SampleRun run{{curve, envPos, envRate, level}, output(n, count), frames, position, inc};
        (Channels == 1 ? kernels->sampleMono : kernels->sampleStereo)(run);
        position = run.position;
        envPos = run.env.pos;
        return n + count;
    }
    const std::int32_t* frames;
    std::uint32_t inc;
    int end, loopLength;
    std::uint64_t position;
};

template <int Channels>
void renderSample(SynthesizerWT::VoiceUnitWT& voice, const float* log2lin, float* left, float* right, int target)
{
    const SampleStep<Channels> step = renderSegments(voice, target, SampleStep<Channels>(voice, log2lin, left, right));
    voice.samplePos = static_cast<int>(step.position >> kFrameFractionBits);
    voice.sampleFrac = static_cast<int>(step.position & kFrameFractionMask);
}

} // namespace

void SynthesizerWT::VoiceUnitWT::samplerNoteOn(int channelIndex, int keyIndex, int velocity)
{
    SynthesizerWT& synth = *engine_;
    const SynthTables& t = *tables_;
    const SamplerPreset& preset = synth.samplerPreset(keyIndex);
    const SampleData& slot = synth.sampleData(preset.smplNum);
    if (!slot.hasData) {
        stop();
        return;
    }

    const PartState& part = synth.part(channelIndex);
    status = kHeld;
    channel = channelIndex;
    key = keyIndex;

    // Points are validated here against what the array holds, so that no later
    // step of playback can read outside it whatever the slot's numbers say.
    const int channels = slot.channels == 2 ? 2 : 1;
    const int frames = playableFrames(slot, channels);
    sampleData = slot.data.data();
    currentEnd = std::clamp(slot.loopEndPoint, 0, frames);
    currentLoopLength = std::clamp(slot.loopLength, 0, currentEnd);
    releaseEnd = std::clamp(slot.playBackEndPoint, 0, frames);
    releaseLoopLength = std::clamp(slot.releaseLoopLength, 0, releaseEnd);
    samplePos = std::clamp(slot.playBackStartPoint, 0, frames);
    sampleFrac = 0;

    panIndex = clamp7(preset.pan);
    setupGains(t.gainCurve.data(), t.pan.data(), part.cc[7], part.cc[11], part.cc[10], velocity, synth.masterVolume);

    bendRangePitch = t.keyPitch[static_cast<std::size_t>(clamp7(part.bendRange))];
    bendDelta = std::clamp(part.pitchBend, 0, 16383) - 8192;
    bendOffset = (bendDelta * bendRangePitch) >> 13;
    basePitch = rates.sampleBase + (std::clamp(preset.octv, 0, 15) - kOwnRateOctave) * kOctaveUnits + slot.rateLog +
                std::clamp(preset.tune, 0, 16383);
    partTune = partTuningPitch(part);
    lfoPitchOffset = 0;
    recomputePitch();

    // Samples have no LFO: the modulation wheel must not move them.
    lms = 0;
    lfoDepth = 0;
    amOffset = 0;

    setupEnvelope(preset.ar, preset.dr, preset.sl, preset.rr, preset.tl, 0);
    renderFn = channels == 2 ? &VoiceUnitWT::renderSampleStereo : &VoiceUnitWT::renderSampleMono;
}

void SynthesizerWT::VoiceUnitWT::renderSampleMono(float* left, float* right, int target)
{
    renderSample<1>(*this, tables_->log2lin.data(), left, right, target);
}

void SynthesizerWT::VoiceUnitWT::renderSampleStereo(float* left, float* right, int target)
{
    renderSample<2>(*this, tables_->log2lin.data(), left, right, target);
}

} // namespace kest::tolvane::synth
