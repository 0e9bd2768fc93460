// SPDX-License-Identifier: GPL-3.0-or-later
#include "BypassRecord.h"

#include <algorithm>

namespace kest::tolvane::plugin {

namespace {
constexpr std::uint8_t kMagic[4] = {'T', 'V', 'B', 'Y'};
}

std::array<std::uint8_t, kBypassRecordSize> encodeBypassRecord(bool bypassed)
{
    std::array<std::uint8_t, kBypassRecordSize> bytes{};
    std::copy(std::begin(kMagic), std::end(kMagic), bytes.begin());
    bytes[4] = bypassed ? 1 : 0;
    return bytes;
}

std::optional<bool> decodeBypassRecord(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != kBypassRecordSize || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin()) ||
        bytes[5] != 0 || bytes[6] != 0 || bytes[7] != 0 || bytes[4] > 1)
        return std::nullopt;
    return bytes[4] == 1;
}

} // namespace kest::tolvane::plugin
