// SPDX-License-Identifier: GPL-3.0-or-later
// System Exclusive reception: F0 <manufacturer> <device> <model> <block> <record>
// <offset> data... F7 writes data bytes into consecutive fields of one record.
#include <algorithm>

#include "ExpressionSysEx.h"
#include "RecordFields.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

enum SysExBlock : int {
    kBlockSystem = 0x00,
    kBlockPart = 0x02,
    kBlockInstrumentTone = 0x04,
    kBlockPercussionTone = 0x05,
    kBlockSamplerPreset = 0x06,
    kBlockWaveTable = 0x08,
    kBlockInstrumentExpression = expressionSettingsBlock(false),
    kBlockPercussionExpression = expressionSettingsBlock(true),
    kBlockInstrumentSequences = sequenceValuesBlock(false, SequenceKind::Volume),
    kBlockPercussionSequences = sequenceValuesBlock(true, SequenceKind::Volume),
};

// Three id bytes, block, record and offset precede the data; F7 ends the message.
constexpr int kHeaderLength = 6;
constexpr int kMinimumLength = 8;

// Master volume, master tune, and the tick rate as two 7-bit halves.
constexpr int kSystemFieldCount = 4;
constexpr int kPartFieldCount = 2;

// 14-bit fields arrive as two 7-bit halves; each half replaces only its own bits.
int withLow7(int field, int byte) { return (field & 0x3F80) | byte; }
int withHigh7(int field, int byte) { return (field & 0x7F) | (byte << 7); }

int toneIndexIn(bool percussion, int record) { return percussion ? kPercussionToneBase + record : record; }

// Names stay printable so that every reader of the record can show it.
char nameCharacter(int byte) { return (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : ' '; }

// Field numbers 0..15 are the name's characters, the rest the rows of the
// record's field table at their offsets.
template <typename Record> void writeRecordField(Record& record, int fieldNumber, int byte)
{
    if (fieldNumber < kPresetNameLength) {
        record.presetName[fieldNumber] = nameCharacter(byte);
        return;
    }
    for (const auto& field : fieldsOf<Record>()) {
        int& value = record.*field.member;
        if (fieldNumber == field.offset) {
            value = field.wide() ? withLow7(value, byte) : byte & field.mask;
            return;
        }
        if (field.wide() && fieldNumber == field.offset + 1) {
            value = withHigh7(value, byte);
            return;
        }
    }
}

} // namespace

void SynthesizerWT::handleSysEx(const MidiEvent& event)
{
    const int length = std::min(event.sysExLength, kMaxSysExLength);
    if (length < kMinimumLength)
        return;
    const std::uint8_t* bytes = event.sysExData;
    if (bytes[0] != sysExManufacturerId || bytes[1] != sysExDeviceId || bytes[2] != sysExModelId)
        return;

    const int block = bytes[3];
    const int record = bytes[4];
    const int firstField = bytes[5];
    const std::uint8_t* data = bytes + kHeaderLength;
    const int dataCount = length - kHeaderLength - 1; // the last byte is the closing F7

    // A record is addressed by a 7-bit data byte; anything larger names no record.
    const bool recordIs7Bit = record < 128;

    // Every field index is checked against its block before the write, so a long
    // message stops at the end of the record.
    auto forEachField = [&](int fieldCount, auto write) {
        for (int i = 0; i < dataCount; ++i) {
            const int field = firstField + i;
            if (field >= fieldCount)
                return;
            write(field, data[i] & 0x7F);
        }
    };

    switch (block) {
    case kBlockSystem: {
        if (record != 0)
            return;
        // The tick rate's halves are joined before the rate is held to its range.
        int tickRate = tickRate_;
        forEachField(kSystemFieldCount, [this, &tickRate](int field, int byte) {
            if (field == 0)
                setMasterVolume(volumeTableEntry(byte));
            else if (field == 1)
                setMasterTune(static_cast<float>(byte - 64) * 0.5f + 440.0f);
            else
                tickRate = field == 2 ? withLow7(tickRate, byte) : withHigh7(tickRate, byte);
        });
        setTickRate(tickRate);
        break;
    }
    case kBlockPart: {
        const int partIndex = record & 0x0F;
        forEachField(kPartFieldCount, [this, partIndex](int field, int byte) {
            if (field == 0)
                setDefaultMode(partIndex, byte);
            else
                setMode(partIndex, byte);
        });
        break;
    }
    case kBlockInstrumentTone:
    case kBlockPercussionTone: {
        if (!recordIs7Bit)
            return;
        TonePreset& target = tone(block == kBlockPercussionTone ? kPercussionToneBase + record : record);
        forEachField(recordByteCount<TonePreset>(),
                     [&target](int field, int byte) { writeRecordField(target, field, byte); });
        break;
    }
    case kBlockSamplerPreset: {
        if (!recordIs7Bit)
            return;
        SamplerPreset& target = samplerPreset(record);
        forEachField(recordByteCount<SamplerPreset>(),
                     [&target](int field, int byte) { writeRecordField(target, field, byte); });
        break;
    }
    case kBlockWaveTable: {
        if (!recordIs7Bit)
            return;
        std::int32_t* entries = waveTable(record);
        // Wave data bytes are 7-bit values on the 8-bit scale.
        forEachField(kWaveTableMaxSize,
                     [this, entries](int entry, int byte) { entries[entry] = waveValueLog(2 * byte); });
        break;
    }
    case kBlockInstrumentExpression:
    case kBlockPercussionExpression: {
        if (!recordIs7Bit)
            return;
        ToneExpression& target = toneExpression(toneIndexIn(block == kBlockPercussionExpression, record));
        ExpressionSettingsImage image = encodeExpressionSettings(target);
        forEachField(kExpressionSettingsBytes,
                     [&image](int field, int byte) { image[static_cast<std::size_t>(field)] = byte; });
        decodeExpressionSettings(image, target);
        break;
    }
    default: {
        const int firstKind = block - kBlockInstrumentSequences;
        if (!recordIs7Bit || firstKind < 0 || firstKind >= 2 * kSequenceKindCount)
            return;
        const bool percussion = firstKind >= kSequenceKindCount;
        const auto kind = static_cast<SequenceKind>(firstKind % kSequenceKindCount);
        ToneSequence& target = toneExpression(toneIndexIn(percussion, record)).sequence(kind);
        SequenceValuesImage image = encodeSequenceValues(target);
        forEachField(kSequenceValueBytes,
                     [&image](int field, int byte) { image[static_cast<std::size_t>(field)] = byte; });
        decodeSequenceValues(image, target, kind);
        break;
    }
    }
}

} // namespace kest::tolvane::synth
