// SPDX-License-Identifier: GPL-3.0-or-later
// The PLAY panel in a real window: "Play…" in the PART menu opens it, its
// controls set the current part's stored play through the value changes, it
// shows what is set from elsewhere at the next refresh and follows the part
// chosen, and its CLOSE button, a click on the shaded page and Escape close it,
// at 100 % and 200 %.
#include "EditorWindowFixture.h"

#include "EditorLogic/ControlTable.h"
#include "EditorLogic/Zoom.h"

#include "vstgui/lib/controls/coptionmenu.h"
#include "vstgui/lib/controls/ctextlabel.h"

namespace {

using namespace tolvane_editor_fixture;
namespace ed = kest::tolvane::editor;
using kest::tolvane::synth::PartPlaySettings;

class PlayPanelTest : public EditorWindowTest {
protected:
    TolvaneVSTGUIEditor* openWindow()
    {
        TolvaneVSTGUIEditor* editor = createEditor();
        attach();
        parent.mapChildren();
        settle();
        return editor;
    }
    // PART menu, then its fifth entry, "Play…", with the keyboard.
    void chooseFromPartMenu(TolvaneVSTGUIEditor* editor, double zoom = 1.0)
    {
        const std::size_t views = frameViews(editor);
        const ed::Rect button = ed::menuButtonRect(*ed::findControlRow(protocol::part::kMenuButton));
        click(editor, {(button.left + button.right) / 2.0, (button.top + button.bottom) / 2.0}, zoom);
        ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; })) << "the PART menu did not open";
        for (int entry = 0; entry < 5; ++entry)
            press(editor, VSTGUI::VirtualKey::Down);
        press(editor, VSTGUI::VirtualKey::Return);
        ASSERT_TRUE(waitFor([&] { return frameViews(editor) == views; }));
    }
    // The centre of a panel rectangle in window points.
    static VSTGUI::CPoint centre(const ed::Rect& r)
    {
        return {(r.left + r.right) / 2.0, ed::kTopSectionHeight + (r.top + r.bottom) / 2.0};
    }
    static VSTGUI::CPoint fieldCentre(int id) { return centre(ed::valueFieldRect(*ed::findControlRow(id))); }
    std::string textOf(TolvaneVSTGUIEditor* editor, int tag)
    {
        return dynamic_cast<VSTGUI::CTextLabel*>(findControl(editor, tag))->getText().getString();
    }
    const PartPlaySettings& stored(int part) { return processor->engineContext()->synth->part(part).storedPlay; }
};

TEST_F(PlayPanelTest, ItsControlsSetTheCurrentPartsStoredPlay)
{
    TolvaneVSTGUIEditor* editor = openWindow();
    ASSERT_NE(editor, nullptr);
    sendToProcessor(protocol::part::kSelect, 3.0 / 15.0); // part 3
    EXPECT_FALSE(editor->isPlayPanelVisible());
    chooseFromPartMenu(editor);
    ASSERT_TRUE(editor->isPlayPanelVisible());

    // Clicked: LEGATO and retrigger on.
    click(editor, centre(ed::playModeButtonRect(2)));
    click(editor, fieldCentre(protocol::part::kArpRetrigger));

    // Sliders and menus moved (normalised), numbers typed: each lands in part 3's stored play.
    const std::pair<int, float> moved[] = {{protocol::part::kPortamentoTime, 64.0f / 127.0f},
                                           {protocol::part::kArpPattern, 3.0f / 5.0f},    // up-down
                                           {protocol::part::kArpNoteValue, 3.0f / 7.0f}}; // 1/16
    for (const auto& [id, value] : moved) {
        findControl(editor, ed::kTagControl | id)->setValueNormalized(value);
        findControl(editor, ed::kTagControl | id)->valueChanged();
    }
    for (const auto& [id, typed] : {std::pair{protocol::part::kArpOctaves, "3"}, {protocol::part::kArpRate, "6"}}) {
        auto* field = dynamic_cast<VSTGUI::CTextLabel*>(findControl(editor, ed::kTagValueText | id));
        field->setText(typed);
        field->valueChanged();
    }
    const PartPlaySettings expected{.mode = 2,
                                    .portamentoTime = 64,
                                    .arpPattern = 3,
                                    .arpOctaves = 3,
                                    .arpRate = 6,
                                    .arpNoteValue = 3,
                                    .arpRetrigger = true};
    EXPECT_EQ(stored(3), expected);
    EXPECT_EQ(stored(0), PartPlaySettings{}); // the part on show only
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(textOf(editor, ed::playPanel::kGlideTime), "1.016 s, 61 ticks"); // 60 ticks a second
    EXPECT_EQ(textOf(editor, ed::kTagValueText | protocol::part::kArpOctaves), "3");

    // Pressed again, LEGATO stays lit and chosen.
    click(editor, centre(ed::playModeButtonRect(2)));
    EXPECT_EQ(stored(3).mode, 2);
    EXPECT_EQ(findControl(editor, ed::kTagPlayMode | 2)->getValueNormalized(), 1.0f);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(PlayPanelTest, ItShowsWhatIsSetElsewhereAndFollowsThePartChosen)
{
    TolvaneVSTGUIEditor* editor = openWindow();
    ASSERT_NE(editor, nullptr);
    editor->showPlayPanel(true);
    auto* pattern =
        dynamic_cast<VSTGUI::COptionMenu*>(findControl(editor, ed::kTagControl | protocol::part::kArpPattern));
    ASSERT_NE(pattern, nullptr);

    // Written behind the editor's back, as a SysEx message would: shown at the next tick.
    processor->engineContext()->synth->setStoredPlay(0, {.mode = 1, .arpOctaves = 4, .arpRetrigger = true});
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(findControl(editor, ed::kTagPlayMode | 1)->getValueNormalized(), 1.0f);
    EXPECT_EQ(findControl(editor, ed::kTagPlayMode | 0)->getValueNormalized(), 0.0f);
    EXPECT_EQ(textOf(editor, ed::kTagValueText | protocol::part::kArpOctaves), "4");
    EXPECT_EQ(findControl(editor, ed::kTagControl | protocol::part::kArpRetrigger)->getValueNormalized(), 1.0f);

    // Another editor's (or the host's) value change: random.
    sendToProcessor(protocol::part::kArpPattern, 1.0);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(pattern->getCurrentIndex(), 5);

    // Part 6 chosen: its own, untouched play, and its number on the title bar.
    sendToProcessor(protocol::part::kSelect, 6.0 / 15.0);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_TRUE(editor->isPlayPanelVisible());
    EXPECT_EQ(findControl(editor, ed::kTagPlayMode | 0)->getValueNormalized(), 1.0f);
    EXPECT_EQ(pattern->getCurrentIndex(), 0);
    EXPECT_EQ(textOf(editor, ed::kTagValueText | protocol::part::kArpOctaves), "1");
    EXPECT_EQ(textOf(editor, ed::playPanel::kGlideTime), "no glide");
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(PlayPanelTest, CloseEscapeAndAClickOnTheShadedPageCloseItAtEveryZoom)
{
    TolvaneVSTGUIEditor* editor = openWindow();
    ASSERT_NE(editor, nullptr);
    const VSTGUI::CPoint closeButton = centre(ed::kPageTabRect);
    const VSTGUI::CPoint shadedPage(300, ed::kTopSectionHeight + ed::kPlayPanelHeight + 100);
    for (const double zoom : {1.0, 2.0}) {
        SCOPED_TRACE(zoom);
        editor->setZoomChoice(zoom == 1.0 ? ed::kZoom100 : ed::kZoom200);
        settle();
        chooseFromPartMenu(editor, zoom);
        ASSERT_TRUE(editor->isPlayPanelVisible());
        click(editor, closeButton, zoom);
        EXPECT_FALSE(editor->isPlayPanelVisible());

        chooseFromPartMenu(editor, zoom);
        click(editor, shadedPage, zoom);
        EXPECT_FALSE(editor->isPlayPanelVisible());
        EXPECT_EQ(stored(0), PartPlaySettings{}); // the page below took no click

        chooseFromPartMenu(editor, zoom);
        // An open menu takes Escape for itself.
        const std::size_t views = frameViews(editor);
        click(editor, fieldCentre(protocol::part::kArpNoteValue), zoom);
        ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; }));
        press(editor, VSTGUI::VirtualKey::Escape);
        ASSERT_TRUE(waitFor([&] { return frameViews(editor) == views; }));
        EXPECT_TRUE(editor->isPlayPanelVisible());
        press(editor, VSTGUI::VirtualKey::Escape);
        EXPECT_FALSE(editor->isPlayPanelVisible());
    }
    EXPECT_EQ(view->removed(), kResultOk);
}

} // namespace
