// SPDX-License-Identifier: GPL-3.0-or-later
// Out-of-range record fields and malformed events must never index outside a
// table or a buffer (run these under the address and undefined sanitizers).
#include <gtest/gtest.h>

#include <cmath>

#include "EngineHarness.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;
using kest::tolvane::test::EngineHarness;

TEST(Robustness, WildRecordFieldsPlayInsideTheTables)
{
    EngineHarness h;
    for (int program : {0, 128 + 60}) {
        TonePreset& t = h.engine.tone(program);
        t.key = 900;
        t.pan = -50;
        t.tune = 99999;
        t.wave = 300;
        t.tl = -4;
        t.ar = 400;
        t.dr = -1;
        t.sl = 1000;
        t.rr = 128;
        t.kf = 9;
        t.kfStart = -300;
        t.lms = 99;
        t.lfoFreq = -2;
    }
    PartState& part = h.engine.part(0);
    part.cc[7] = 1000;
    part.cc[10] = -20;
    part.cc[11] = 128;
    part.output = 99;
    part.bendRange = 500;
    part.pitchBend = -7;
    part.program = 0;
    h.noteOn(0, 60, 300);
    h.block(512);
    h.engine.setMode(0, kModePercussion);
    h.noteOn(0, 60, 100);
    h.block(512);
    for (const auto& channel : h.buffers)
        for (float s : channel)
            ASSERT_TRUE(std::isfinite(s));
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
}

TEST(Robustness, MalformedEventsAreContained)
{
    EngineHarness h;
    h.engine.tone(0).sl = 0;
    h.queue.queueChannelEvent(kNoteOn, 37, 200, 100, -50); // channel and key masked, time at the start
    h.queue.queueChannelEvent(kPitchBend, 3, 999, -1, 10);
    h.queue.queueChannelEvent(kControlChange, 2, 300, 5, 10);
    h.queue.queueChannelEvent(kProgramChange, 1, -1, 0, 20);
    h.queue.queueChannelEvent(kNoteOn, 0, 60, 100, 1 << 30);
    h.block(64);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 2);
    EXPECT_GE(h.engine.part(3).pitchBend, 0);
    EXPECT_LE(h.engine.part(3).pitchBend, 16383);
    EXPECT_EQ(h.engine.part(1).program, 127);

    // A block without output buffers renders nothing and does not crash.
    h.host.process(nullptr, 64);
    h.engine.systemExclusive(nullptr, 10);
}
