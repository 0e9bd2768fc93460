// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "OutputFormat.h"
#include "RenderOptions.h"

using namespace kest::tolvane::tools;

namespace {
OptionsResult parse(std::vector<std::string_view> args) { return parseRenderOptions(args); }
} // namespace

TEST(RenderOptions, DefaultsAndTheDemosOwnOutputName)
{
    const OptionsResult none = parse({});
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.options.isDemo());
    EXPECT_EQ(none.options.resolvedOutputPath(), "demo.wav");
    EXPECT_EQ(none.options.sampleRate, 44100);
    EXPECT_EQ(none.options.blockSize, 512);
    EXPECT_EQ(none.options.tailSeconds, 2.0);
    EXPECT_EQ(none.options.bus, 0);
    EXPECT_EQ(parse({"song.mid"}).options.resolvedOutputPath(), "out.wav");
    EXPECT_EQ(parse({"-o", "mine.wav"}).options.resolvedOutputPath(), "mine.wav");
}

TEST(RenderOptions, ValuesComeSeparateOrAfterAnEqualsSign)
{
    const OptionsResult r =
        parse({"--sample-rate=48000", "--block", "64", "--bus=16", "--tail", "0.25", "--polyphony=5", "--stems", "s",
               "--output=x.flac", "--nrpn", "--receive-sysex", "-q", "--", "-odd.mid"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.options.sampleRate, 48000);
    EXPECT_EQ(r.options.blockSize, 64);
    EXPECT_EQ(r.options.bus, 16);
    EXPECT_DOUBLE_EQ(r.options.tailSeconds, 0.25);
    EXPECT_EQ(r.options.polyphony, 5);
    EXPECT_EQ(r.options.stemsDir, "s");
    EXPECT_EQ(extensionOf(r.options.outputPath), "flac");
    EXPECT_TRUE(r.options.nrpn && r.options.receiveSysEx && r.options.quiet);
    EXPECT_EQ(r.options.songPath, "-odd.mid"); // after "--" a name may start with a dash
}

TEST(RenderOptions, MalformedValuesAndFlagsWithValuesAreRefused)
{
    for (const auto& args : std::vector<std::vector<std::string_view>>{{"--block", "12x"},
                                                                       {"--block", ""},
                                                                       {"--sample-rate", "7999"},
                                                                       {"--sample-rate", "384001"},
                                                                       {"--tail", "nan"},
                                                                       {"--tail", "601"},
                                                                       {"--float=yes"},
                                                                       {"--stems="},
                                                                       {"-o", ""},
                                                                       {"--bus"}}) {
        EXPECT_FALSE(parse(args).ok()) << args[0];
    }
    EXPECT_TRUE(parse({"--float", "-o", "x.WAV"}).ok());
    EXPECT_FALSE(parse({"--float", "-o", "x.FLAC"}).ok());
}

TEST(RenderOptions, InitAndPresetAndTheirConflicts)
{
    EXPECT_FALSE(parse({}).options.init);
    const OptionsResult r = parse({"--init", "--preset=a.vstpreset", "song.mid"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(r.options.init);
    EXPECT_EQ(r.options.presetPath, "a.vstpreset");
    EXPECT_FALSE(parse({"--init=1"}).ok());
    EXPECT_FALSE(parse({"--preset"}).ok());
    // Both replace the whole state: one would silently undo the other.
    EXPECT_FALSE(parse({"--preset", "a.vstpreset", "--state", "b.state"}).ok());
}

TEST(RenderOptions, GainAndNormalizeTakeDecibels)
{
    EXPECT_DOUBLE_EQ(parse({"--gain", "-6"}).options.gainDb, -6.0);
    EXPECT_DOUBLE_EQ(parse({"--gain=3.5"}).options.gainDb, 3.5);
    for (const auto& args : std::vector<std::vector<std::string_view>>{{"--gain", "61"},
                                                                       {"--gain", "loud"},
                                                                       {"--gain"},
                                                                       {"--normalize", "1"},
                                                                       {"--normalize=-61"},
                                                                       {"--normalize=x"},
                                                                       {"--normalize", "--gain", "2"}})
        EXPECT_FALSE(parse(args).ok()) << args[0] << " " << (args.size() > 1 ? args[1] : "");

    // The level is optional: a song name after --normalize stays the song.
    OptionsResult r = parse({"--normalize", "song.mid"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_TRUE(r.options.normalize);
    EXPECT_DOUBLE_EQ(r.options.normalizeDbfs, -1.0);
    EXPECT_EQ(r.options.songPath, "song.mid");
    r = parse({"--normalize", "-3", "song.mid"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_DOUBLE_EQ(r.options.normalizeDbfs, -3.0);
    EXPECT_EQ(r.options.songPath, "song.mid");
    EXPECT_DOUBLE_EQ(parse({"--normalize=-0.5"}).options.normalizeDbfs, -0.5);
}

TEST(RenderOptions, TheExtensionPicksAFormatTheLibraryWrites)
{
    for (const char* name : {"a.wav", "a.flac", "a.ogg", "a.aiff", "a.caf", "a.w64", "a.rf64", "A.WAV"}) {
        const OptionsResult r = parse({"-o", name});
        EXPECT_TRUE(r.ok()) << name << ": " << r.error;
        EXPECT_TRUE(outputFormatFor(name, false)) << name;
    }
    // 24-bit integers only where the format stores them; lossy formats take floats.
    EXPECT_TRUE(outputFormatFor("a.flac", false)->pcm24);
    EXPECT_FALSE(outputFormatFor("a.ogg", false)->pcm24);
    EXPECT_FALSE(outputFormatFor("a.wav", true)->pcm24);

    const OptionsResult unknown = parse({"-o", "a.xyz"});
    EXPECT_NE(unknown.error.find("'.xyz'"), std::string::npos) << unknown.error;
    EXPECT_NE(unknown.error.find("wav, flac, ogg"), std::string::npos) << unknown.error;
    EXPECT_FALSE(parse({"-o", "no-extension"}).ok());
    EXPECT_NE(parse({"--float", "-o", "a.ogg"}).error.find("OGG holds no float"), std::string::npos);
    EXPECT_TRUE(parse({"--float", "-o", "a.aiff"}).ok());
}

TEST(RenderOptions, AnOutputNamingTheSongIsRefused)
{
    EXPECT_NE(parse({"song.mid", "-o", "./song.mid"}).error.find("is the song itself"), std::string::npos);
    EXPECT_NE(parse({"-o", "dir/../song.wav", "song.wav"}).error.find("is the song itself"), std::string::npos);
    EXPECT_TRUE(parse({"song.mid", "-o", "song.wav"}).ok());
}
