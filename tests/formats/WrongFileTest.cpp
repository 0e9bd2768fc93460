// SPDX-License-Identifier: GPL-3.0-or-later
// A wrong file where a sound-data file belongs is refused from its size and
// first bytes, quickly and without being read; the limits sit far above the
// largest file of each kind the product writes.
#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "RecordFields.h"
#include "TestEngine.h"
#include "TextImport.h"
#include "TextLimits.h"
#include "WaveBuilder.h"
#include "WaveImport.h"
#include "WrongFiles.h"

namespace kest::tolvane::formats {
namespace {

using test::WaveBuilder;
constexpr TextKind kTextKinds[] = {TextKind::Tone, TextKind::Sampler, TextKind::SampleData, TextKind::WaveTable};

class WrongFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::filesystem::create_directories(folder());
        tolvane_test::makeSparseFile(diskImage(), tolvane_test::kDiskImageSize);
        tolvane_test::makeRandomFile(randomFile(), tolvane_test::kRandomFileSize);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder()); }

    // One per process: CTest runs the tests of this suite side by side.
    static std::filesystem::path folder()
    {
        static const std::filesystem::path path =
            std::filesystem::temp_directory_path() /
            ("tolvane_formats_wrong_files_" + std::to_string(std::random_device{}()));
        return path;
    }
    static std::string diskImage() { return (folder() / "disk.img").string(); }
    static std::string randomFile() { return (folder() / "movie.mp4").string(); }

    // Runs a reader that must refuse its file, and checks it did so at once
    // without reading the file; returns the reason it gave.
    template <typename Read> static std::string refusedUnread(Read&& read)
    {
        std::string reason;
        bool accepted = true;
        const auto cost = tolvane_test::measureRead([&] { accepted = read(reason); });
        EXPECT_FALSE(accepted);
        EXPECT_LT(cost.time.count(), 1000) << reason;
        if (cost.bytesRead) {
            EXPECT_LT(*cost.bytesRead, tolvane_test::kReadAtMost) << reason;
        }
        return reason;
    }

    // A WAV file of 8-bit mono silence whose samples cost no disk.
    static std::string sparseWave(const std::string& name, std::uint32_t frames)
    {
        const std::uint8_t* size = reinterpret_cast<const std::uint8_t*>(&frames);
        const auto header = WaveBuilder()
                                .format(1, 1, 8000, 8)
                                .raw({'d', 'a', 't', 'a', size[0], size[1], size[2], size[3]})
                                .build(static_cast<int>(frames));
        const std::string path = (folder() / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        std::filesystem::resize_file(path, header.size() + frames);
        return path;
    }
};

TEST_F(WrongFiles, EveryTextImportRefusesThemUnreadAndSaysWhy)
{
    for (TextKind kind : kTextKinds)
        for (const std::string& path : {diskImage(), randomFile()}) {
            const std::string reason =
                refusedUnread([&](std::string& why) { return parseTextFile(path, kind, why).has_value(); });
            EXPECT_NE(reason.find(std::string("too large for ") + textKindName(kind)), std::string::npos) << reason;
        }
}

TEST_F(WrongFiles, TheWavImportAndTheStatesHeaderCheckRefuseThemUnread)
{
    for (const std::string& path : {diskImage(), randomFile()}) {
        for (auto kind : {SampleSourceKind::Pcm, SampleSourceKind::Dpcm, SampleSourceKind::Adpcm})
            EXPECT_EQ(refusedUnread([&](std::string& why) { return prepareWaveFile(path, kind, why).has_value(); }),
                      "not a WAV file (no RIFF/WAVE header)");
        const WaveProbe probe = probeWaveFile(path);
        EXPECT_TRUE(probe.opened);
        EXPECT_FALSE(probe.accepted);
    }
    EXPECT_FALSE(probeWaveFile((folder() / "gone.wav").string()).opened);
}

TEST_F(WrongFiles, ASampleLongerThanASlotHoldsIsRefusedFromItsHeader)
{
    const std::string longest = sparseWave("longest.wav", kMaxSampleFrames);
    const WaveProbe probe = probeWaveFile(longest);
    EXPECT_TRUE(probe.accepted) << probe.reason;
    EXPECT_EQ(probe.frames, kMaxSampleFrames);

    const std::string tooLong = sparseWave("too-long.wav", kMaxSampleFrames + 1);
    EXPECT_EQ(refusedUnread(
                  [&](std::string& why) { return prepareWaveFile(tooLong, SampleSourceKind::Pcm, why).has_value(); }),
              "too long for a sample slot (16777217 frames; at most 16777216)");
}

TEST(WaveChunks, AWalkThroughMoreChunksThanAnyRealFileHoldsIsRefused)
{
    WaveBuilder wave;
    wave.format(1, 1, 8000, 8);
    for (int i = 1; i < kMaxWaveChunks - 1; ++i)
        wave.chunk("junk", {});
    wave.samples({1, 2}, 8);
    EXPECT_TRUE(parseWave(wave.build()).valid);
    const WaveFile tooMany = parseWave(wave.chunk("junk", {}).build());
    EXPECT_FALSE(tooMany.valid);
    EXPECT_EQ(tooMany.problem, "a damaged WAV file (too many chunks)");
}

class TextFileLimits : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path); }
    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::optional<ParsedText> read(TextKind kind = TextKind::Tone) { return parseTextFile(path, kind, reason); }

    std::string path = (std::filesystem::temp_directory_path() / "tolvane_formats_limits.txt").string();
    std::string reason;
};

TEST_F(TextFileLimits, AFileOfTheLimitIsReadAndOneByteMoreIsNot)
{
    const std::string record = "@I:7 \"Limit test      \" 1 2 3 0 5 6 7 8 9 10 11 12 1 13\n";
    std::string text = record + std::string(kToneTextLimit - record.size() - 1, '#') + "\n";
    write(text);
    const auto parsed = read();
    ASSERT_TRUE(parsed.has_value()) << reason;
    EXPECT_EQ(std::get<std::vector<ToneRecord>>(*parsed).size(), 1u);

    write(text + "\n");
    EXPECT_FALSE(read().has_value());
    EXPECT_EQ(reason, "too large for a tone preset file (1 MB; at most 1 MB)");
}

TEST_F(TextFileLimits, ANulByteAnywhereMakesItNoTextFile)
{
    const std::string records = "@S:1 \"A sampler preset\" 1 2 3 4 5 6 7 8 9\n";
    for (const std::string& text : {std::string("\xFF\xFE@\0S\0:\0", 8), records + std::string(100000, ' ') + '\0'}) {
        write(text);
        EXPECT_FALSE(read(TextKind::Sampler).has_value());
        EXPECT_EQ(reason, "not a text file (it holds NUL bytes)");
    }
    write(records);
    EXPECT_TRUE(read(TextKind::Sampler).has_value()) << reason;
}

// The widest file of each kind: every field at its widest value, every name
// 16 characters, 128-entry tables, and a line end of two characters.
std::size_t largestExport(TextKind kind)
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
        slot.playBackStartPoint = slot.playBackEndPoint = slot.loopEndPoint = INT32_MIN;
        slot.loopLength = 1;
        slot.pitch = -FLT_MAX;
    }
    WaveTableBitDepths depths;
    depths.fill(8);
    std::ostringstream out;
    writeText(out, kind, *engine, depths);
    const std::string text = out.str();
    return text.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(TextLimits, EachLimitLeavesAGenerousMarginAboveTheLargestExport)
{
    for (TextKind kind : kTextKinds)
        EXPECT_GE(maxTextFileSize(kind), 32 * largestExport(kind)) << textKindName(kind);
}

} // namespace
} // namespace kest::tolvane::formats
