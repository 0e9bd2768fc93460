// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateRecords.h"

#include <algorithm>

#include "RecordFields.h"

namespace kest::tolvane::plugin::state {

namespace {

std::uint8_t low8(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

void encodeName(const char* name, std::uint8_t* out)
{
    for (int i = 0; i < synth::kPresetNameLength; ++i)
        out[i] = static_cast<std::uint8_t>(name[i]);
}

// Non-printable bytes become spaces so the name still fits the text formats.
void decodeName(const std::uint8_t* in, char* name)
{
    for (int i = 0; i < synth::kPresetNameLength; ++i) {
        const std::uint8_t c = in[i];
        name[i] = (c >= 0x20 && c <= 0x7E) ? static_cast<char>(c) : ' ';
    }
    name[synth::kPresetNameLength] = '\0';
}

// The name, then each row of the record's field table at its offset: one byte
// (the low 8 bits) or, for a 14-bit field, a 16-bit number.
template <typename Record> void encodeFields(const Record& record, std::uint8_t* out)
{
    encodeName(record.presetName, out);
    for (const auto& field : synth::fieldsOf<Record>()) {
        const int value = record.*field.member;
        if (field.wide())
            putU16(out + field.offset, value);
        else
            out[field.offset] = low8(value);
    }
}

template <typename Record> void decodeFields(const std::uint8_t* in, Record& record)
{
    decodeName(in, record.presetName);
    for (const auto& field : synth::fieldsOf<Record>())
        record.*field.member = (field.wide() ? getU16(in + field.offset) : in[field.offset]) & field.mask;
}

} // namespace

void encodePart(const synth::PartState& part, std::uint8_t* out)
{
    out[0] = low8(part.output);
    out[1] = low8(part.defaultMode);
    out[2] = low8(part.mode);
    out[3] = low8(part.program);
    out[4] = low8(part.bendRange);
    putU16(out + 5, part.pitchBend);
    out[7] = low8(part.cc[1]);
    out[8] = low8(part.cc[7]);
    out[9] = low8(part.cc[10]);
    out[10] = low8(part.cc[11]);
}

void decodePart(const std::uint8_t* in, int maxMode, synth::PartState& part)
{
    part.output = in[0] & 0x0F;
    part.defaultMode = std::min<int>(in[1], maxMode);
    part.mode = std::min<int>(in[2], maxMode);
    part.program = in[3] & 0x7F;
    part.bendRange = in[4] & 0x7F;
    part.pitchBend = getU16(in + 5) & 0x3FFF;
    part.cc[1] = in[7] & 0x7F;
    part.cc[7] = in[8] & 0x7F;
    part.cc[10] = in[9] & 0x7F;
    part.cc[11] = in[10] & 0x7F;
}

void encodeTone(const synth::TonePreset& tone, std::uint8_t* out) { encodeFields(tone, out); }
void decodeTone(const std::uint8_t* in, synth::TonePreset& tone) { decodeFields(in, tone); }

void encodeSampler(const synth::SamplerPreset& preset, std::uint8_t* out) { encodeFields(preset, out); }
void decodeSampler(const std::uint8_t* in, synth::SamplerPreset& preset) { decodeFields(in, preset); }

} // namespace kest::tolvane::plugin::state
