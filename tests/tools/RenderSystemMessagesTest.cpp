// SPDX-License-Identifier: GPL-3.0-or-later
// GM System On/Off, GS Reset, XG System On and Universal Master Volume in a
// song, rendered as a user would: obeyed by default, as by a GM module.
#include <gtest/gtest.h>

#include <cmath>

#include "MidiFileWriter.h"
#include "RenderRun.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::readAudio;
using tolvane_test::runRender;
using tolvane_test::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Program 56 at a low volume, bent, on a wide bend range; then the message; then a note.
std::vector<std::uint8_t> songAfter(const Bytes& message)
{
    MidiTrackWriter t;
    t.programChange(0, 0, 56);
    t.controlChange(0, 0, 7, 30);
    t.controlChange(0, 0, 10, 0);
    t.controlChange(0, 0, 101, 0);
    t.controlChange(0, 0, 100, 0);
    t.controlChange(0, 0, 6, 12);
    t.pitchBend(0, 0, 12000);
    if (!message.empty())
        t.sysEx(10, message);
    t.note(20, 480, 0, 69, 100);
    t.note(20, 100, 9, 38, 100); // part 10 stays a percussion part through the reset
    t.setEndTick(960);
    return encodeMidiFile(0, 480, std::span(&t, 1));
}

std::vector<std::uint8_t> plainSong()
{
    MidiTrackWriter t;
    t.note(20, 480, 0, 69, 100);
    t.note(20, 100, 9, 38, 100);
    t.setEndTick(960);
    return encodeMidiFile(0, 480, std::span(&t, 1));
}

Audio render(const ScratchDir& dir, const std::vector<std::uint8_t>& song, const std::string& options = "")
{
    tolvane_test::writeBytes(dir / "song.mid", song);
    EXPECT_EQ(runRender(dir, "-q --float " + options + " -o out.wav song.mid").status, 0);
    return readAudio(dir / "out.wav");
}

} // namespace

TEST(RenderSystemMessages, EachResetLeavesThePartAsAtPowerOn)
{
    ScratchDir dir("resets");
    const Audio plain = render(dir, plainSong());
    const Audio unreset = render(dir, songAfter({}));
    ASSERT_TRUE(plain.ok && unreset.ok);
    ASSERT_NE(plain.samples, unreset.samples); // the settings before the reset are audible
    const Bytes resets[] = {
        {0x7E, 0x7F, 0x09, 0x01, 0xF7},                               // GM System On
        {0x7E, 0x7F, 0x09, 0x02, 0xF7},                               // GM System Off
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}, // GS Reset
        {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},             // XG System On
    };
    for (const Bytes& reset : resets)
        EXPECT_EQ(render(dir, songAfter(reset)).samples, plain.samples) << int(reset[0]);
    // A near miss (GM2 System On) changes nothing.
    EXPECT_EQ(render(dir, songAfter({0x7E, 0x7F, 0x09, 0x03, 0xF7})).samples, unreset.samples);
}

TEST(RenderSystemMessages, UniversalMasterVolumeSetsTheMasterVolume)
{
    ScratchDir dir("volume");
    const Audio plain = render(dir, plainSong());
    auto withVolume = [&](int msb) {
        MidiTrackWriter t;
        t.sysEx(0, Bytes{0x7F, 0x7F, 0x04, 0x01, 0x00, static_cast<std::uint8_t>(msb), 0xF7});
        t.note(20, 480, 0, 69, 100);
        t.note(20, 100, 9, 38, 100);
        t.setEndTick(960);
        return render(dir, encodeMidiFile(0, 480, std::span(&t, 1)));
    };
    // Full scale is 1.0 against the power-on 0.8; below it a module's curve, (mm / 127)^2.
    EXPECT_NEAR(withVolume(127).peak() / plain.peak(), 1.0 / 0.8, 1e-4);
    EXPECT_NEAR(withVolume(32).peak() / plain.peak(), std::pow(32.0 / 127.0, 2.0) / 0.8, 1e-4);
}
