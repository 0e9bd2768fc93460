// SPDX-License-Identifier: GPL-3.0-or-later
// Records made of a record number, a quoted 16-character name and masked
// numeric fields: the tone and sampler preset formats share this shape.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "NumberText.h"
#include "Records.h"

namespace kest::tolvane::formats {

// Builds a record from its tokens (number, quoted name, fields); nothing when a
// token is missing or malformed, or the number is not below recordCount.
template <typename Record, std::size_t FieldCount>
std::optional<Record> namedRecordOf(std::span<const std::string_view> tokens, int recordCount,
                                    const std::array<int, FieldCount>& masks)
{
    static_assert(std::tuple_size_v<decltype(Record::fields)> == FieldCount);
    if (tokens.size() < 2 + FieldCount || tokens[1].size() != synth::kPresetNameLength + 2)
        return std::nullopt;
    const auto index = parseInt32(tokens[0]);
    if (!index || *index >= recordCount)
        return std::nullopt;
    Record record;
    record.index = *index;
    std::copy_n(tokens[1].begin() + 1, synth::kPresetNameLength, record.name.begin());
    for (std::size_t i = 0; i < FieldCount; ++i) {
        const auto value = parseInt32(tokens[2 + i]);
        if (!value)
            return std::nullopt;
        record.fields[i] = *value & masks[i];
    }
    return record;
}

} // namespace kest::tolvane::formats
