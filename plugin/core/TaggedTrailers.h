// SPDX-License-Identifier: GPL-3.0-or-later
// Tagged trailers: what the state gained after the sample trailer, each as a
// 4-byte tag, the body's length (u32, little-endian) and the body. Older
// readers stop after the sample trailer and never see them; a reader takes
// the trailers it knows and steps over the others, so each can be added to,
// or left out of, a state on its own.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "ByteStream.h"

namespace kest::tolvane::plugin::state {

using TrailerTag = std::array<char, 4>;

void writeTaggedTrailer(ByteWriter& out, const TrailerTag& tag, const std::vector<std::uint8_t>& body);

// Reads trailers until the stream ends, handing each body of at most
// `maxBodySize` bytes to onTrailer (a longer one is stepped over unread). A
// trailer cut short ends the reading; what was handed over stays valid.
void readTaggedTrailers(
    ByteReader& in, std::uint32_t maxBodySize,
    const std::function<void(const TrailerTag& tag, const std::vector<std::uint8_t>& body)>& onTrailer);

} // namespace kest::tolvane::plugin::state
