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

void SynthesizerWT::VoiceUnitWT::setupLfo(const TonePreset& tone, int modulation)
{
    lms = std::clamp(tone.lms, 0, kMaxLms);
    lfoCounter = kLfoCounterPeriod;
    lfoStep = rates.lfoUnit * std::clamp(tone.lfoFreq, 0, kMaxLfoFreq);
    lfoIndex = ((tone.strc & 3) - 1) & 1; // even entries for pitch, odd for level
    lfoDepth = lms * std::clamp(modulation, 0, 127);
    lfoPitchOffset = 0;
    amOffset = 0;
}

void SynthesizerWT::VoiceUnitWT::setModulation(int value) { lfoDepth = lms * std::clamp(value, 0, 127); }

} // namespace kest::tolvane::synth
