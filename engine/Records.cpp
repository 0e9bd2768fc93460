// SPDX-License-Identifier: GPL-3.0-or-later
#include "Records.h"
#include "PortableMath.h"
#include "RecordFields.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::synth {

void PartState::resetControllers()
{
    program = 0;
    channelPressure = 0;
    pitchBend = 8192;
    for (int& value : cc)
        value = 0;
    cc[7] = 100;
    cc[10] = 64;
    cc[11] = 127;
    bendRange = 2;
    fineTune = 8192;
    coarseTune = 64;
    rpnNumber = 0;
    nrpnNumber = 0;
    dataEntryTarget = kDataEntryNone;
    play = storedPlay;
    cc[5] = storedPlay.portamentoTime;
    portamentoFrom = -1;
}

int partTuningPitch(const PartState& part)
{
    // In twelfths of a pitch unit: a semitone is 8192 twelfths, and so is the
    // whole fine range on either side.
    const int twelfths =
        (std::clamp(part.coarseTune, 0, 127) - 64) * 8192 + (std::clamp(part.fineTune, 0, 16383) - 8192);
    return twelfths >= 0 ? (twelfths + 6) / 12 : -((6 - twelfths) / 12);
}

void PartState::resetRunningControllers()
{
    channelPressure = 0;
    pitchBend = 8192;
    cc[1] = 0;
    cc[11] = 127;
    cc[65] = 0;
    cc[84] = 0;
    portamentoFrom = -1;
    rpnNumber = 0;
    nrpnNumber = 0;
    dataEntryTarget = kDataEntryNone;
}

void TonePreset::setDefaults() { setRecordDefaults(*this); }

void SamplerPreset::setDefaults() { setRecordDefaults(*this); }

void SampleData::clear() { *this = SampleData{}; }

void SampleData::setSourceRate(float rate)
{
    if (!std::isfinite(rate))
        return;
    sourceRate = rate;
    rateLog = logPitchOf(rate);
    rateToPitchLog = rateLog - pitchLog;
}

void SampleData::setPitch(float hz)
{
    if (!std::isfinite(hz))
        return;
    pitch = hz;
    pitchLog = logPitchOf(hz);
    rateToPitchLog = rateLog - pitchLog;
}

void SampleData::clearLoop()
{
    loopEndPoint = playBackEndPoint;
    loopLength = 0;
    releaseLoopLength = 0;
}

int logPitchOf(float v)
{
    // Non-finite values must not reach the integer conversion.
    if (!(v > 1.0f) || !std::isfinite(v))
        return 0;
    return static_cast<int>(static_cast<float>(portableLog2(v)) * 8192.0f + 0.5f);
}

} // namespace kest::tolvane::synth
