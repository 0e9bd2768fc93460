// SPDX-License-Identifier: GPL-3.0-or-later
// The sequences page's window-free logic: where the pointer lands on the step
// editor, which spans the bars show, the texts, and notation sent through the
// processor's own value handling into a tone's record.
#include "EditorLogic/SequencePage.h"
#include "EditorLogic/EditorIds.h"
#include "EngineContext.h"

#include <gtest/gtest.h>

namespace {

namespace ed = kest::tolvane::editor;
using kest::tolvane::synth::SequenceKind;
using kest::tolvane::synth::ToneSequence;

TEST(SequencePage, PointerPositionsBecomeStepsValuesAndMarkerPoints)
{
    // 16 steps of 20 pixels; below the two 12-pixel lanes, 25 bands of 8 pixels.
    const ed::SequenceGeometry g(320, 224, 16, {-12, 12});
    EXPECT_EQ(g.areaAt(5), ed::SequenceGeometry::Area::LoopLane);
    EXPECT_EQ(g.areaAt(20), ed::SequenceGeometry::Area::ReleaseLane);
    EXPECT_EQ(g.areaAt(24), ed::SequenceGeometry::Area::Bars);
    EXPECT_EQ(g.stepAt(39.9), 1);
    EXPECT_EQ(g.stepAt(-50), 0);
    EXPECT_EQ(g.stepAt(999), 15);
    EXPECT_EQ(g.boundaryAt(49), 2);
    EXPECT_EQ(g.boundaryAt(51), 3);
    EXPECT_EQ(g.valueAt(24.5), 12);
    EXPECT_EQ(g.valueAt(223.5), -12);
    EXPECT_EQ(g.valueAt(124), 0); // band 12 of 25, 120 to 128, holds zero
    EXPECT_EQ(g.valueAt(-30), 12);
    EXPECT_DOUBLE_EQ(g.bandTop(0), 120.0);
    // Points stay inside the sequence: a loop on a step, a release up to just past the end.
    EXPECT_EQ(ed::loopPointAt(9, 5), 4);
    EXPECT_EQ(ed::releasePointAt(9, 5), 5);
    EXPECT_EQ(ed::loopPointAt(2, 0), -1);

    EXPECT_EQ(ed::visibleSteps(0), 16);
    EXPECT_EQ(ed::visibleSteps(16), 24);
    EXPECT_EQ(ed::visibleSteps(64), 64);
    ToneSequence pitch;
    pitch.length = 2;
    pitch.values[1] = -100;
    EXPECT_EQ(ed::spanText(ed::displaySpans(SequenceKind::Pitch, 0)[ed::fittingSpan(SequenceKind::Pitch, pitch)]),
              "-192..+192");
    EXPECT_EQ(ed::spanText(ed::displaySpans(SequenceKind::Volume, 0)[0]), "0..15");
}

TEST(SequencePage, TickLengthAtTheSampleRateAndTheToneOnTheTitleBar)
{
    EXPECT_EQ(ed::tickLengthText(48000, 60), "16.67 ms (800 samples)");
    EXPECT_EQ(ed::tickLengthText(44100, 60), "16.67 ms (735 samples)");
    EXPECT_EQ(ed::tickLengthText(44100, 240), "4.17 ms (183-184 samples)");
    EXPECT_EQ(ed::sequenceToneText(89, "Square Lead     "), "TONE 89  Square Lead");
    EXPECT_EQ(ed::sequenceToneText(130, "\0"), "TONE 130");
}

// Notation sent as the editor sends it reaches the current tone's record
// whole, whatever the sequence held before; a refusal sends nothing.
TEST(SequencePage, NotationReachesTheTonesRecordOrIsRefusedWithItsReason)
{
    kest::tolvane::plugin::EngineContext context;
    context.applyValueChange(ed::ids::sequence::kKind, 1.0f);
    const ToneSequence& arp = context.synth->toneExpression(0).sequence(SequenceKind::Arpeggio);
    auto send = [&](std::string_view text) {
        const ed::NotationChanges notation = ed::notationChanges(text, SequenceKind::Arpeggio, arp.mode);
        for (const ed::ValueChange& change : notation.changes)
            context.applyValueChange(change.id, change.value);
        return notation.refusal;
    };
    EXPECT_EQ(send("0 3 7 10 12 15 19 | 24"), "");
    EXPECT_EQ(arp.loop, 7);
    EXPECT_EQ(send("0, 4, 7 / -200"), "");
    EXPECT_EQ(std::vector<int>(arp.values.begin(), arp.values.begin() + arp.length), (std::vector<int>{0, 4, 7, -96}));
    EXPECT_EQ(arp.loop, ToneSequence::kNone);
    EXPECT_EQ(arp.release, 3);

    const ed::NotationChanges refused = ed::notationChanges("| 0 | 4", SequenceKind::Arpeggio, arp.mode);
    EXPECT_TRUE(refused.changes.empty());
    EXPECT_EQ(refused.refusal, "ARP: more than one '|'");
    EXPECT_EQ(send(""), "");
    EXPECT_TRUE(arp.isEmpty());
}

} // namespace
