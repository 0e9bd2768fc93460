// SPDX-License-Identifier: GPL-3.0-or-later
// System Exclusive reception: F0 <manufacturer> <device> <model> <block> <record>
// <offset> data... F7 writes data bytes into consecutive fields of one record.
#include <algorithm>

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
};

// Three id bytes, block, record and offset precede the data; F7 ends the message.
constexpr int kHeaderLength = 6;
constexpr int kMinimumLength = 8;

constexpr int kSystemFieldCount = 2;
constexpr int kPartFieldCount = 2;
constexpr int kToneFieldCount = 32;
constexpr int kSamplerFieldCount = 26;

// 14-bit fields arrive as two 7-bit halves; each half replaces only its own bits.
int withLow7(int field, int byte) { return (field & 0x3F80) | byte; }
int withHigh7(int field, int byte) { return (field & 0x7F) | (byte << 7); }

// Names stay printable so that every reader of the record can show it.
char nameCharacter(int byte) { return (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : ' '; }

void writeToneField(TonePreset& tone, int field, int byte)
{
    if (field < kPresetNameLength) {
        tone.presetName[field] = nameCharacter(byte);
        return;
    }
    switch (field) {
    case 16: tone.key = byte; break;
    case 17: tone.pan = byte; break;
    case 18: tone.lfoFreq = withLow7(tone.lfoFreq, byte); break;
    case 19: tone.lfoFreq = withHigh7(tone.lfoFreq, byte); break;
    case 20: tone.strc = byte & 3; break;
    case 21: tone.tune = withLow7(tone.tune, byte); break;
    case 22: tone.tune = withHigh7(tone.tune, byte); break;
    case 23: tone.lms = byte & 15; break;
    case 24: tone.wave = byte; break;
    case 25: tone.tl = byte; break;
    case 26: tone.ar = byte; break;
    case 27: tone.dr = byte; break;
    case 28: tone.sl = byte; break;
    case 29: tone.rr = byte; break;
    case 30: tone.kf = byte & 3; break;
    case 31: tone.kfStart = byte; break;
    default: break;
    }
}

void writeSamplerField(SamplerPreset& preset, int field, int byte)
{
    if (field < kPresetNameLength) {
        preset.presetName[field] = nameCharacter(byte);
        return;
    }
    switch (field) {
    case 16: preset.smplNum = byte; break;
    case 17: preset.pan = byte; break;
    case 18: preset.octv = byte & 15; break;
    case 19: preset.tune = withLow7(preset.tune, byte); break;
    case 20: preset.tune = withHigh7(preset.tune, byte); break;
    case 21: preset.tl = byte; break;
    case 22: preset.ar = byte; break;
    case 23: preset.dr = byte; break;
    case 24: preset.sl = byte; break;
    case 25: preset.rr = byte; break;
    default: break;
    }
}

} // namespace

void SynthesizerWT::handleSysEx(const MidiEvent& event)
{
    const int length = std::min(event.sysExLength, kMaxSysExLength);
    if (length < kMinimumLength) return;
    const std::uint8_t* bytes = event.sysExData;
    if (bytes[0] != sysExManufacturerId || bytes[1] != sysExDeviceId || bytes[2] != sysExModelId) return;

    const int block = bytes[3];
    const int record = bytes[4];
    const int firstField = bytes[5];
    const std::uint8_t* data = bytes + kHeaderLength;
    const int dataCount = length - kHeaderLength - 1;  // the last byte is the closing F7

    // A record is addressed by a 7-bit data byte; anything larger names no record.
    const bool recordIs7Bit = record < 128;

    // Every field index is checked against its block before the write, so a long
    // message stops at the end of the record.
    auto forEachField = [&](int fieldCount, auto write) {
        for (int i = 0; i < dataCount; ++i) {
            const int field = firstField + i;
            if (field >= fieldCount) return;
            write(field, data[i] & 0x7F);
        }
    };

    switch (block) {
    case kBlockSystem:
        if (record != 0) return;
        forEachField(kSystemFieldCount, [this](int field, int byte) {
            if (field == 0) setMasterVolume(volumeTableEntry(byte));
            else setMasterTune(static_cast<float>(byte - 64) * 0.5f + 440.0f);
        });
        break;
    case kBlockPart: {
        const int partIndex = record & 0x0F;
        forEachField(kPartFieldCount, [this, partIndex](int field, int byte) {
            if (field == 0) setDefaultMode(partIndex, byte);
            else setMode(partIndex, byte);
        });
        break;
    }
    case kBlockInstrumentTone:
    case kBlockPercussionTone: {
        if (!recordIs7Bit) return;
        TonePreset& target = tone(block == kBlockPercussionTone ? kPercussionToneBase + record : record);
        forEachField(kToneFieldCount, [&target](int field, int byte) { writeToneField(target, field, byte); });
        break;
    }
    case kBlockSamplerPreset: {
        if (!recordIs7Bit) return;
        SamplerPreset& target = samplerPreset(record);
        forEachField(kSamplerFieldCount, [&target](int field, int byte) { writeSamplerField(target, field, byte); });
        break;
    }
    case kBlockWaveTable: {
        if (!recordIs7Bit) return;
        std::int32_t* entries = waveTable(record);
        // Wave data bytes are 7-bit values on the 8-bit scale.
        forEachField(kWaveTableMaxSize, [this, entries](int entry, int byte) { entries[entry] = waveValueLog(2 * byte); });
        break;
    }
    default:
        break;
    }
}

} // namespace kest::tolvane::synth
