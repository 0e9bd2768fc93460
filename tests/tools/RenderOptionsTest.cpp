// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "RenderOptions.h"

using namespace kest::tolvane::tools;

namespace {
OptionsResult parse(std::vector<std::string_view> args) { return parseRenderOptions(args); }
} // namespace

TEST(RenderOptions, DefaultsAndTheDemosOwnOutputName) {
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

TEST(RenderOptions, ValuesComeSeparateOrAfterAnEqualsSign) {
    const OptionsResult r = parse({"--sample-rate=48000", "--block", "64", "--bus=16", "--tail", "0.25", "--polyphony=5",
                                   "--stems", "s", "--output=x.flac", "--nrpn", "--receive-sysex", "-q", "--", "-odd.mid"});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.options.sampleRate, 48000);
    EXPECT_EQ(r.options.blockSize, 64);
    EXPECT_EQ(r.options.bus, 16);
    EXPECT_DOUBLE_EQ(r.options.tailSeconds, 0.25);
    EXPECT_EQ(r.options.polyphony, 5);
    EXPECT_EQ(r.options.stemsDir, "s");
    EXPECT_TRUE(isFlacPath(r.options.outputPath));
    EXPECT_TRUE(r.options.nrpn && r.options.receiveSysEx && r.options.quiet);
    EXPECT_EQ(r.options.songPath, "-odd.mid");  // after "--" a name may start with a dash
}

TEST(RenderOptions, MalformedValuesAndFlagsWithValuesAreRefused) {
    for (const auto& args : std::vector<std::vector<std::string_view>>{
             {"--block", "12x"}, {"--block", ""}, {"--sample-rate", "7999"}, {"--sample-rate", "384001"},
             {"--tail", "nan"}, {"--tail", "601"}, {"--float=yes"}, {"--stems="}, {"-o", ""}, {"--bus"}}) {
        EXPECT_FALSE(parse(args).ok()) << args[0];
    }
    EXPECT_TRUE(parse({"--float", "-o", "x.WAV"}).ok());
    EXPECT_FALSE(parse({"--float", "-o", "x.FLAC"}).ok());
}

TEST(RenderOptions, InitAndPresetAndTheirConflicts) {
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
