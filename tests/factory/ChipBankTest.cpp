// SPDX-License-Identifier: GPL-3.0-or-later
// The chip bank as shipped, played: every program heard at one level (within
// 3 dB of the bank's median, the median within 2 dB of the GM bank's) and
// ending after its release; both kits placed against their snare as a GM kit
// is, ending by themselves and never clipping.
#include <gtest/gtest.h>

#include <algorithm>
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

} // namespace
} // namespace kest::tolvane::factory
