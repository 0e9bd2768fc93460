// SPDX-License-Identifier: GPL-3.0-or-later
// The LFO's set-up at note-on and the modulation wheel; the LFO structures'
// steps are in LfoSteps.h.
#include <algorithm>

#include "LfoSteps.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {
constexpr int kMaxLfoFreq = 16383;
constexpr int kMaxLms = 15;
} // namespace

void SynthesizerWT::VoiceUnitWT::setupLfo(const TonePreset& tone, int wheel)
{
    lms = std::clamp(tone.lms, 0, kMaxLms);
    lfoCounter = kLfoCounterPeriod;
    lfoStep = rates.lfoUnit * std::clamp(tone.lfoFreq, 0, kMaxLfoFreq);
    lfoIndex = ((tone.strc & 3) - 1) & 1; // even entries for pitch, odd for level
    modulation = std::clamp(wheel, 0, 127);
    toneLfoDepth = 0;
    lfoFadeStep = lfoFadeSteps = 1;
    lfoDepth = lfoDepthNow();
    lfoPitchOffset = 0;
    amOffset = 0;
}

void SynthesizerWT::VoiceUnitWT::setModulation(int value)
{
    modulation = std::clamp(value, 0, 127);
    lfoDepth = lfoDepthNow();
}

} // namespace kest::tolvane::synth
