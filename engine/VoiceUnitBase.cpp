// SPDX-License-Identifier: GPL-3.0-or-later
#include "VoiceUnitBase.h"

#include <algorithm>

namespace kest::tolvane::synth {

namespace {
int clamp7(int v) { return std::clamp(v, 0, 127); }
} // namespace

void VoiceUnitBase::stop()
{
    status = kFree;
    channel = -1;
    tickTime = kNoTick;
}

void VoiceUnitBase::renderStopOnly(VoiceUnitBase& voice, float*, float*, int target)
{
    voice.stop();
    voice.renderPos = target;
}

void VoiceUnitBase::setupGains(const float* gainCurve, const float* panTable, int cc7, int cc11, int cc10, int velocity,
                               float master)
{
    gainCurve_ = gainCurve;
    panTable_ = panTable;
    volumeGain = gainCurve[clamp7(cc7)];
    expressionGain = gainCurve[clamp7(cc11)];
    velocityGain = gainCurve[clamp7(velocity)];
    masterVolume = master;
    velMaster = velocityGain * master;
    cc10_ = clamp7(cc10);
    panIndex = clamp7(panIndex);
    panLeft = panTable[cc10_ + panIndex];
    panRight = panTable[256 - panIndex - cc10_];
    recomputeGains();
}

void VoiceUnitBase::recomputeGains()
{
    amp = volumeGain * expressionGain * velMaster;
    gainLeft = amp * panLeft;
    gainRight = amp * panRight;
}

void VoiceUnitBase::setMasterVolume(float volume)
{
    masterVolume = volume;
    if (status == kFree)
        return;
    velMaster = velocityGain * volume;
    recomputeGains();
}

void VoiceUnitBase::setVolume(int value)
{
    if (!gainCurve_)
        return;
    volumeGain = gainCurve_[clamp7(value)];
    recomputeGains();
}

void VoiceUnitBase::setExpression(int value)
{
    if (!gainCurve_)
        return;
    expressionGain = gainCurve_[clamp7(value)];
    recomputeGains();
}

void VoiceUnitBase::setPan(int value)
{
    if (!panTable_)
        return;
    cc10_ = clamp7(value);
    panLeft = panTable_[cc10_ + panIndex];
    panRight = panTable_[256 - cc10_ - panIndex];
    recomputeGains();
}

} // namespace kest::tolvane::synth
