// SPDX-License-Identifier: GPL-3.0-or-later
// The factory bank's gain staging (docs/levels.md): instruments heard at one
// level, the drum kit heard in the proportions of a General MIDI kit, cymbals that die away instead of washing
// over the mix, and the calibration songs played as tolvane-render plays them,
// none clipping and an ordinary arrangement in a GM module's headroom.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "BankRig.h"
#include "KWeighting.h"
#include "KitTargets.h"
#include "SongLevels.h"

namespace kest::tolvane::factory {
namespace {

constexpr int kVelocity = 100;

// The loudness filter itself, against the figures of the broadcast standard:
// a 997 Hz sine at full scale reads -3.01 LKFS (K-weighted mean square
// -2.32 dB), treble is lifted by about 4 dB, deep bass is cut.
TEST(FactoryKit, TheLoudnessFilterWeighsSinesAsBroadcastMetersDo)
{
    auto weighted = [](double hz) {
        std::vector<float> sine(static_cast<std::size_t>(kSampleRate));
        for (std::size_t i = 0; i < sine.size(); ++i)
            sine[i] = static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kSampleRate));
        const auto out = kWeighted(sine, kSampleRate);
        return meanSquareDb(out, out.size() / 2, out.size() / 2) + 3.01; // gain over the plain sine
    };
    EXPECT_NEAR(weighted(997.0), 0.69, 0.1);
    EXPECT_NEAR(weighted(10000.0), 4.0, 0.3);
    EXPECT_LT(weighted(20.0), -8.0);
    EXPECT_NEAR(weighted(200.0), 0.0, 0.6);
}

TEST(FactoryKit, EverySoundSitsAgainstTheSnareAsInAGmKitAndCymbalsDieAway)
{
    BankRig rig;
    ASSERT_TRUE(rig.loadFactoryBank());
    rig.setPercussion(kDrumChannel);
    expectEverySoundSitsAgainstTheSnare(rig);
}

// Instruments share one heard level at middle C, so a song's parts keep the
// balance its author set on a GM module; one tone far louder than the rest
// would clip or bury a mix. (Sound effects 112-127 are left to taste.)
TEST(FactoryInstruments, EveryMelodicProgramIsHeardWithinAFewDecibelsOfThePiano)
{
    constexpr int kLastMelodicProgram = 111;
    BankRig rig;
    ASSERT_TRUE(rig.loadFactoryBank());
    auto heard = [&rig](int program) {
        std::vector<float> sound;
        rig.programChange(0, program);
        rig.noteOn(0, kMiddleC, kVelocity);
        rig.render(1.0, &sound);
        rig.noteOff(0, kMiddleC);
        rig.renderUntilFree(3.0);
        return measureStrike(sound, kSampleRate).loudnessDb;
    };
    const double piano = heard(0);
    for (int program = 1; program <= kLastMelodicProgram; ++program) {
        SCOPED_TRACE("program " + std::to_string(program) + " \"" +
                     std::string(rig.synth().tone(program).presetName, synth::kPresetNameLength) + "\"");
        const double relative = heard(program) - piano;
        EXPECT_GT(relative, -7.0);
        EXPECT_LT(relative, 4.0);
    }
}

SongLevels measureCalibrationSong(const char* name)
{
    const auto read = tools::loadMidiFile(std::string(TOLVANE_CALIBRATION_SONGS) + "/" + name + ".mid");
    EXPECT_TRUE(read.song.has_value()) << name << ": " << read.error;
    return read.song ? measureSong(*read.song) : SongLevels{};
}

TEST(FactoryCalibrationSongs, NoneClipsNotEvenSixteenPartsAtFullVelocityOrAFullVolumePiano)
{
    for (const char* name : {"dense-16-parts", "full-volume-piano", "busy-drums", "cymbal-wash", "band-typical"}) {
        SCOPED_TRACE(name);
        const SongLevels levels = measureCalibrationSong(name);
        EXPECT_TRUE(levels.mix.sounded());
        EXPECT_EQ(levels.clippedSamples, 0);
        EXPECT_LT(levels.mix.peakDb(), -1.0);
    }
}

TEST(FactoryCalibrationSongs, AnOrdinaryArrangementPeaksInAModulesHeadroomWithTheDrumsCarryingIt)
{
    const SongLevels band = measureCalibrationSong("band-typical");
    EXPECT_GT(band.mix.peakDb(), -14.0);
    EXPECT_LT(band.mix.peakDb(), -6.0);
    // Drums alone against all the other parts together, each while it sounds.
    EXPECT_GT(band.drums.rmsDb() - band.instruments.rmsDb(), -10.0);
    EXPECT_LT(band.drums.rmsDb() - band.instruments.rmsDb(), -3.0);
    // A ride on every 8th with a crash every bar stays under the band.
    const SongLevels wash = measureCalibrationSong("cymbal-wash");
    EXPECT_LT(wash.drums.rmsDb() - wash.instruments.rmsDb(), -3.0);
}

} // namespace
} // namespace kest::tolvane::factory
