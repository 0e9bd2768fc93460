// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartControllers.h"

#include <algorithm>

namespace kest::tolvane::synth {

namespace {

// Flags in rpnNumber and nrpnNumber above the 14-bit parameter number: which
// halves have arrived since the last reset.
constexpr int kLsbReceived = 0x4000;
constexpr int kMsbReceived = 0x8000;
constexpr int kBothReceived = kLsbReceived | kMsbReceived;

// LSB write: keeps the MSB and both received flags, sets the LSB and its flag.
int withParameterLsb(int number, int lsb) { return (number & 0xBF80) | lsb | kLsbReceived; }
// MSB write: keeps the LSB and its flag, sets the MSB and its flag.
int withParameterMsb(int number, int msb) { return (msb << 7) | kMsbReceived | (number & 0x407F); }

} // namespace

int DataEntry::coarse(int current) const
{
    return std::clamp(((((current << 7) & mask) | value) >> 7) + delta, 0, 127);
}

int DataEntry::fine(int current) const { return std::clamp(((current & mask) | value) + delta, 0, 16383); }

PartControllers::PartControllers()
{
    for (PartState& p : parts_) {
        p = PartState{};
        p.mode = p.defaultMode = kModeInstrument;
    }
}

void PartControllers::reset(bool restoreModes)
{
    for (PartState& p : parts_) {
        p.resetControllers();
        if (restoreModes)
            p.mode = p.defaultMode;
    }
}

void PartControllers::resetRunningControllers()
{
    for (PartState& p : parts_)
        p.resetRunningControllers();
}

void PartControllers::selectParameter(int channel, int controller, int value)
{
    PartState& p = (*this)[channel];
    const bool nrpn = controller == kNrpnLsb || controller == kNrpnMsb;
    const bool msb = controller == kNrpnMsb || controller == kRpnMsb;
    p.cc[controller] = value;
    int& number = nrpn ? p.nrpnNumber : p.rpnNumber;
    number = msb ? withParameterMsb(number, value) : withParameterLsb(number, value);
    // Until both halves have arrived once, the selection is incomplete.
    if ((number & kBothReceived) != kBothReceived)
        return;
    const int parameter = number & 0x3FFF;
    if (parameter >= 128)
        p.dataEntryTarget = kDataEntryNone;
    else
        p.dataEntryTarget = nrpn ? 128 + parameter : parameter;
}

int PartControllers::dataEntryTarget(int channel) const
{
    const int target = (*this)[channel].dataEntryTarget;
    // The record is public; a stray target must not index past a table.
    return target < 0 || target > kDataEntryNone ? kDataEntryNone : target;
}

bool PartControllers::enterBendRange(int channel, const DataEntry& entry)
{
    if (entry.isLsb())
        return false; // the range has no fine part
    PartState& p = (*this)[channel];
    p.bendRange = entry.coarse(p.bendRange);
    return true;
}

bool PartControllers::enterFineTuning(int channel, const DataEntry& entry)
{
    PartState& p = (*this)[channel];
    p.fineTune = entry.fine(p.fineTune);
    return true;
}

bool PartControllers::enterCoarseTuning(int channel, const DataEntry& entry)
{
    if (entry.isLsb())
        return false; // semitones only; the LSB is unused
    PartState& p = (*this)[channel];
    p.coarseTune = entry.coarse(p.coarseTune);
    return true;
}

} // namespace kest::tolvane::synth
