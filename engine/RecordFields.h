// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric fields of the tone and sampler preset records, each described
// once. The defaults, the SysEx reception and export, the text formats, the
// saved state and the edit values all walk these tables; adding a field to a
// record means adding its member and one row here (and, as the SysEx and state
// records grow, a new state version in plugin/core/StateLayout.h).
//
// Both records start with their 16-character name at byte 0; the fields
// follow in row order, which is also their column order in the text formats.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "Records.h"

namespace kest::tolvane::synth {

template <typename Record> struct RecordField {
    const char* name; // column name in the text formats' headers
    int Record::*member;
    int mask; // every reader keeps value & mask, so the range is 0..mask
    int defaultValue;
    int offset;    // SysEx field number, and byte offset in the saved state's record
    int valueItem; // item number on the record's edit page (0: the record has no value for it)

    // A 14-bit field takes two bytes: two 7-bit halves (low first) in SysEx,
    // a little-endian 16-bit number in the saved state.
    constexpr bool wide() const { return mask > 0x7F; }
    constexpr int width() const { return wide() ? 2 : 1; }
};

using ToneField = RecordField<TonePreset>;
using SamplerField = RecordField<SamplerPreset>;

// clang-format off
inline constexpr std::array kToneFields{
    //         name       member                   mask    default offset item
    ToneField{"key",     &TonePreset::key,        0x7F,   64,     16,   0x04},  // the note a percussion tone plays
    ToneField{"pan",     &TonePreset::pan,        0x7F,   64,     17,   0x05},
    ToneField{"lfoFreq", &TonePreset::lfoFreq,    0x3FFF, 2048,   18,   0x06},
    ToneField{"strc",    &TonePreset::strc,       0x3,    0,      20,   0x03},  // 0 plain, 1 LFO pitch, 2 LFO level, 3 noise
    ToneField{"tune",    &TonePreset::tune,       0x3FFF, 8192,   21,   0x08},  // 8192 in tune
    ToneField{"lms",     &TonePreset::lms,        0xF,    0,      23,   0x07},
    ToneField{"wave",    &TonePreset::wave,       0x7F,   0,      24,   0x09},
    ToneField{"tl",      &TonePreset::tl,         0x7F,   0,      25,   0x0A},
    ToneField{"ar",      &TonePreset::ar,         0x7F,   127,    26,   0x0B},
    ToneField{"dr",      &TonePreset::dr,         0x7F,   100,    27,   0x0C},
    ToneField{"sl",      &TonePreset::sl,         0x7F,   0,      28,   0x0D},
    ToneField{"rr",      &TonePreset::rr,         0x7F,   120,    29,   0x0E},
    ToneField{"kf",      &TonePreset::kf,         0x3,    0,      30,   0x0F},
    ToneField{"kfStart", &TonePreset::kfStart,    0x7F,   48,     31,   0x10},
};

inline constexpr std::array kSamplerFields{
    //            name       member                    mask    default offset item
    SamplerField{"smplNum", &SamplerPreset::smplNum,  0x7F,   0,      16,   0x03},
    SamplerField{"pan",     &SamplerPreset::pan,      0x7F,   64,     17,   0x04},
    SamplerField{"octv",    &SamplerPreset::octv,     0xF,    8,      18,   0x05},
    SamplerField{"tune",    &SamplerPreset::tune,     0x3FFF, 8192,   19,   0x06},
    SamplerField{"tl",      &SamplerPreset::tl,       0x7F,   0,      21,   0x07},
    SamplerField{"ar",      &SamplerPreset::ar,       0x7F,   127,    22,   0x08},
    SamplerField{"dr",      &SamplerPreset::dr,       0x7F,   0,      23,   0x09},
    SamplerField{"sl",      &SamplerPreset::sl,       0x7F,   127,    24,   0x0A},
    SamplerField{"rr",      &SamplerPreset::rr,       0x7F,   120,    25,   0x0B},
};
// clang-format on

// The fields of a record kind: fieldsOf<TonePreset>() is kToneFields.
template <typename Record> constexpr std::span<const RecordField<Record>> fieldsOf();
template <> constexpr std::span<const ToneField> fieldsOf<TonePreset>() { return kToneFields; }
template <> constexpr std::span<const SamplerField> fieldsOf<SamplerPreset>() { return kSamplerFields; }

// Bytes of a record in SysEx and in the saved state: the name, then every field.
template <typename Record> constexpr int recordByteCount()
{
    int end = kPresetNameLength;
    for (const auto& field : fieldsOf<Record>())
        end = field.offset + field.width();
    return end;
}

// The fields lie back to back after the name, in row order; every mask is a
// run of low bits that holds the default; no two rows share an edit item.
template <typename Record> constexpr bool fieldsAreWellFormed()
{
    const auto fields = fieldsOf<Record>();
    int next = kPresetNameLength;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto& field = fields[i];
        if (field.offset != next || (field.mask & (field.mask + 1)) != 0 ||
            field.defaultValue != (field.defaultValue & field.mask))
            return false;
        for (std::size_t j = 0; j < i; ++j)
            if (field.valueItem != 0 && fields[j].valueItem == field.valueItem)
                return false;
        next += field.width();
    }
    return true;
}
static_assert(fieldsAreWellFormed<TonePreset>() && fieldsAreWellFormed<SamplerPreset>());

// The row of one field, looked up at compile time (a member the table does
// not list is a compile error): fieldOf(&TonePreset::tune).valueItem.
template <typename Record> consteval RecordField<Record> fieldOf(int Record::*member)
{
    for (const auto& field : fieldsOf<Record>())
        if (field.member == member)
            return field;
    throw "the member has no row in the record's field table";
}

template <typename Record> consteval int defaultOf(int Record::*member) { return fieldOf(member).defaultValue; }

// Every field to its default and the name to 16 spaces.
template <typename Record> void setRecordDefaults(Record& record)
{
    for (int i = 0; i < kPresetNameLength; ++i)
        record.presetName[i] = ' ';
    record.presetName[kPresetNameLength] = '\0';
    for (const auto& field : fieldsOf<Record>())
        record.*field.member = field.defaultValue;
}

} // namespace kest::tolvane::synth
