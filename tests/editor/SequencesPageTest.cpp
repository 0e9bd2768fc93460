// SPDX-License-Identifier: GPL-3.0-or-later
// The sequences page in a real window, with the pointer a person would use:
// a stroke across the steps, the loop and release markers and typed notation
// reach the engine's record; the playhead of a playing note is all a quiet
// page draws. And the tone on show follows a program change and a preset load
// but not a tone picked by hand.
#include "EditorWindowFixture.h"

#include "EditorLogic/ControlTable.h"
#include "EditorLogic/SequencePage.h"

#include "public.sdk/source/common/memorystream.h"
#include "vstgui/lib/controls/ctextlabel.h"

#include <set>

namespace {

using namespace tolvane_editor_fixture;
namespace ed = kest::tolvane::editor;
using kest::tolvane::synth::SequenceKind;
using kest::tolvane::synth::ToneSequence;

class SequencesPageTest : public EditorWindowTest {
protected:
    // Page coordinates to the window's (the parent sits at the screen's origin).
    void drag(std::initializer_list<std::pair<double, double>> points)
    {
        bool first = true;
        for (const auto& [x, y] : points) {
            pointer.move(static_cast<int>(x), ed::kTopSectionHeight + static_cast<int>(y));
            frame.run(30ms);
            if (first)
                pointer.press();
            first = false;
            frame.run(30ms);
        }
        pointer.release();
        frame.run(60ms);
    }
    void click(double x, double y) { drag({{x, y}}); }
    std::string textOf(TolvaneVSTGUIEditor* editor, int tag)
    {
        auto* field = dynamic_cast<VSTGUI::CTextLabel*>(findControl(editor, tag));
        return field ? field->getText().getString() : "(none)";
    }
    void play(int blocks, int key = -1)
    {
        for (int i = 0; i < blocks; ++i) {
            Block block(512);
            if (i == 0 && key >= 0)
                block.addNoteOn(0, static_cast<int16>(key), 0.8f);
            EXPECT_EQ(processor->process(block.data), kResultOk);
        }
    }

    // Once what changed is drawn, ticks with nothing new draw nothing.
    void expectQuiet()
    {
        tickAndDraw();
        frame.run(300ms);
        damage.collect();
        frame.run(500ms);
        EXPECT_TRUE(damage.collect().empty());
    }

    DamageWatch damage;
    FakePointer pointer;
    // The empty ARP sequence as the page shows it: 16 steps, -12..+12.
    const ed::SequenceGeometry bars{static_cast<double>(ed::kSequenceEditRect.width()),
                                    static_cast<double>(ed::kSequenceEditRect.height()),
                                    16,
                                    {-12, 12}};
    double stepX(int step) const { return ed::kSequenceEditRect.left + bars.stepLeft(step) + 14; }
    double edgeX(int edge) const { return ed::kSequenceEditRect.left + bars.stepLeft(edge) + 1; }
    double valueY(int value) const { return ed::kSequenceEditRect.top + bars.bandTop(value) + 3; }
    double laneY(int lane) const { return ed::kSequenceEditRect.top + ed::kSequenceLaneHeight * lane + 6; }
};

TEST_F(SequencesPageTest, StrokesMarkersAndNotationReachTheTonesRecord)
{
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    auto* context = processor->engineContext();
    const ToneSequence& arp = context->synth->toneExpression(0).sequence(SequenceKind::Arpeggio);

    click(ed::kPageTabRect.left + 40, 11);
    ASSERT_TRUE(editor->isSequencesPageVisible());
    expectQuiet(); // VOL, whose MODE menu is empty
    click(ed::kSequenceTabX[1] + 30, ed::kSequenceTabRow + 11);
    EXPECT_EQ(context->currentSequenceKind, 1);

    // From step 1 to step 6, two jumps: every step crossed takes +5; step 0,
    // before the stroke, the neutral 0.
    drag({{stepX(1), valueY(5)}, {stepX(4), valueY(5)}, {stepX(6), valueY(5)}});
    ASSERT_EQ(arp.length, 7);
    EXPECT_EQ(std::vector<int>(arp.values.begin(), arp.values.begin() + 7), (std::vector<int>{0, 5, 5, 5, 5, 5, 5}));

    // The loop marker dragged from edge 2 to edge 5; a click where it stands removes it.
    drag({{edgeX(2), laneY(0)}, {edgeX(5), laneY(0)}});
    EXPECT_EQ(arp.loop, 5);
    tickAndDraw();
    click(edgeX(5), laneY(0));
    EXPECT_EQ(arp.loop, ToneSequence::kNone);
    click(edgeX(7), laneY(1));
    EXPECT_EQ(arp.release, 7);

    // Notation pasted into the field and confirmed; a malformed one changes
    // nothing and says why on the SEQUENCES bar.
    auto* field =
        dynamic_cast<VSTGUI::CTextLabel*>(findControl(editor, ed::kTagControl | protocol::sequence::kNotation));
    ASSERT_NE(field, nullptr);
    field->setText("0 4 7 | 12 / 0");
    field->valueChanged();
    EXPECT_EQ(std::vector<int>(arp.values.begin(), arp.values.begin() + arp.length),
              (std::vector<int>{0, 4, 7, 12, 0}));
    EXPECT_EQ(arp.loop, 3);
    EXPECT_EQ(arp.release, 4);
    field->setText("0 4 x");
    field->valueChanged();
    EXPECT_EQ(editor->fileNoticeText(), "ARP: 'x' is not a number");
    EXPECT_EQ(arp.length, 5);

    // Quiet while nothing changes; a note playing the arpeggio moves the
    // playhead, and only the step display is drawn for it.
    expectQuiet();
    play(1, 60);
    std::set<int> marked;
    for (int refresh = 0; refresh < 10; ++refresh) {
        tickAndDraw();
        marked.insert(editor->sequencePlayhead());
        play(1);
    }
    // 48 kHz, 60 ticks: 800 samples a tick; the held part ends on its loop, step 3.
    EXPECT_EQ(marked, (std::set<int>{0, 1, 2, 3}));
    const VSTGUI::CRect display(ed::kSequenceEditRect.left, ed::kTopSectionHeight + ed::kSequenceEditRect.top,
                                ed::kSequenceEditRect.right, ed::kTopSectionHeight + ed::kSequenceEditRect.bottom);
    for (const xcb_rectangle_t& r : damage.collect())
        EXPECT_TRUE(inside(r, display)) << "drawn " << r.width << "x" << r.height << " at " << r.x << "," << r.y;
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(SequencesPageTest, TheTonePageFollowsProgramChangesAndPresetLoadsButNotAToneChosenByHand)
{
    TolvaneVSTGUIEditor* editor = createEditor();
    ASSERT_NE(editor, nullptr);
    attach();
    auto* context = processor->engineContext();
    context->synth->tone(89).wave = 9;
    const int presetNumber = ed::kTagValueText | protocol::tone::kSelect;
    const int tableNumber = ed::kTagValueText | protocol::waveTable::kSelect;

    // The host's program change on part 1: the tone page and the wave editor follow.
    Block programChange(64);
    programChange.addParameter(ids::midiParamId(0, ids::kProgramItem), 89.0 / 127.0);
    EXPECT_EQ(processor->process(programChange.data), kResultOk);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(textOf(editor, presetNumber), "89");
    EXPECT_EQ(textOf(editor, tableNumber), "9");
    Steinberg::MemoryStream saved;
    ASSERT_EQ(processor->getState(&saved), kResultOk);

    // Tone 12 chosen with PRESET NUM stays on show while part 1 plays program 89.
    VSTGUI::CControl* slider = findControl(editor, ed::kTagControl | protocol::tone::kSelect);
    ASSERT_NE(slider, nullptr);
    slider->setValueNormalized(12.0f / 255.0f);
    slider->valueChanged();
    play(4, 64);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(textOf(editor, presetNumber), "12");
    EXPECT_EQ(context->currentTone, 12);

    // Loading the preset saved before shows what its part 1 plays.
    saved.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(processor->setState(&saved), kResultOk);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(textOf(editor, presetNumber), "89");
    EXPECT_EQ(textOf(editor, tableNumber), "9");
    EXPECT_EQ(view->removed(), kResultOk);
}

} // namespace
