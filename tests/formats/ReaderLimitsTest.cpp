// SPDX-License-Identifier: GPL-3.0-or-later
// Where the readers draw their lines: the text files' size limits, far above
// the largest export, and NUL bytes; the longest sample a slot takes, decided
// from the header. (Wrong files through the import paths: FileActionsTest and
// the programs' WrongFilesCliTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <filesystem>
#include <sstream>

#include "RecordFields.h"
#include "TestEngine.h"
#include "TextImport.h"
#include "TextLimits.h"
#include "WaveImport.h"
#include "WrongFiles.h"

namespace kest::tolvane::formats {
namespace {

class ReaderLimits : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path); }
    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    bool readAs(TextKind kind) { return parseTextFile(path.string(), kind, reason).has_value(); }

    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tolvane_reader_limits_" + std::to_string(std::random_device{}()));
    std::string reason;
};

TEST_F(ReaderLimits, ATextFileOfTheLimitIsReadAndOneByteMoreIsNot)
{
    const std::string record = "@I:7 \"Limit test      \" 1 2 3 0 5 6 7 8 9 10 11 12 1 13\n";
    const std::string text = record + std::string(kToneTextLimit - record.size() - 1, '#') + "\n";
    write(text);
    EXPECT_TRUE(readAs(TextKind::Tone)) << reason;
    write(text + "\n");
    EXPECT_FALSE(readAs(TextKind::Tone));
    EXPECT_EQ(reason, "too large for a tone preset file (1 MB; at most 1 MB)");
}

TEST_F(ReaderLimits, ANulByteAnywhereMakesItNoTextFile)
{
    const std::string record = "@S:1 \"A sampler preset\" 1 2 3 4 5 6 7 8 9\n";
    // UTF-16 text, and a NUL far behind the first block read.
    for (const std::string& text : {std::string("\xFF\xFE@\0S\0:\0", 8), record + std::string(100000, ' ') + '\0'}) {
        write(text);
        EXPECT_FALSE(readAs(TextKind::Sampler));
        EXPECT_EQ(reason, "not a text file (it holds NUL bytes)");
    }
}

TEST_F(ReaderLimits, ASampleLongerThanASlotHoldsIsRefusedFromItsHeader)
{
    tolvane_test::makeSparseWave(path, kMaxSampleFrames, 1, 8);
    const WaveProbe longest = probeWaveFile(path.string());
    EXPECT_TRUE(longest.accepted) << longest.reason;
    EXPECT_EQ(longest.frames, kMaxSampleFrames);

    tolvane_test::makeSparseWave(path, kMaxSampleFrames + 1, 1, 8);
    const auto cost = tolvane_test::measureRead(
        [&] { EXPECT_FALSE(prepareWaveFile(path.string(), SampleSourceKind::Pcm, reason).has_value()); });
    EXPECT_EQ(reason, "too long for a sample slot (16777217 frames; at most 16777216)");
    if (cost.bytesRead) {
        EXPECT_LT(*cost.bytesRead, tolvane_test::kReadAtMost);
    }
}

// Every field at its widest, every name 16 characters, 128-entry tables, and
// two characters for each line end.
TEST(TextLimits, EachLimitLeavesAGenerousMarginAboveTheLargestExport)
{
    auto engine = test::makeEngine();
    engine->setTableSize(128);
    const auto widest = [](auto& record, const auto& fields) {
        for (const auto& field : fields)
            record.*field.member = field.mask;
        std::fill_n(record.presetName, synth::kPresetNameLength, '~');
    };
    for (int t = 0; t < synth::kToneCount; ++t)
        widest(engine->tone(t), synth::kToneFields);
    for (int s = 0; s < synth::kSamplerPresetCount; ++s)
        widest(engine->samplerPreset(s), synth::kSamplerFields);
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        auto& slot = engine->sampleData(s);
        slot.playBackStartPoint = slot.playBackEndPoint = slot.loopEndPoint = INT32_MIN + 1; // 11 characters
        slot.loopLength = 1;
        slot.pitch = -FLT_MAX;
    }
    WaveTableBitDepths depths;
    depths.fill(8);
    for (TextKind kind : {TextKind::Tone, TextKind::Sampler, TextKind::SampleData, TextKind::WaveTable}) {
        std::ostringstream out;
        writeText(out, kind, *engine, depths);
        const std::string text = out.str();
        const auto size = text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        EXPECT_GE(maxTextFileSize(kind), 32 * size) << textKindName(kind);
    }
}

} // namespace
} // namespace kest::tolvane::formats
