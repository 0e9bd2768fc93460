// SPDX-License-Identifier: GPL-3.0-or-later
// Builds .vstpreset containers byte by byte, so the renderer's reader can be
// fed well-formed files and every way of breaking one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane_test {

inline void appendLittle(std::vector<std::uint8_t>& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Header, the component state, then a chunk list with one 'Comp' entry.
inline std::vector<std::uint8_t> presetFileBytes(std::string_view classId, const std::vector<std::uint8_t>& component)
{
    std::vector<std::uint8_t> out{'V', 'S', 'T', '3'};
    appendLittle(out, 1, 4);
    out.insert(out.end(), classId.begin(), classId.end());
    const std::uint64_t componentAt = out.size() + 8;
    appendLittle(out, componentAt + component.size(), 8);
    out.insert(out.end(), component.begin(), component.end());
    out.insert(out.end(), {'L', 'i', 's', 't'});
    appendLittle(out, 1, 4);
    out.insert(out.end(), {'C', 'o', 'm', 'p'});
    appendLittle(out, componentAt, 8);
    appendLittle(out, component.size(), 8);
    return out;
}

} // namespace tolvane_test
