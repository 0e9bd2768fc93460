// SPDX-License-Identifier: GPL-3.0-or-later
// Records made of a record number, a quoted 16-character name and masked
// numeric fields: the tone and sampler preset formats share this shape, and
// take their columns, in order, with their masks from the record's field table.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "EngineRecords.h"
#include "NumberText.h"
#include "RecordFields.h"
#include "RecordScanner.h"

namespace kest::tolvane::formats {

// One parsed record, fields already reduced by their masks, in table order.
template <typename Preset> struct NamedRecord {
    int index = 0;
    std::array<char, synth::kPresetNameLength> name{};
    std::array<int, synth::fieldsOf<Preset>().size()> fields{};
};

// "tag:number", the quoted name, then one number per field.
template <typename Preset> std::string namedRecordPattern(std::string_view tag)
{
    return "^[ \\t]*" + std::string(tag) + "[0-9]+[, \\t\\n\\r]+\"[ -~]{16}\"([, \\t\\n\\r]+[0-9]+){" +
           std::to_string(synth::fieldsOf<Preset>().size()) + "}";
}
inline constexpr const char* kNamedRecordTokenPattern = R"([0-9]+|"[ -~]{16}")";

// Builds a record from its tokens (number, quoted name, fields); nothing when a
// token is missing or malformed, or the number is not below recordCount.
template <typename Preset>
std::optional<NamedRecord<Preset>> namedRecordOf(std::span<const std::string_view> tokens, int recordCount)
{
    const auto fields = synth::fieldsOf<Preset>();
    if (tokens.size() < 2 + fields.size() || tokens[1].size() != synth::kPresetNameLength + 2)
        return std::nullopt;
    const auto index = parseInt32(tokens[0]);
    if (!index || *index >= recordCount)
        return std::nullopt;
    NamedRecord<Preset> record;
    record.index = *index;
    std::copy_n(tokens[1].begin() + 1, synth::kPresetNameLength, record.name.begin());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto value = parseInt32(tokens[2 + i]);
        if (!value)
            return std::nullopt;
        record.fields[i] = *value & fields[i].mask;
    }
    return record;
}

// Every valid record in file order (later ones overwrite earlier ones on apply).
template <typename Preset>
std::vector<NamedRecord<Preset>> parseNamedRecords(std::string_view text, const RecordSyntax& syntax, int recordCount)
{
    std::vector<NamedRecord<Preset>> records;
    scanRecords(text, syntax, [&](std::span<const std::string_view> tokens) {
        if (auto record = namedRecordOf<Preset>(tokens, recordCount))
            records.push_back(*record);
    });
    return records;
}

template <typename Preset> void applyNamedRecord(Preset& preset, const NamedRecord<Preset>& record)
{
    std::copy(record.name.begin(), record.name.end(), preset.presetName);
    const auto fields = synth::fieldsOf<Preset>();
    for (std::size_t i = 0; i < fields.size(); ++i)
        preset.*fields[i].member = record.fields[i];
}

// The header line (headerStart, then the field names) and one line per record.
template <typename Preset, typename PresetAt>
void writeNamedRecords(std::ostream& out, std::string_view headerStart, std::string_view tag, int recordCount,
                       PresetAt presetAt)
{
    out << headerStart << "presetName(16 ASCII Chars)";
    for (const auto& field : synth::fieldsOf<Preset>())
        out << ", " << field.name;
    out << '\n';
    for (int n = 0; n < recordCount; ++n) {
        const Preset& preset = presetAt(n);
        out << tag << n << " \"" << presetNameOf(preset.presetName) << '"';
        for (const auto& field : synth::fieldsOf<Preset>())
            out << ' ' << preset.*field.member;
        out << '\n';
    }
}

} // namespace kest::tolvane::formats
