// SPDX-License-Identifier: GPL-3.0-or-later
// Sampler voices: key k plays SamplerPreset [k] from its sample slot, stepping
// through the frames with an 18-bit fraction, a held loop and a release loop.
#include <algorithm>

#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

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

    // Samples have no LFO (the modulation wheel must not move them) and
    // nothing on the tick clock.
    lms = 0;
    lfoDepth = 0;
    amOffset = 0;
    tickTime = kNoTick;

    setupEnvelope(preset.ar, preset.dr, preset.sl, preset.rr, preset.tl, 0);
    structure = channels == 2 ? VoiceStructure::SampleStereo : VoiceStructure::SampleMono;
    useKernels(*runKernels);
}

} // namespace kest::tolvane::synth
