// SPDX-License-Identifier: GPL-3.0-or-later
#include "MultiTimberSynthBase.h"

#include <algorithm>
#include <cmath>

#include "PortableMath.h"

namespace kest::tolvane::synth {

// ---- construction and module interface ------------------------------------

MultiTimberSynthBase::MultiTimberSynthBase() { buildHandlerTables(); }

MultiTimberSynthBase::~MultiTimberSynthBase() = default;

void MultiTimberSynthBase::setSampleRate(float rate)
{
    if (!std::isfinite(rate) || rate == sampleRate)
        return;
    applySampleRate(rate);
}

void MultiTimberSynthBase::reset()
{
    stopVoices(-1);
    resetParts(false);
}

void MultiTimberSynthBase::systemReset()
{
    stopVoices(-1);
    resetParts(true);
    initPresets();
    rpnEnabled = true;
    nrpnEnabled = false;
    receiveSysEx = false;
}

void MultiTimberSynthBase::attach(ModuleHost& host)
{
    // Always recomputed, even at an unchanged rate: attaching starts afresh.
    if (std::isfinite(host.sampleRate))
        applySampleRate(host.sampleRate);
    else
        updateRateConstants();
}

// ---- settings, modes and operations on every voice --------------------------

void MultiTimberSynthBase::updateRateConstants() { stopVoices(-1); }

float MultiTimberSynthBase::volumeTableEntry(int index)
{
    // Depends on nothing but the index: built once per process, on first use.
    static const std::array<float, 128> table = [] {
        std::array<float, 128> t{};
        for (int i = 0; i < 128; ++i)
            t[static_cast<std::size_t>(i)] = static_cast<float>(portableExp2((i + 1) / 8.0 - 16.0));
        return t;
    }();
    return table[static_cast<std::size_t>(index & 0x7F)];
}

void MultiTimberSynthBase::setMasterVolume(float volume)
{
    if (!std::isfinite(volume))
        return;
    masterVolume = std::max(volume, 0.0f);
    for (VoiceUnitBase& v : voices_)
        v.setMasterVolume(masterVolume);
}

void MultiTimberSynthBase::applySampleRate(float rate)
{
    if (!std::isfinite(rate))
        return;
    sampleRate = std::clamp(rate, kMinSampleRate, kMaxSampleRate);
    updateRateConstants();
}

void MultiTimberSynthBase::setMasterTune(float hz)
{
    if (!std::isfinite(hz))
        return;
    masterTune = std::clamp(hz, kMinMasterTune, kMaxMasterTune);
    updateRateConstants();
}

int MultiTimberSynthBase::getActiveVoiceCount() const { return voices_.soundingCount(); }

int MultiTimberSynthBase::setPolyphony(int count)
{
    // A count that rounds to the present size still rebuilds the pool.
    if (count < 1 || count == voices_.size())
        return voices_.size();
    allocateVoices(VoicePool::roundedSize(count));
    updateRateConstants();
    return voices_.size();
}

void MultiTimberSynthBase::setPartOutput(int partIndex, int output)
{
    const int channel = partIndex & 0x0F;
    const int clamped = std::clamp(output, 0, kOutputPairCount - 1);
    part(channel).output = clamped;
    voices_.forEachSounding([&](VoiceUnitBase& v) {
        if (v.channel == channel)
            v.outputPair = 2 * clamped;
    });
}

int MultiTimberSynthBase::getDefaultMode(int partIndex) const { return part(partIndex).defaultMode; }

void MultiTimberSynthBase::setDefaultMode(int partIndex, int mode)
{
    part(partIndex).defaultMode = std::clamp(mode, 0, maxMode);
}

int MultiTimberSynthBase::getMode(int partIndex) const { return part(partIndex).mode; }

void MultiTimberSynthBase::setMode(int partIndex, int mode)
{
    const int m = std::clamp(mode, 0, maxMode);
    PartState& p = part(partIndex);
    if (m == p.mode)
        return;
    p.mode = m;
    stopVoices(partIndex & 0x0F);
}

void MultiTimberSynthBase::setTickRate(int rate) { tickRate_ = std::clamp(rate, kMinTickRate, kMaxTickRate); }

void MultiTimberSynthBase::setStoredPlay(int partIndex, const PartPlaySettings& settings)
{
    PartPlaySettings stored = settings;
    stored.clamp();
    PartState& p = part(partIndex);
    if (stored.mode != p.play.mode || stored.arpPattern != p.play.arpPattern)
        releasePlayer(partIndex & 0x0F);
    p.storedPlay = p.play = stored;
    p.cc[kPortamentoTimeController] = stored.portamentoTime;
}

void MultiTimberSynthBase::resetParts(bool restoreModes)
{
    // A part whose play the reset changes lets go of what its player holds.
    for (int channel = 0; channel < kPartCount; ++channel) {
        const PartState& p = part(channel);
        if (p.play.mode != p.storedPlay.mode || p.play.arpPattern != p.storedPlay.arpPattern)
            releasePlayer(channel);
    }
    parts_.reset(restoreModes);
    // The reset lifted every pedal.
    for (int channel = 0; channel < kPartCount; ++channel)
        releaseSustained(channel);
}

void MultiTimberSynthBase::setRpnEnabled(bool enabled)
{
    rpnEnabled = enabled;
    parts_.resetRunningControllers();
}

void MultiTimberSynthBase::setNrpnEnabled(bool enabled)
{
    nrpnEnabled = enabled;
    parts_.resetRunningControllers();
}

// A free voice has nothing to stop or fade: the sounding set is enough.
void MultiTimberSynthBase::stopVoices(int channel)
{
    voices_.forEachSounding([channel](VoiceUnitBase& v) {
        if (channel < 0 || v.channel == channel)
            v.stop();
    });
    // Stopped voices end their parts' play: keys, arpeggios.
    for (int c = 0; c < kPartCount; ++c)
        if (channel < 0 || c == channel)
            clearPlayer(c);
}

void MultiTimberSynthBase::soundOffVoices(int channel)
{
    voices_.forEachSounding([channel](VoiceUnitBase& v) {
        if (channel < 0 || v.channel == channel)
            v.soundOff();
    });
}

} // namespace kest::tolvane::synth
