// SPDX-License-Identifier: GPL-3.0-or-later
#include "RawMidiMessage.h"

#include <algorithm>
#include <cstring>

namespace kest::tolvane::plugin {

namespace {
// Data bytes after the status byte of each channel message kind (0x8n .. 0xEn).
constexpr int kDataBytes[7] = {2, 2, 2, 2, 1, 1, 2};
} // namespace

bool toEngineMessage(const RawMidi& raw, MidiMessage& message)
{
    if (raw.bytes == nullptr || raw.size == 0)
        return false;
    const int status = raw.bytes[0];
    if (status == 0xF0) {
        const int length = static_cast<int>(std::min<std::size_t>(raw.size - 1, kMaxSysExLength));
        message.type = kSystemExclusive;
        message.channel = 0;
        message.data1 = message.data2 = 0;
        if (length > 0)
            std::memcpy(message.sysExData, raw.bytes + 1, static_cast<std::size_t>(length));
        message.sysExLength = length;
        return true;
    }
    if (status < 0x80 || status >= 0xF0)
        return false;
    const int needed = kDataBytes[(status >> 4) - 8];
    if (raw.size < static_cast<std::size_t>(1 + needed))
        return false;
    message.type = status & 0xF0;
    message.channel = status & 0x0F;
    message.data1 = raw.bytes[1] & 0x7F;
    message.data2 = needed == 2 ? raw.bytes[2] & 0x7F : 0;
    message.sysExLength = 0;
    return true;
}

} // namespace kest::tolvane::plugin
