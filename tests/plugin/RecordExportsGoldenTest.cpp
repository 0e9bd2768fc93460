// SPDX-License-Identifier: GPL-3.0-or-later
// Golden exports of the records: one deterministic record set with every field
// away from its default is saved as a state and written in every text and
// SysEx text format; the FNV-1a 64 hashes must match record-hashes.txt. The
// readers are pinned the same way: the exports read back into a fresh engine,
// and out-of-range input through each reader, must give the hashed results.
// A refactor of the record code that moves any hash has changed a format.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "CoreTestSupport.h"
#include "LogCode.h"
#include "SampleDataText.h"
#include "SamplerText.h"
#include "StateLayout.h"
#include "SysExText.h"
#include "ToneText.h"
#include "WaveTableText.h"

namespace kest::tolvane::plugin::testing {
namespace {

using formats::TextKind;

// A fixed sequence; every field takes values over its whole range.
class Numbers {
public:
    int next(int range)
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(range));
    }

private:
    std::uint64_t state_ = 0x746F6C76616E65ull;
};

std::string fnv1a(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string saveState(EngineContext& context)
{
    MemoryByteWriter writer;
    EXPECT_TRUE(context.writeState(writer));
    return {writer.bytes.begin(), writer.bytes.end()};
}

void setName(char* name, const char* prefix, int index)
{
    std::snprintf(name, synth::kPresetNameLength + 1, "%s%-*d", prefix,
                  synth::kPresetNameLength - static_cast<int>(std::strlen(prefix)), index);
}

// Every stored field of every record away from its default.
void fillRecords(EngineContext& context)
{
    Numbers n;
    auto& engine = *context.synth;
    engine.receiveSysEx = false;
    engine.setNrpnEnabled(true);
    engine.setMasterVolume(0.4375f);
    engine.setMasterTune(447.5f);
    context.applyPolyphony(96);
    for (int p = 0; p < synth::kPartCount; ++p) {
        auto& part = engine.part(p);
        part.output = n.next(16);
        part.defaultMode = n.next(4);
        part.mode = n.next(4);
        part.program = n.next(128);
        part.bendRange = n.next(128);
        part.pitchBend = n.next(16384);
        for (const int cc : {1, 7, 10, 11})
            part.cc[cc] = n.next(128);
    }
    for (int t = 0; t < synth::kToneCount; ++t) {
        auto& tone = engine.tone(t);
        setName(tone.presetName, "T~", t);
        tone.presetName[2] = static_cast<char>(0x20 + n.next(0x5F));
        tone.key = n.next(128);
        tone.pan = n.next(128);
        tone.lfoFreq = n.next(16384);
        tone.strc = n.next(4);
        tone.tune = n.next(16384);
        tone.lms = n.next(16);
        tone.wave = n.next(128);
        tone.tl = n.next(128);
        tone.ar = n.next(128);
        tone.dr = n.next(128);
        tone.sl = n.next(128);
        tone.rr = n.next(128);
        tone.kf = n.next(4);
        tone.kfStart = n.next(128);
    }
    for (int s = 0; s < synth::kSamplerPresetCount; ++s) {
        auto& preset = engine.samplerPreset(s);
        setName(preset.presetName, "S\"", s);
        preset.smplNum = n.next(128);
        preset.pan = n.next(128);
        preset.octv = n.next(16);
        preset.tune = n.next(16384);
        preset.tl = n.next(128);
        preset.ar = n.next(128);
        preset.dr = n.next(128);
        preset.sl = n.next(128);
        preset.rr = n.next(128);
    }
    context.waveTableSize = engine.setTableSize(64);
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        const int depth = 1 + n.next(8);
        context.waveTableBitDepth[static_cast<std::size_t>(t)] = depth;
        int values[synth::kWaveTableMaxSize];
        for (int& v : values)
            v = n.next(1 << depth);
        engine.importWaveValues(t, values, depth);
    }
    // Every fifth slot holds audio, mono or stereo, with its own points and pitch.
    for (int s = 0; s < synth::kSampleSlotCount; s += 5) {
        auto& slot = engine.sampleData(s);
        slot.channels = 1 + n.next(2);
        slot.frames = 50 + n.next(400);
        slot.data.resize(static_cast<std::size_t>(slot.frames * slot.channels));
        for (auto& code : slot.data)
            code = n.next(kLogCodeSilence + 2); // full scale .. silence and sign
        slot.hasData = true;
        slot.setSourceRate(8000.0f + static_cast<float>(n.next(40000)));
        slot.setPitch(55.0f + static_cast<float>(n.next(2000)) * 0.25f);
        slot.playBackStartPoint = n.next(20);
        slot.playBackEndPoint = slot.frames - n.next(20);
        slot.clearLoop();
        if (s % 2 == 0) {
            slot.loopEndPoint = slot.playBackEndPoint - n.next(10);
            slot.loopLength = 1 + n.next(slot.loopEndPoint - slot.playBackStartPoint - 1);
            slot.releaseLoopLength = slot.loopLength;
        }
        context.sampleSourcePath[static_cast<std::size_t>(s)] = "/golden/slot-" + std::to_string(s) + ".wav";
        context.sampleSourceKind[static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(n.next(3));
    }
}

// Every text export of the context's engine, by name.
std::map<std::string, std::string> textExports(EngineContext& context)
{
    const auto& engine = *context.synth;
    auto written = [](auto write) {
        std::ostringstream out;
        write(out);
        return out.str();
    };
    formats::WaveTableBitDepths depths{};
    std::copy(context.waveTableBitDepth.begin(), context.waveTableBitDepth.end(), depths.begin());
    return {
        {"tone-text", written([&](std::ostream& o) { formats::writeToneText(o, engine); })},
        {"sampler-text", written([&](std::ostream& o) { formats::writeSamplerText(o, engine); })},
        {"sample-data-text", written([&](std::ostream& o) { formats::writeSampleDataText(o, engine); })},
        {"wavetable-text", written([&](std::ostream& o) { formats::writeWaveTableText(o, engine, depths); })},
        {"tone-sysex", written([&](std::ostream& o) { formats::writeSysExText(o, TextKind::Tone, engine); })},
        {"sampler-sysex", written([&](std::ostream& o) { formats::writeSysExText(o, TextKind::Sampler, engine); })},
        {"wavetable-sysex", written([&](std::ostream& o) { formats::writeSysExText(o, TextKind::WaveTable, engine); })},
    };
}

// Sends every message line of a SysEx text export to the engine.
void receiveSysExText(synth::SynthesizerWT& engine, const std::string& text)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream hex(line);
        MidiEvent event;
        event.type = kSystemExclusive;
        std::string byte;
        hex >> byte; // F0
        while (hex >> byte && event.sysExLength < kMaxSysExLength)
            event.sysExData[event.sysExLength++] = static_cast<std::uint8_t>(std::stoi(byte, nullptr, 16));
        engine.handleSysEx(event);
    }
}

// A SysEx message that writes value into every field of a record from field 0 on.
void receiveFilledRecord(synth::SynthesizerWT& engine, int block, int record, int fieldCount, int value)
{
    MidiEvent event;
    event.type = kSystemExclusive;
    const int header[] = {0x7D, 0x10, 0x20, block, record, 0};
    for (const int b : header)
        event.sysExData[event.sysExLength++] = static_cast<std::uint8_t>(b);
    for (int i = 0; i < fieldCount; ++i)
        event.sysExData[event.sysExLength++] = static_cast<std::uint8_t>(value);
    event.sysExData[event.sysExLength++] = 0xF7;
    engine.handleSysEx(event);
}

std::map<std::string, std::string> goldenHashes()
{
    std::map<std::string, std::string> hashes;
    std::ifstream in(std::string(TOLVANE_GOLDEN_DIR) + "/record-hashes.txt");
    EXPECT_TRUE(in) << "record-hashes.txt missing";
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name, hash;
        fields >> name >> hash;
        hashes[name] = hash;
    }
    return hashes;
}

class RecordExportsGolden : public ::testing::Test {
protected:
    void expectHash(const std::string& name, const std::string& bytes)
    {
        const std::string actual = fnv1a(bytes);
        actualLines_ << name << ' ' << actual << '\n';
        EXPECT_EQ(actual, golden_[name]) << name;
    }

    void TearDown() override
    {
        if (HasFailure())
            std::printf("Hashes of this build:\n%s", actualLines_.str().c_str());
    }

    std::map<std::string, std::string> golden_ = goldenHashes();
    std::ostringstream actualLines_;
};

TEST_F(RecordExportsGolden, DefaultRecords)
{
    EngineContext context;
    expectHash("default-state", saveState(context));
    const auto exports = textExports(context);
    expectHash("default-tone-text", exports.at("tone-text"));
    expectHash("default-sampler-text", exports.at("sampler-text"));
    expectHash("default-tone-sysex", exports.at("tone-sysex"));
    expectHash("default-sampler-sysex", exports.at("sampler-sysex"));
}

TEST_F(RecordExportsGolden, StateAndEveryExportOfAFullRecordSet)
{
    EngineContext context;
    fillRecords(context);
    const std::string state = saveState(context);
    expectHash("state", state);
    for (const auto& [name, text] : textExports(context))
        expectHash(name, text);

    // The state reads back to the same bytes, the audio from the stored copies.
    EngineContext restored;
    MemoryByteReader reader(reinterpret_cast<const std::uint8_t*>(state.data()), state.size());
    ASSERT_TRUE(restored.readState(reader));
    EXPECT_EQ(saveState(restored), state);
}

TEST_F(RecordExportsGolden, TextAndSysExExportsReadBackIntoAFreshEngine)
{
    EngineContext context;
    fillRecords(context);
    const auto exports = textExports(context);

    EngineContext fromText;
    formats::applyToneRecords(*fromText.synth, formats::parseToneText(exports.at("tone-text")));
    formats::applySamplerRecords(*fromText.synth, formats::parseSamplerText(exports.at("sampler-text")));
    EXPECT_EQ(textExports(fromText).at("tone-text"), exports.at("tone-text"));
    EXPECT_EQ(textExports(fromText).at("sampler-text"), exports.at("sampler-text"));

    // SysEx carries no names and 7-bit bytes, so its round trip is hashed.
    EngineContext fromSysEx;
    receiveSysExText(*fromSysEx.synth, exports.at("tone-sysex"));
    receiveSysExText(*fromSysEx.synth, exports.at("sampler-sysex"));
    const auto received = textExports(fromSysEx);
    expectHash("sysex-received-tone-text", received.at("tone-text"));
    expectHash("sysex-received-sampler-text", received.at("sampler-text"));
}

TEST_F(RecordExportsGolden, OutOfRangeInputIsReducedTheSameWayByEveryReader)
{
    // Text: every number far above its field's range.
    std::string toneText, samplerText;
    for (int t = 0; t < synth::kToneCount; t += 3) {
        toneText += "@I:" + std::to_string(t) + " \"0123456789abcdef\"";
        for (int f = 0; f < formats::kToneFieldCount; ++f)
            toneText += ' ' + std::to_string(65535 - 97 * t - 13 * f);
        toneText += '\n';
    }
    for (int s = 0; s < synth::kSamplerPresetCount; s += 3) {
        samplerText += "@S:" + std::to_string(s) + " \"fedcba9876543210\"";
        for (int f = 0; f < formats::kSamplerFieldCount; ++f)
            samplerText += ' ' + std::to_string(65535 - 89 * s - 11 * f);
        samplerText += '\n';
    }
    EngineContext fromText;
    formats::applyToneRecords(*fromText.synth, formats::parseToneText(toneText));
    formats::applySamplerRecords(*fromText.synth, formats::parseSamplerText(samplerText));
    expectHash("masked-text-state", saveState(fromText));

    // SysEx: all-ones data bytes over whole records, and past their ends.
    EngineContext fromSysEx;
    for (int r = 0; r < 128; r += 7) {
        receiveFilledRecord(*fromSysEx.synth, 0x04, r, 40, 0x7F);
        receiveFilledRecord(*fromSysEx.synth, 0x05, r, 32, 0x55);
        receiveFilledRecord(*fromSysEx.synth, 0x06, r, 30, 0x7F - r);
    }
    expectHash("masked-sysex-state", saveState(fromSysEx));

    // State: every byte of the part, tone and sampler records 0xFF.
    EngineContext source;
    std::string bytes = saveState(source);
    std::fill(bytes.begin() + state::kPartsOffset, bytes.begin() + state::kWaveTablesOffset, '\xFF');
    EngineContext fromState;
    MemoryByteReader reader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(fromState.readState(reader, false));
    expectHash("masked-state", saveState(fromState));
}

} // namespace
} // namespace kest::tolvane::plugin::testing
