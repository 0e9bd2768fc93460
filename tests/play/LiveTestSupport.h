// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI for the live player's tests: raw messages held in memory, handed over
// period by period as the audio server would.
#pragma once

#include <cstdint>
#include <vector>

#include "LiveMidi.h"

namespace tolvane_live_test {

struct Message {
    int frame = 0; // from the start of the whole run
    std::vector<std::uint8_t> bytes;
};

inline Message noteOn(int frame, int channel, int key, int velocity = 100)
{
    return {frame,
            {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key),
             static_cast<std::uint8_t>(velocity)}};
}
inline Message noteOff(int frame, int channel, int key)
{
    return {frame, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0}};
}
inline Message control(int frame, int channel, int controller, int value)
{
    return {frame,
            {static_cast<std::uint8_t>(0xB0 | channel), static_cast<std::uint8_t>(controller),
             static_cast<std::uint8_t>(value)}};
}

// The messages of one period [start, start + frames), frames made relative to it.
class PeriodMidi final : public kest::tolvane::tools::MidiInput {
public:
    PeriodMidi(const std::vector<Message>& all, int start, int frames)
    {
        for (const Message& m : all)
            if (m.frame >= start && m.frame < start + frames)
                picked_.push_back(&m);
        start_ = start;
    }
    int count() const override { return static_cast<int>(picked_.size()); }
    bool get(int index, kest::tolvane::tools::RawMidi& event) const override
    {
        const Message& m = *picked_[static_cast<std::size_t>(index)];
        event = {m.frame - start_, m.bytes.data(), m.bytes.size()};
        return true;
    }

private:
    std::vector<const Message*> picked_;
    int start_ = 0;
};

} // namespace tolvane_live_test
