// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysExText.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "EngineRecords.h"
#include "ExpressionSysEx.h"
#include "RecordFields.h"
#include "TextFile.h"

namespace kest::tolvane::formats {

namespace {

constexpr const char* kLayoutHeader = "# F0 7D 10 20 aa bb cc datas... F7\n"
                                      "# SysExStatus, MnufactureID(Universal), DeviceID, ModelID, "
                                      "DataOffsetAdress[abc], Datas..., EOX\n";

void writeByte(std::ostream& out, int value)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out << ' ' << kHex[(value >> 4) & 0xF] << kHex[value & 0xF];
}

// A 14-bit field as two data bytes, low 7 bits first.
void writeWide(std::ostream& out, int value)
{
    writeByte(out, value & 0x7F);
    writeByte(out, (value >> 7) & 0x7F);
}

// Every field of the record from the first after the name: narrow fields as
// one masked byte, 14-bit fields as two.
template <typename Record> void writeFields(std::ostream& out, const Record& record)
{
    writeByte(out, synth::kPresetNameLength);
    for (const auto& field : synth::fieldsOf<Record>()) {
        const int value = record.*field.member;
        if (field.wide())
            writeWide(out, value);
        else
            writeByte(out, value & field.mask);
    }
}

void writeBytes(std::ostream& out, const std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        writeByte(out, bytes[i]);
}

// After the tone records, for the tones with an expression: the tick rate,
// then each tone's settings record and the values of its sequences that have
// steps. Nothing at all when no tone has one.
void writeExpressionSysEx(std::ostream& out, const synth::SynthesizerWT& engine)
{
    bool first = true;
    for (int i = 0; i < synth::kToneCount; ++i) {
        synth::ToneExpression expression = engine.toneExpression(i);
        synth::normaliseExpression(expression);
        if (expression.isNeutral())
            continue;
        if (first) {
            out << "# aa[00(System)] bb[00] cc[02(tickRate low 7 bits, high 7 bits)], aa[0a(Instrument)] "
                   "[0b(Percussion)](expression settings), aa[10-13(Instrument)] [14-17(Percussion)](sequence "
                   "values: vol, arp, pitch, wave)\n";
            out << "F0 7D 10 20 00 00 02";
            writeWide(out, engine.getTickRate());
            out << " F7\n";
            first = false;
        }
        const bool percussion = i >= synth::kPercussionToneBase;
        out << "F0 7D 10 20";
        writeByte(out, synth::expressionSettingsBlock(percussion));
        writeByte(out, i & 0x7F);
        out << " 00";
        const synth::ExpressionSettingsImage settings = synth::encodeExpressionSettings(expression);
        writeBytes(out, settings.data(), settings.size());
        out << " F7\n";
        for (int k = 0; k < synth::kSequenceKindCount; ++k) {
            const auto kind = static_cast<synth::SequenceKind>(k);
            const synth::ToneSequence& sequence = expression.sequence(kind);
            if (sequence.isEmpty())
                continue;
            out << "F0 7D 10 20";
            writeByte(out, synth::sequenceValuesBlock(percussion, kind));
            writeByte(out, i & 0x7F);
            out << " 00";
            const synth::SequenceValuesImage values = synth::encodeSequenceValues(sequence);
            writeBytes(out, values.data(), 2 * std::size_t{sequence.length});
            out << " F7\n";
        }
    }
}

} // namespace

void writeToneSysEx(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << kLayoutHeader
        << "# aa[04(Instrument)] [05(Percussion)], bb[00-7f(Inst:program)(Perc:key Number)], cc[offset address]\n#";
    for (const auto& field : synth::kToneFields)
        out << (&field == &synth::kToneFields.front() ? " " : ", ") << field.name;
    out << '\n';
    for (int i = 0; i < synth::kToneCount; ++i) {
        out << "F0 7D 10 20" << (i < synth::kPercussionToneBase ? " 04" : " 05");
        writeByte(out, i & 0x7F);
        writeFields(out, toneOf(engine, i));
        out << " F7\n";
    }
    writeExpressionSysEx(out, engine);
}

void writeSamplerSysEx(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << kLayoutHeader;
    for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
        out << "F0 7D 10 20 06";
        writeByte(out, i);
        writeFields(out, samplerPresetOf(engine, i));
        out << " F7\n";
    }
}

void writeWaveTableSysEx(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << kLayoutHeader << "# aa[08(waveTable)], bb[00-7f(table ID)], cc[00-7f(offset address)]\n";
    const int size = std::clamp(engine.tableSize, 0, synth::kWaveTableMaxSize);
    std::array<std::uint8_t, synth::kWaveTableMaxSize> values{};
    for (int i = 0; i < synth::kWaveTableCount; ++i) {
        engine.exportWaveBytes(i, values.data(), size, 7);
        out << "F0 7D 10 20 08";
        writeByte(out, i);
        out << " 00";
        for (int e = 0; e < size; ++e)
            writeByte(out, values[static_cast<std::size_t>(e)] & 0x7F);
        out << " F7\n";
    }
}

void writeSysExText(std::ostream& out, TextKind kind, const synth::SynthesizerWT& engine)
{
    switch (kind) {
    case TextKind::Tone: writeToneSysEx(out, engine); break;
    case TextKind::Sampler: writeSamplerSysEx(out, engine); break;
    case TextKind::WaveTable: writeWaveTableSysEx(out, engine); break;
    case TextKind::SampleData: break;
    }
}

bool exportSysExTextFile(const std::string& path, TextKind kind, const synth::SynthesizerWT& engine)
{
    return writeTextFile(path, [&](std::ostream& out) { writeSysExText(out, kind, engine); });
}

} // namespace kest::tolvane::formats
