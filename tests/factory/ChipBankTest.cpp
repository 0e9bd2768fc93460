// SPDX-License-Identifier: GPL-3.0-or-later
// The chip bank as shipped, played: every program heard at one level (within
// 3 dB of the bank's median, the median within 2 dB of the GM bank's) and
// ending after its release; both kits placed against their snare as a GM kit
// is, ending by themselves and never clipping; the chord arpeggios playing
// their chord a note a step, each step beginning where the tick clock says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "BankRig.h"
#include "KitTargets.h"

namespace kest::tolvane::factory {
namespace {

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

std::vector<double> everyProgramsLoudness(BankRig& rig)
{
    std::vector<double> levels;
    for (int program = 0; program < 128; ++program) {
        levels.push_back(programLoudnessDb(rig, program));
        EXPECT_EQ(rig.activeVoices(), 0) << "program " << program << " still sounds 3 s after note-off";
    }
    return levels;
}

TEST(ChipBank, EveryProgramIsHeardWithin3DbOfTheMedianWhichIsWithin2DbOfTheGmBanks)
{
    BankRig gm, chip;
    ASSERT_TRUE(gm.loadFactoryBank());
    ASSERT_TRUE(chip.loadChipBank());
    const double gmMedian = median(everyProgramsLoudness(gm));
    const std::vector<double> levels = everyProgramsLoudness(chip);
    const double chipMedian = median(levels);
    EXPECT_NEAR(chipMedian, gmMedian, 2.0);
    for (int program = 0; program < 128; ++program)
        EXPECT_NEAR(levels[static_cast<std::size_t>(program)], chipMedian, 3.0)
            << "program " << program << " \""
            << std::string(chip.synth().tone(program).presetName, synth::kPresetNameLength) << "\"";
}

struct Kit {
    const char* name;
    int mode;
    bool (*load)(BankRig&);
};

class ChipKit : public ::testing::TestWithParam<Kit> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rig.loadChipBank());
        ASSERT_TRUE(GetParam().load(rig));
        rig.setMode(kDrumChannel, GetParam().mode);
    }
    BankRig rig;
};

TEST_P(ChipKit, EveryMappedSoundSitsAgainstTheSnareAsInAGmKit) { expectEverySoundSitsAgainstTheSnare(rig); }

TEST_P(ChipKit, EveryKeyEndsByItselfWithoutClipping)
{
    for (int key = 0; key < 128; ++key) {
        rig.noteOn(kDrumChannel, key, 127);
        EXPECT_LT(toDbfs(rig.render(0.1)), -6.0f) << "key " << key;
        EXPECT_GE(rig.renderUntilFree(3.0), 0.0) << "key " << key << " still sounds after 3 s";
        rig.noteOff(kDrumChannel, key);
    }
}

INSTANTIATE_TEST_SUITE_P(ToneAndSampleKits, ChipKit,
                         ::testing::Values(Kit{"ToneKit", synth::kModePercussion, [](BankRig&) { return true; }},
                                           Kit{"SampleKit", synth::kModeSampler,
                                               [](BankRig& rig) { return rig.loadChipSampleKit(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Times (in samples, interpolated) at which the signal rises through its
// midline, the midline being halfway between the extremes of the 200 samples
// around: once a period for the pulse, saw and triangle tables the arpeggios use.
std::vector<double> risingCrossings(const std::vector<float>& s)
{
    constexpr std::size_t kAround = 100;
    std::vector<double> crossings;
    auto midline = [&](std::size_t i) {
        const auto first = s.begin() + static_cast<long>(i > kAround ? i - kAround : 0);
        const auto last = s.begin() + static_cast<long>(std::min(s.size(), i + kAround));
        const auto [low, high] = std::minmax_element(first, last);
        return 0.5 * (static_cast<double>(*low) + *high);
    };
    for (std::size_t i = 1; i < s.size(); ++i) {
        const double m = midline(i), a = s[i - 1] - m, b = s[i] - m;
        if (a < 0.0 && b >= 0.0)
            crossings.push_back(static_cast<double>(i - 1) + a / (a - b));
    }
    return crossings;
}

struct ChordArpeggio {
    int program;
    const char* name; // as the tone file names it, 16 characters
    std::vector<int> semitones;
    int ticksAStep;
};

void PrintTo(const ChordArpeggio& a, std::ostream* out) { *out << a.name; }

class ChipArpeggio : public ::testing::TestWithParam<ChordArpeggio> {};

// At 60 ticks a second and 44.1 kHz, tick k begins k * 735 samples after
// note-on. Every whole period of the sound that lies inside one step's ticks
// has the period of that step's note; only the periods that straddle a step's
// first sample may be anything, so each change falls within a period of it.
TEST_P(ChipArpeggio, PlaysItsChordANoteAStepBeginningAtTheTickPositions)
{
    constexpr int kKey = 72;
    constexpr double kSamplesATick = 735.0;
    const ChordArpeggio& arp = GetParam();
    BankRig rig;
    ASSERT_TRUE(rig.loadChipBank());
    ASSERT_EQ(std::string(rig.synth().tone(arp.program).presetName, synth::kPresetNameLength), arp.name);
    rig.programChange(0, arp.program);
    std::vector<float> sound;
    rig.noteOn(0, kKey, 100);
    rig.render(0.4, &sound);
    rig.noteOff(0, kKey);

    const double stepLength = kSamplesATick * arp.ticksAStep;
    const std::vector<double> crossings = risingCrossings(sound);
    std::vector<int> periodsSeen(static_cast<std::size_t>(sound.size() / stepLength), 0);
    for (std::size_t j = 0; j + 1 < crossings.size(); ++j) {
        const auto step = static_cast<std::size_t>(crossings[j] / stepLength);
        if (step >= periodsSeen.size() || crossings[j + 1] >= static_cast<double>(step + 1) * stepLength)
            continue; // straddles the next step's first sample, or past the last whole step
        const int note = kKey + arp.semitones[step % arp.semitones.size()];
        const double expected = kSampleRate / (440.0 * std::pow(2.0, (note - 69) / 12.0));
        EXPECT_NEAR(crossings[j + 1] - crossings[j], expected, 0.03 * expected)
            << "step " << step << " (note " << note << ") at sample " << crossings[j];
        ++periodsSeen[step];
    }
    for (std::size_t step = 0; step < periodsSeen.size(); ++step)
        EXPECT_GE(periodsSeen[step], 3 * arp.ticksAStep) << "step " << step;
}

INSTANTIATE_TEST_SUITE_P(MajorMinorSeventhOctave, ChipArpeggio,
                         ::testing::Values(ChordArpeggio{56, "Arp Major 12.5% ", {0, 4, 7}, 1},
                                           ChordArpeggio{57, "Arp Minor 12.5% ", {0, 3, 7}, 1},
                                           ChordArpeggio{58, "Arp Major 25%   ", {0, 4, 7}, 2},
                                           ChordArpeggio{60, "Arp Seventh Saw ", {0, 4, 7, 10}, 1},
                                           ChordArpeggio{61, "Arp Octave Tri  ", {0, 12}, 2}),
                         [](const auto& info) { return std::to_string(info.param.program); });

} // namespace
} // namespace kest::tolvane::factory
