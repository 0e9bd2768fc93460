// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "SysExText.h"
#include "TestEngine.h"

namespace kest::tolvane::formats {
namespace {

std::vector<std::string> lines(TextKind kind, const synth::SynthesizerWT& engine)
{
    std::ostringstream out;
    writeSysExText(out, kind, engine);
    std::vector<std::string> result;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::uint8_t> bytesOf(const std::string& line)
{
    std::vector<std::uint8_t> bytes;
    std::istringstream in(line);
    for (std::string hex; in >> hex;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex, nullptr, 16)));
    return bytes;
}

TEST(SysExText, ToneHeaderAndLines)
{
    auto engine = test::makeEngine();
    engine->tone(255).lfoFreq = 16383;
    const auto text = lines(TextKind::Tone, *engine);
    ASSERT_EQ(text.size(), 4u + 256u);
    EXPECT_EQ(text[0], "# F0 7D 10 20 aa bb cc datas... F7");
    EXPECT_EQ(text[1],
              "# SysExStatus, MnufactureID(Universal), DeviceID, ModelID, DataOffsetAdress[abc], Datas..., EOX");
    EXPECT_EQ(text[2], "# aa[04(Instrument)] [05(Percussion)], bb[00-7f(Inst:program)(Perc:key Number)], cc[offset "
                       "address]");
    EXPECT_EQ(text[3], "# key, pan, lfoFreq, strc, tune, lms, wave, tl, ar, dr, sl, rr, kf, kfStart");
    EXPECT_EQ(text[4], "F0 7D 10 20 04 00 10 40 40 00 10 00 00 40 00 00 00 7f 64 00 78 00 30 F7");
    EXPECT_EQ(text[4 + 128].substr(0, 20), "F0 7D 10 20 05 00 10");
    EXPECT_EQ(text[4 + 255], "F0 7D 10 20 05 7f 10 40 40 7f 7f 00 00 40 00 00 00 7f 64 00 78 00 30 F7");
}

TEST(SysExText, SamplerLines)
{
    auto engine = test::makeEngine();
    const auto text = lines(TextKind::Sampler, *engine);
    ASSERT_EQ(text.size(), 2u + 128u);
    EXPECT_EQ(text[2], "F0 7D 10 20 06 00 10 00 40 08 00 40 00 7f 00 7f 78 F7");
    EXPECT_EQ(text[2 + 127].substr(0, 20), "F0 7D 10 20 06 7f 10");
}

TEST(SysExText, WaveTableLinesFollowTheTableSize)
{
    auto engine = test::makeEngine();
    auto text = lines(TextKind::WaveTable, *engine);
    ASSERT_EQ(text.size(), 3u + 128u);
    EXPECT_EQ(text[2], "# aa[08(waveTable)], bb[00-7f(table ID)], cc[00-7f(offset address)]");
    EXPECT_EQ(text[3].substr(0, 32), "F0 7D 10 20 08 00 00 40 4c 58 63");
    EXPECT_EQ(bytesOf(text[3]).size(), 8u + 32u);
    for (int size : {8, 128}) {
        engine->setTableSize(size);
        text = lines(TextKind::WaveTable, *engine);
        EXPECT_EQ(bytesOf(text[3 + 127]).size(), 8u + static_cast<std::size_t>(size));
    }
    EXPECT_TRUE(lines(TextKind::SampleData, *engine).empty());
}

TEST(SysExText, EveryDataByteIsSevenBit)
{
    auto engine = test::makeEngine();
    for (int i = 0; i < synth::kToneCount; ++i) {
        synth::TonePreset& t = engine->tone(i);
        t.key = t.pan = t.wave = t.tl = t.ar = t.dr = t.sl = t.rr = t.kfStart = 0x7FFFFFFF;
        t.lfoFreq = t.tune = -1;
        t.strc = t.lms = t.kf = 255;
    }
    for (const std::string& line : lines(TextKind::Tone, *engine)) {
        if (line[0] == '#')
            continue;
        const auto bytes = bytesOf(line);
        ASSERT_EQ(bytes.size(), 24u);
        for (std::size_t i = 4; i + 1 < bytes.size(); ++i)
            ASSERT_LT(bytes[i], 0x80) << line;
    }
}

// A line of the file, sent to the engine, sets the same record.
TEST(SysExText, LinesSentToTheEngineSetTheSameRecords)
{
    auto source = test::makeEngine();
    synth::TonePreset& tone = source->tone(130);
    tone.key = 12;
    tone.pan = 100;
    tone.lfoFreq = 12345;
    tone.strc = 2;
    tone.tune = 9000;
    tone.lms = 9;
    tone.wave = 77;
    tone.kf = 3;
    source->samplerPreset(5).tune = 4097;
    source->samplerPreset(5).octv = 11;
    source->setTableSize(16);
    for (int i = 0; i < 16; ++i)
        source->waveTable(9)[i] = source->waveValueLog(i * 16);

    auto target = test::makeEngine();
    target->receiveSysEx = true;
    target->setTableSize(16);
    std::copy_n("name stays here", 16, target->tone(130).presetName);
    for (TextKind kind : {TextKind::Tone, TextKind::Sampler, TextKind::WaveTable})
        for (const std::string& line : lines(kind, *source))
            if (line[0] != '#') {
                // The engine takes the bytes after F0, up to and including F7.
                const auto bytes = bytesOf(line);
                target->systemExclusive(bytes.data() + 1, static_cast<int>(bytes.size()) - 1);
            }

    const synth::TonePreset& got = target->tone(130);
    EXPECT_EQ(std::string(got.presetName, 15), "name stays here");
    EXPECT_EQ(std::tie(got.key, got.pan, got.lfoFreq, got.strc, got.tune, got.lms, got.wave, got.kf),
              std::tie(tone.key, tone.pan, tone.lfoFreq, tone.strc, tone.tune, tone.lms, tone.wave, tone.kf));
    EXPECT_EQ(target->samplerPreset(5).tune, 4097);
    EXPECT_EQ(target->samplerPreset(5).octv, 11);
    std::array<std::uint8_t, 16> a{}, b{};
    source->exportWaveBytes(9, a.data(), 16, 7);
    target->exportWaveBytes(9, b.data(), 16, 7);
    EXPECT_EQ(a, b);
}

} // namespace
} // namespace kest::tolvane::formats
