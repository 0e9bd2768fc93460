// SPDX-License-Identifier: GPL-3.0-or-later
// The bypass switch as it travels after the engine's state stream: 8 bytes,
// "TVBY", 0 or 1, three zero bytes. Every plug-in format writes the same
// record, so a state saved in one loads in the other byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kest::tolvane::plugin {

inline constexpr std::size_t kBypassRecordSize = 8;

std::array<std::uint8_t, kBypassRecordSize> encodeBypassRecord(bool bypassed);
// The switch, when `bytes` (exactly the last 8 bytes of a state) are such a record.
std::optional<bool> decodeBypassRecord(std::span<const std::uint8_t> bytes);

} // namespace kest::tolvane::plugin
