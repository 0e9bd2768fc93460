// The 16 parts' records and the controller state kept in them: RPN and NRPN
// parameter selection and what data entry does to the selected part
// parameter. Voices are not touched here; the engine passes results on.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>

#include "Records.h"

namespace kest::tolvane::synth {

// One Data Entry message as the data-entry handlers receive it: the 14-bit
// value with the half it replaces cleared in mask, or a step of +1 or -1.
struct DataEntry {
    static constexpr int kMsbMask = 0x7F;    // Data Entry MSB: value is msb << 7
    static constexpr int kLsbMask = 0x3F80;  // Data Entry LSB: value is the lsb
    static constexpr int kStepMask = 0x3FFF; // Data Increment or Decrement

    int value = 0;
    int mask = kStepMask;
    int delta = 0;

    bool isMsb() const { return mask == kMsbMask; }
    bool isLsb() const { return mask == kLsbMask; }
    // A 7-bit parameter that only the MSB and the steps change.
    int coarse(int current) const;
    // A 14-bit parameter.
    int fine(int current) const;
};

class PartControllers {
public:
    static constexpr int kNrpnLsb = 98;
    static constexpr int kNrpnMsb = 99;
    static constexpr int kRpnLsb = 100;
    static constexpr int kRpnMsb = 101;

    PartControllers();

    PartState& operator[](int index) { return parts_[static_cast<std::size_t>(index & 0x0F)]; }
    const PartState& operator[](int index) const { return parts_[static_cast<std::size_t>(index & 0x0F)]; }

    // Every part's controllers to their defaults, and each mode to its default
    // mode when restoreModes is set.
    void reset(bool restoreModes);
    // What Reset All Controllers clears, on every part.
    void resetRunningControllers();

    // An NRPN or RPN number controller (98..101) with its value: stores the
    // half and, once both halves have arrived, selects the data-entry target.
    void selectParameter(int channel, int controller, int value);
    // The data-entry target of the part, kDataEntryNone when none or when the
    // stored target is out of range.
    int dataEntryTarget(int channel) const;

    // Data entry on the part's bend range, fine and coarse tuning; false when
    // the message does not change that parameter.
    bool enterBendRange(int channel, const DataEntry& entry);
    bool enterFineTuning(int channel, const DataEntry& entry);
    bool enterCoarseTuning(int channel, const DataEntry& entry);

private:
    std::array<PartState, kPartCount> parts_{};
};

} // namespace kest::tolvane::synth
