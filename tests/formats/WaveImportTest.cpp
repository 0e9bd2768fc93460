// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Adpcm.h"
#include "LogCode.h"
#include "TestEngine.h"
#include "WaveBuilder.h"
#include "WaveImport.h"

namespace kest::tolvane::formats {
namespace {

using test::WaveBuilder;

PreparedSample prepare(const std::vector<std::uint8_t>& bytes, SampleSourceKind kind)
{
    auto prepared = prepareWaveImport(parseWave(bytes), kind);
    EXPECT_TRUE(prepared.has_value());
    return prepared ? std::move(*prepared) : PreparedSample{};
}

int code(double x) { return logCodeFromLinear(x); }

TEST(WaveImport, PcmSixteenBitMonoSetsRateAndPoints)
{
    auto engine = test::makeEngine();
    synth::SampleData& slot = engine->sampleData(3);
    engine->installSampleData(3, std::vector<std::int32_t>(100, 0), 100, 1);
    slot.loopLength = 10;
    slot.setPitch(440.0f);

    const auto bytes = WaveBuilder().format(1, 1, 22050, 16).samples({0, 16384, -16384, 32767, -32768}, 16).build();
    installPreparedSample(*engine, 3, prepare(bytes, SampleSourceKind::Pcm));
    EXPECT_TRUE(slot.hasData);
    EXPECT_EQ(slot.frames, 5);
    EXPECT_EQ(slot.channels, 1);
    EXPECT_EQ(slot.data, (std::vector<std::int32_t>{8192, 512, 513, code(32767 / 32768.0), 1}));
    EXPECT_FLOAT_EQ(slot.sourceRate, 22050.0f);
    EXPECT_EQ(slot.rateLog, 118198);
    EXPECT_FLOAT_EQ(slot.pitch, 0.0f);
    EXPECT_EQ(slot.pitchLog, 0);
    EXPECT_EQ(slot.rateToPitchLog, 118198);
    EXPECT_EQ(slot.playBackStartPoint, 0);
    EXPECT_EQ(slot.playBackEndPoint, 5);
    EXPECT_EQ(slot.loopEndPoint, 5);
    EXPECT_EQ(slot.loopLength, 0);
    EXPECT_EQ(slot.releaseLoopLength, 0);

    installPreparedSample(
        *engine, 3, prepare(WaveBuilder().format(1, 1, 44100, 16).samples({0}, 16).build(), SampleSourceKind::Pcm));
    EXPECT_EQ(slot.rateLog, 126390);
}

TEST(WaveImport, PcmWidthsAndSignedness)
{
    // 8-bit is unsigned, wider samples signed; stereo stays interleaved.
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 2, 8000, 8).samples({128, 192, 64, 255}, 8).build(), SampleSourceKind::Pcm)
            .codes,
        (std::vector<std::int32_t>{8192, 512, 513, code(127 / 128.0)}));
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 8000, 24).samples({0x400000, -0x400000}, 24).build(), SampleSourceKind::Pcm)
            .codes,
        (std::vector<std::int32_t>{512, 513}));
    const PreparedSample wide =
        prepare(WaveBuilder().format(1, 2, 8000, 32).samples({0x40000000, -0x40000000, 0, 0x7FFFFFFF}, 32).build(),
                SampleSourceKind::Pcm);
    EXPECT_EQ(wide.frames, 2);
    EXPECT_EQ(wide.channels, 2);
    EXPECT_EQ(wide.codes, (std::vector<std::int32_t>{512, 513, 8192, code(0x7FFFFFFF / 2147483648.0)}));
}

TEST(WaveImport, DpcmKeepsTheTopByte)
{
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 22050, 16).samples({0x12FF, -0x100}, 16).build(), SampleSourceKind::Dpcm)
            .codes,
        (std::vector<std::int32_t>{code(0x12 / 128.0), code(-1 / 128.0)}));
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 22050, 8).samples({0x80, 0xC0}, 8).build(), SampleSourceKind::Dpcm).codes,
        (std::vector<std::int32_t>{8192, 512}));
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 22050, 24).samples({0x40FFFF}, 24).build(), SampleSourceKind::Dpcm).codes,
        (std::vector<std::int32_t>{512}));
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 22050, 32).samples({-0x40000000}, 32).build(), SampleSourceKind::Dpcm).codes,
        (std::vector<std::int32_t>{513}));
}

// What the ADPCM import must give for 16-bit values: coded and decoded, the odd last one untouched.
std::vector<std::int32_t> adpcmReference(std::vector<std::int16_t> values, int channels)
{
    std::vector<std::uint8_t> bytes(values.size() / 2);
    adpcmEncode(values.data(), channels, static_cast<int>(values.size()) / channels, bytes.data(), bytes.size());
    adpcmDecode(bytes.data(), bytes.size(), channels, values.data(), 2 * bytes.size());
    std::vector<std::int32_t> codes;
    for (std::int16_t v : values)
        codes.push_back(code(v / 32768.0));
    return codes;
}

TEST(WaveImport, AdpcmWidensCodesAndKeepsAnOddLastSample)
{
    const PreparedSample eight = prepare(WaveBuilder().format(1, 1, 8000, 8).samples({128, 200, 50, 255, 0}, 8).build(),
                                         SampleSourceKind::Adpcm);
    EXPECT_EQ(eight.codes, adpcmReference({0, 72 * 256, -78 * 256, 127 * 256, -128 * 256}, 1));
    EXPECT_EQ(eight.codes.back(), 1); // the fifth sample, -1.0, is not coded

    const PreparedSample sixteen =
        prepare(WaveBuilder().format(1, 1, 8000, 16).samples({1000, 2000, 3000, 4000, 5000, 6000, 7000}, 16).build(),
                SampleSourceKind::Adpcm);
    EXPECT_EQ(sixteen.codes, adpcmReference({1000, 2000, 3000, 4000, 5000, 6000, 7000}, 1));
    EXPECT_EQ(sixteen.codes.back(), code(7000 / 32768.0));

    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 8000, 24).samples({0x123456, 0x7FFFFF}, 24).build(), SampleSourceKind::Adpcm)
            .codes,
        adpcmReference({0x1234, 0x7FFF}, 1));
    EXPECT_EQ(
        prepare(WaveBuilder().format(1, 1, 8000, 32).samples({0x12345678, -1}, 32).build(), SampleSourceKind::Adpcm)
            .codes,
        adpcmReference({0x1234, -1}, 1));
}

TEST(WaveImport, AdpcmStereoKeepsASilentChannelSilent)
{
    std::vector<std::int64_t> frames;
    for (int i = 0; i < 1000; ++i) {
        frames.push_back(i % 7 < 3 ? 30000 : -30000);
        frames.push_back(0);
    }
    const PreparedSample s =
        prepare(WaveBuilder().format(1, 2, 44100, 16).samples(frames, 16).build(), SampleSourceKind::Adpcm);
    ASSERT_EQ(s.codes.size(), 2000u);
    // |x| <= 16 / 32768 is at least 11 octaves down: log code 2 * 11 * 256 or more.
    for (std::size_t i = 1; i < s.codes.size(); i += 2)
        ASSERT_GE(s.codes[i], 2 * 11 * 256) << i;
}

TEST(WaveImport, UnconvertibleWidthEmptiesTheSlotButSetsTheRate)
{
    auto engine = test::makeEngine();
    engine->installSampleData(0, std::vector<std::int32_t>(10, 0), 10, 1);
    for (SampleSourceKind kind : {SampleSourceKind::Pcm, SampleSourceKind::Dpcm, SampleSourceKind::Adpcm}) {
        const PreparedSample s = prepare(WaveBuilder().format(1, 1, 32000, 12).samples({1, 2, 3}, 16).build(), kind);
        EXPECT_FALSE(s.hasData);
        installPreparedSample(*engine, 0, PreparedSample(s));
        const synth::SampleData& slot = engine->sampleData(0);
        EXPECT_FALSE(slot.hasData);
        EXPECT_TRUE(slot.data.empty());
        EXPECT_EQ(slot.playBackEndPoint, 0);
        EXPECT_FLOAT_EQ(slot.sourceRate, 32000.0f);
        EXPECT_EQ(slot.rateToPitchLog, slot.rateLog);
    }
}

TEST(WaveImport, RejectedFilesPrepareNothing)
{
    for (const auto& bytes : {WaveBuilder().format(1, 3, 44100, 16).samples({0, 0, 0}, 16).build(),
                              WaveBuilder().format(0xFFFE, 1, 44100, 16).build(),
                              WaveBuilder().format(1, 1, 44100, 16).samples({0}, 16).build(1),
                              WaveBuilder().format(1, 0, 44100, 16).build(), WaveBuilder().build()})
        EXPECT_FALSE(prepareWaveImport(parseWave(bytes), SampleSourceKind::Pcm).has_value());
}

TEST(WaveImport, ARefusalSaysWhatFailed)
{
    std::string reason;
    const auto threeChannels = WaveBuilder().format(1, 3, 44100, 16).samples({0, 0, 0}, 16).build();
    EXPECT_FALSE(prepareWaveImport(parseWave(threeChannels), SampleSourceKind::Pcm, &reason));
    EXPECT_EQ(reason, "3 channels; a sample slot takes 1 or 2");
    const auto mono = WaveBuilder().format(1, 1, 44100, 16).samples({5, -5}, 16).build();
    EXPECT_FALSE(prepareWaveImport(parseWave(mono), static_cast<SampleSourceKind>(9), &reason));
    EXPECT_EQ(reason, "no conversion of kind 9");
}

TEST(WaveImport, FileWithoutDataLoadsZeroFrames)
{
    auto engine = test::makeEngine();
    installPreparedSample(*engine, 7, prepare(WaveBuilder().format(1, 2, 44100, 16).build(), SampleSourceKind::Pcm));
    const synth::SampleData& slot = engine->sampleData(7);
    EXPECT_TRUE(slot.hasData);
    EXPECT_EQ(slot.frames, 0);
    EXPECT_TRUE(slot.data.empty());
}

TEST(WaveImport, ReadsTheFileFromDisk)
{
    const std::string path = (std::filesystem::temp_directory_path() / "tolvane_formats_import.wav").string();
    const auto bytes = WaveBuilder().format(1, 1, 11025, 16).samples({16384, 0, -16384}, 16).build();
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::string error;
    const auto prepared = prepareWaveFile(path, SampleSourceKind::Pcm, error);
    std::remove(path.c_str());
    ASSERT_TRUE(prepared.has_value());
    EXPECT_EQ(prepared->codes, (std::vector<std::int32_t>{512, 8192, 513}));
    EXPECT_FALSE(prepareWaveFile(path, SampleSourceKind::Pcm, error).has_value());
    EXPECT_EQ(error, "cannot open the file");
}

} // namespace
} // namespace kest::tolvane::formats
