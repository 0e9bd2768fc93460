// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaggedTrailers.h"

#include <algorithm>

#include "StateLayout.h"

namespace kest::tolvane::plugin::state {

namespace {
// Steps over `count` bytes in pieces, so a damaged length cannot make us allocate.
bool skip(ByteReader& in, std::uint32_t count)
{
    std::uint8_t piece[4096];
    while (count > 0) {
        const std::uint32_t n = std::min<std::uint32_t>(count, sizeof piece);
        if (!in.read(piece, n))
            return false;
        count -= n;
    }
    return true;
}
} // namespace

void writeTaggedTrailer(ByteWriter& out, const TrailerTag& tag, const std::vector<std::uint8_t>& body)
{
    std::uint8_t header[8];
    std::copy(tag.begin(), tag.end(), header);
    putU32(header + 4, static_cast<std::uint32_t>(body.size()));
    out.write(header, sizeof header);
    out.write(body.data(), body.size());
}

void readTaggedTrailers(
    ByteReader& in, std::uint32_t maxBodySize,
    const std::function<void(const TrailerTag& tag, const std::vector<std::uint8_t>& body)>& onTrailer)
{
    std::vector<std::uint8_t> body;
    for (;;) {
        std::uint8_t header[8];
        if (!in.read(header, sizeof header))
            return;
        const std::uint32_t size = getU32(header + 4);
        if (size > maxBodySize) {
            if (!skip(in, size))
                return;
            continue;
        }
        body.resize(size);
        if (!in.read(body.data(), size))
            return;
        TrailerTag tag;
        std::copy(header, header + 4, tag.begin());
        onTrailer(tag, body);
    }
}

} // namespace kest::tolvane::plugin::state
