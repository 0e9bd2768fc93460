// SPDX-License-Identifier: GPL-3.0-or-later
// GM System On/Off, GS Reset, XG System On and Universal Master Volume: which
// switch lets them in, what each resets, and the near misses that stay ignored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "EngineHarness.h"
#include "UniversalSysEx.h"

namespace kest::tolvane {
namespace {

using test::EngineHarness;
using Bytes = std::vector<std::uint8_t>; // after F0, F7 included

const Bytes kGmOn{0x7E, 0x7F, 0x09, 0x01, 0xF7};
const Bytes kGmOff{0x7E, 0x10, 0x09, 0x02, 0xF7};
const Bytes kGsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const Bytes kXgOn{0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};

Bytes masterVolume(int lsb, int msb)
{
    return {0x7F, 0x7F, 0x04, 0x01, static_cast<std::uint8_t>(lsb), static_cast<std::uint8_t>(msb), 0xF7};
}

class UniversalSysExTest : public ::testing::Test {
protected:
    void send(const Bytes& bytes)
    {
        h.queue.queueSysEx(bytes.data(), static_cast<int>(bytes.size()), 0);
        h.block(1);
    }
    // A song's worth of settings on parts 1 and 10, with part 10 a percussion part by default.
    void dirtyTheParts()
    {
        h.engine.part(9).defaultMode = synth::kModePercussion;
        for (int p : {0, 9}) {
            synth::PartState& part = h.engine.part(p);
            part.program = 40;
            part.cc[7] = 20;
            part.cc[10] = 0;
            part.cc[1] = 90;
            part.bendRange = 12;
            part.pitchBend = 0;
            part.mode = synth::kModeSampler;
        }
        h.engine.part(0).output = 3;
    }
    bool partsAreReset() const
    {
        const synth::PartState& first = h.engine.part(0);
        const synth::PartState& drums = h.engine.part(9);
        return first.program == 0 && first.cc[7] == 100 && first.cc[10] == 64 && first.cc[1] == 0 &&
               first.bendRange == 2 && first.pitchBend == 8192 && first.mode == synth::kModeInstrument &&
               drums.mode == synth::kModePercussion && drums.program == 0 && drums.cc[7] == 100;
    }

    EngineHarness h;
};

TEST_F(UniversalSysExTest, EachResetRestoresThePartsWhenEitherSwitchIsOn)
{
    for (const Bytes* message : {&kGmOn, &kGmOff, &kGsReset, &kXgOn}) {
        // Off by default, as the plug-in starts with "Recieve sysEx" off.
        dirtyTheParts();
        send(*message);
        EXPECT_EQ(h.engine.part(0).program, 40) << "ignored while both switches are off";

        h.engine.setReceiveUniversalSysEx(true);
        send(*message);
        EXPECT_TRUE(partsAreReset()) << "with the universal switch";
        EXPECT_EQ(h.engine.part(0).output, 3) << "routing is the user's, not the song's";

        h.engine.setReceiveUniversalSysEx(false);
        h.engine.receiveSysEx = true;
        dirtyTheParts();
        send(*message);
        EXPECT_TRUE(partsAreReset()) << "with receiveSysEx alone";
        h.engine.receiveSysEx = false;
    }
}

// A GM module's curve, as CC 7: 40 log10(v / 127) below full level, heard at
// once on a held note; the engine's own master-volume message keeps its table.
TEST_F(UniversalSysExTest, MasterVolumeFollowsAModulesCurveAndReachesSoundingVoices)
{
    h.engine.setReceiveUniversalSysEx(true);
    h.engine.receiveSysEx = true;
    h.noteOn(0, 69, 127);
    auto heardDb = [this] {
        float p = 0.0f;
        for (float x : h.render(4096))
            p = std::max(p, std::abs(x));
        return 20.0 * std::log10(p);
    };
    send(masterVolume(0x00, 0x7F));
    EXPECT_FLOAT_EQ(h.engine.getMasterVolume(), 1.0f);
    const double full = heardDb();
    struct Case {
        int lsb, msb;
        double db;
    };
    for (const Case c : {Case{0x7F, 0x20, -23.97}, Case{0x00, 0x40, -11.91}, Case{0x00, 0x60, -4.86}}) {
        send(masterVolume(c.lsb, c.msb));
        EXPECT_NEAR(heardDb() - full, c.db, 0.1) << "mm " << c.msb;
    }
    send(masterVolume(0x00, 0x00));
    EXPECT_EQ(h.engine.getMasterVolume(), 0.0f);

    // F0 7D 10 20 00 00 00 20 F7: the system record's eighth-octave steps, 95 below full.
    send({0x7D, 0x10, 0x20, 0x00, 0x00, 0x00, 0x20, 0xF7});
    EXPECT_FLOAT_EQ(h.engine.getMasterVolume(), h.engine.volumeTableEntry(0x20));
    EXPECT_NEAR(heardDb() - full, -95 * 20.0 * std::log10(2.0) / 8.0, 0.1);
}

TEST_F(UniversalSysExTest, NearMissesAndTheEnginesOwnMessagesKeepTheirRules)
{
    h.engine.setReceiveUniversalSysEx(true);
    const Bytes nearMisses[] = {
        {0x7E, 0x7F, 0x09, 0x03, 0xF7},                               // GM2 System On: not obeyed
        {0x7E, 0x7F, 0x06, 0x01, 0xF7},                               // identity request
        {0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x40, 0xF7}, // GS reset with a bad checksum
        {0x43, 0x20, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7},             // XG parameter request, not a write
        {0x7F, 0x7F, 0x04, 0x01, 0x00, 0xF7},                         // master volume without its coarse byte
        {0x7F, 0x7F, 0x04, 0x02, 0x00, 0x40, 0xF7},                   // master balance
        {0x7E, 0x7F, 0x09, 0x01},                                     // GM System On cut before F7
    };
    for (const Bytes& message : nearMisses) {
        dirtyTheParts();
        send(message);
        EXPECT_EQ(h.engine.part(0).program, 40);
        EXPECT_FLOAT_EQ(h.engine.getMasterVolume(), 0.8f);
        EXPECT_EQ(identifyUniversalMessage(message.data(), static_cast<int>(message.size())), UniversalMessage::None);
    }
    // The universal switch lets in only universal messages: the address map still needs receiveSysEx.
    const Bytes ownMasterVolume{0x7D, 0x10, 0x20, 0x00, 0x00, 0x00, 0x40, 0xF7};
    send(ownMasterVolume);
    EXPECT_FLOAT_EQ(h.engine.getMasterVolume(), 0.8f);
    h.engine.receiveSysEx = true;
    send(ownMasterVolume);
    EXPECT_FLOAT_EQ(h.engine.getMasterVolume(), h.engine.volumeTableEntry(0x40));
    // The direct entry point obeys the same switches.
    h.engine.receiveSysEx = false;
    dirtyTheParts();
    h.engine.systemExclusive(kXgOn.data(), static_cast<int>(kXgOn.size()));
    EXPECT_TRUE(partsAreReset());
}

} // namespace
} // namespace kest::tolvane
