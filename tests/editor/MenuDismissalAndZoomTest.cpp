// SPDX-License-Identifier: GPL-3.0-or-later
// The editor driven by pointer and keyboard events in its real X window:
// dismissing any menu does nothing, and a zoomed window is the same editor,
// larger, whose clicks land on the same controls.
#include "EditorWindowFixture.h"

#include "EditorLogic/ControlTable.h"
#include "EditorLogic/Zoom.h"

#include "public.sdk/source/common/memorystream.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace tolvane_editor_fixture;
namespace editor = kest::tolvane::editor;

std::vector<char> bytesOf(MemoryStream& stream)
{
    const char* data = stream.getData();
    return std::vector<char>(data, data + stream.getSize());
}

// The window position of a control row's menu button or field, in 100 % points.
VSTGUI::CPoint centreOf(int id)
{
    const editor::ControlRow* row = editor::findControlRow(id);
    EXPECT_NE(row, nullptr) << std::hex << id;
    if (!row)
        return {};
    const editor::Rect r =
        row->kind == editor::ControlKind::MenuButton ? editor::menuButtonRect(*row) : editor::valueFieldRect(*row);
    const int pageTop = row->page == editor::Page::Top ? 0 : editor::kTopSectionHeight;
    return {(r.left + r.right) / 2.0, pageTop + (r.top + r.bottom) / 2.0};
}

// Processor, controller and editor with every message from the controller
// recorded on its way to the processor.
class EditorEventTest : public EditorWindowTest {
protected:
    void SetUp() override
    {
        EditorWindowTest::SetUp();
        toProcessor = RecordingConnection(processor); // the processor exists only now
        controller->disconnect(processor);
        controller->connect(&toProcessor);
        ASSERT_TRUE(bigParent.create(1100, 1450));
    }

    TolvaneVSTGUIEditor* open(ParentWindow& window)
    {
        TolvaneVSTGUIEditor* editor = createEditor();
        if (editor) {
            EXPECT_EQ(view->attached(window.handle(), kPlatformTypeX11EmbedWindowID), kResultTrue);
            window.mapChildren();
        }
        settle();
        return editor;
    }

    // The editor's window once it is `width` wide and drawn: the panel left of
    // MAIN VOLUME is light (an undrawn window is black).
    Screenshot drawnWindow(int width)
    {
        Screenshot shot;
        for (int attempt = 0; attempt < 50; ++attempt) {
            frame.run(100ms);
            shot = bigParent.grabChild();
            if (shot.width != width)
                continue;
            const int scale = width / editor::kWindowWidth;
            const std::uint32_t pixel = shot.pixels[static_cast<std::size_t>(150 * scale * shot.width + 6 * scale)];
            if (((pixel >> 8) & 0xFF) > 150)
                break;
        }
        return shot;
    }

    std::vector<char> processorState()
    {
        MemoryStream stream;
        EXPECT_EQ(processor->getState(&stream), kResultOk);
        return bytesOf(stream);
    }
    std::size_t valueChanges() const { return toProcessor.withId(ids::kMsgValueChange).size(); }
    std::size_t fileSelects() const { return toProcessor.withId(ids::kMsgFileSelect).size(); }

    RecordingConnection toProcessor;
    ParentWindow bigParent;
};

// ---- Dismissed menus ---------------------------------------------------------------

struct MenuCase {
    const char* name;
    int id;             // menu button or option menu
    bool samplerPage;   // shown only in Sampler mode
    int downsToSubMenu; // > 0: open the sub-menu this many entries down first
};

const MenuCase kMenuCases[] = {
    {"SYNTH", protocol::system::kMenuButton, false, 0},
    {"SYNTH > Zoom", protocol::system::kMenuButton, false, 5},
    {"PART menu", protocol::part::kMenuButton, false, 0},
    {"PART > OutPut", protocol::part::kMenuButton, false, 4},
    {"PART option menu", protocol::part::kSelect, false, 0},
    {"MODE", protocol::part::kMode, false, 0},
    {"TONE PRESET", protocol::tone::kMenuButton, false, 0},
    {"STRC", protocol::tone::kStrc, false, 0},
    {"WAVE TABLE", protocol::waveTable::kMenuButton, false, 0},
    {"WAVE TABLE > Table Size", protocol::waveTable::kMenuButton, false, 1},
    {"WAVE TABLE > Bit Depth", protocol::waveTable::kMenuButton, false, 2},
    {"SAMPLER PRESET", protocol::sampler::kMenuButton, true, 0},
    {"SAMPLE DATA", protocol::sampleData::kMenuButton, true, 0},
};

TEST_F(EditorEventTest, EscapeOrAClickOutsideAnyMenuDoesNothing)
{
    TolvaneVSTGUIEditor* editor = open(parent);
    ASSERT_NE(editor, nullptr);
    // Values away from their defaults, so that any reset would show.
    sendToProcessor(protocol::system::kMasterVolume, 0.25); // MAIN VOLUME
    sendToProcessor(protocol::part::kProgram, 0.5);         // PROGRAM
    sendToProcessor(protocol::tone::kKfStart, 0.3);         // a tone slider
    sendToProcessor(protocol::part::kSelect, 2.0 / 15.0);   // part 2 shown

    for (const MenuCase& menu : kMenuCases) {
        for (const bool byEscape : {true, false}) {
            SCOPED_TRACE(std::string(menu.name) + (byEscape ? ", Escape" : ", click outside"));
            sendToProcessor(protocol::part::kMode, menu.samplerPage ? 1.0 : 1.0 / 3.0); // MODE: Sampler or Instrument
            settle();
            ASSERT_EQ(editor->isSamplerPageVisible(), menu.samplerPage);
            const std::size_t views = frameViews(editor);
            const std::vector<char> before = processorState();
            const std::size_t changesBefore = valueChanges(), selectsBefore = fileSelects();

            click(editor, centreOf(menu.id));
            ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; })) << "the menu did not open";
            if (menu.downsToSubMenu > 0) {
                for (int i = 0; i < menu.downsToSubMenu; ++i)
                    press(editor, VSTGUI::VirtualKey::Down);
                press(editor, VSTGUI::VirtualKey::Right);
            }
            if (byEscape)
                press(editor, VSTGUI::VirtualKey::Escape);
            else
                click(editor, {520, 700}); // the window's corner, away from every menu
            EXPECT_TRUE(waitFor([&] { return frameViews(editor) == views; })) << "the menu stayed open";
            EXPECT_EQ(valueChanges(), changesBefore);
            EXPECT_EQ(fileSelects(), selectsBefore);
            EXPECT_TRUE(processorState() == before) << "the processor's state changed";
        }
    }
    EXPECT_EQ(editor->zoomChoice(), editor::kZoomAsHost);
    EXPECT_EQ(view->removed(), kResultOk);
}

// The same path with a choice made: the events reach the menu, and a chosen
// entry still runs.
TEST_F(EditorEventTest, AChosenEntryStillRuns)
{
    TolvaneVSTGUIEditor* editor = open(parent);
    ASSERT_NE(editor, nullptr);
    const std::size_t changesBefore = valueChanges();

    // SYNTH, first entry: System Reset, which resets every part's program.
    sendToProcessor(protocol::part::kProgram, 0.5);
    const std::vector<char> before = processorState();
    const std::size_t views = frameViews(editor);
    click(editor, centreOf(protocol::system::kMenuButton));
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; }));
    press(editor, VSTGUI::VirtualKey::Down);
    press(editor, VSTGUI::VirtualKey::Return);
    ASSERT_TRUE(waitFor([&] { return valueChanges() > changesBefore; }));
    EXPECT_EQ(toProcessor.withId(ids::kMsgValueChange).back().tag, protocol::system::kReset);
    EXPECT_FALSE(processorState() == before);
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) == views; }));

    // MODE, fourth entry: Sampler.
    click(editor, centreOf(protocol::part::kMode));
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; }));
    settleMenu();
    click(editor, {centreOf(protocol::part::kMode).x, 215});
    EXPECT_TRUE(waitFor([&] { return processor->engineContext()->synth->getMode(0) == 3; }));
    EXPECT_EQ(view->removed(), kResultOk);
}

// ---- Zoom ---------------------------------------------------------------------------

// Mean absolute difference per colour channel between `small` and `large`
// shrunk by two (each 2x2 block averaged), with `large` shifted by `dx` points.
double meanDifferenceAtHalf(const Screenshot& small, const Screenshot& large, int dx = 0)
{
    double sum = 0;
    long count = 0;
    for (int y = 0; y < small.height; ++y) {
        for (int x = 8; x < small.width - 8; ++x) {
            const int lx = 2 * (x + dx), ly = 2 * y;
            for (int shift : {0, 8, 16}) {
                int average = 0;
                for (int oy = 0; oy < 2; ++oy)
                    for (int ox = 0; ox < 2; ++ox)
                        average +=
                            (large.pixels[static_cast<std::size_t>((ly + oy) * large.width + lx + ox)] >> shift) & 0xFF;
                const int pixel = (small.pixels[static_cast<std::size_t>(y * small.width + x)] >> shift) & 0xFF;
                sum += std::abs(average / 4 - pixel);
                ++count;
            }
        }
    }
    return count ? sum / count : 1e9;
}

TEST_F(EditorEventTest, At200PercentTheWindowIsTheSameEditorTwiceAsLarge)
{
    TolvaneVSTGUIEditor* editor = open(bigParent);
    ASSERT_NE(editor, nullptr);
    const Screenshot normal = drawnWindow(528);
    ASSERT_EQ(normal.width, 528);
    ASSERT_EQ(normal.height, 704);

    // The user's choice from the SYNTH menu's Zoom sub-menu: Zoom is its sixth entry (Polyphony is skipped),
    // 200 % the fourth of the sub-menu.
    const std::size_t views = frameViews(editor);
    click(editor, centreOf(protocol::system::kMenuButton));
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; }));
    for (int i = 0; i < 5; ++i)
        press(editor, VSTGUI::VirtualKey::Down);
    press(editor, VSTGUI::VirtualKey::Right);
    for (int i = 0; i < 4; ++i)
        press(editor, VSTGUI::VirtualKey::Down);
    press(editor, VSTGUI::VirtualKey::Return);
    ASSERT_TRUE(waitFor([&] { return editor->zoomChoice() == editor::kZoom200; }));
    // Nothing of it reached the processor, and the controller keeps it.
    EXPECT_TRUE(toProcessor.withId(ids::kMsgValueChange).empty());
    EXPECT_EQ(controller->editorZoomChoice(), editor::kZoom200);

    // The host was asked for the larger window, and the window has it.
    EXPECT_EQ(frame.lastSize.getWidth(), 1056);
    EXPECT_EQ(frame.lastSize.getHeight(), 1408);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1056);
    EXPECT_EQ(size.getHeight(), 1408);
    const Screenshot zoomed = drawnWindow(1056);
    ASSERT_EQ(zoomed.width, 1056);
    ASSERT_EQ(zoomed.height, 1408);

    // Same layout: shrunk by two it matches the 100 % window but for the
    // edges of text and lines; an editor drawn 8 points off does not.
    const double same = meanDifferenceAtHalf(normal, zoomed);
    const double shifted = meanDifferenceAtHalf(normal, zoomed, 8);
    std::printf("mean difference per channel, 200 %% shrunk vs 100 %%: %.2f; shifted by 8 points: %.2f\n", same,
                shifted);
    EXPECT_LT(same, 6.0);
    EXPECT_GT(shifted, 3 * same);

    // Clicks land on the same controls: the logo shows the about overlay, the
    // library logo on it hides it, and MODE's fourth entry picks Sampler.
    click(editor, {264, 23}, 2.0);
    EXPECT_TRUE(editor->isAboutOverlayVisible());
    click(editor, {264, 300}, 2.0);
    EXPECT_FALSE(editor->isAboutOverlayVisible());
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) == views; }));
    click(editor, centreOf(protocol::part::kMode), 2.0);
    ASSERT_TRUE(waitFor([&] { return frameViews(editor) > views; }));
    settleMenu();
    click(editor, {centreOf(protocol::part::kMode).x, 215}, 2.0);
    EXPECT_TRUE(waitFor([&] { return processor->engineContext()->synth->getMode(0) == 3; }));
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_TRUE(editor->isSamplerPageVisible());

    // Saved with the controller and given to the next editor it creates.
    MemoryStream saved;
    ASSERT_EQ(controller->getState(&saved), kResultOk);
    ASSERT_EQ(view->removed(), kResultOk);
    EXPECT_TRUE(waitFor([&] { return frame.eventHandlerCount() == 0 && frame.timerCount() == 0; }));
    view->setFrame(nullptr);
    view->release();
    view = nullptr;
    controller->setEditorZoomChoice(editor::kZoom100);
    saved.seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(controller->setState(&saved), kResultOk);
    TolvaneVSTGUIEditor* reopened = open(bigParent);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->zoomChoice(), editor::kZoom200);
    EXPECT_EQ(drawnWindow(1056).width, 1056);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(EditorEventTest, FollowsTheHostsScaleFactorUnlessTheUserChoseOne)
{
    TolvaneVSTGUIEditor* editor = open(bigParent);
    ASSERT_NE(editor, nullptr);
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    ASSERT_TRUE(scaling);
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    EXPECT_DOUBLE_EQ(editor->zoom(), 1.5);
    EXPECT_EQ(frame.lastSize.getWidth(), 792);
    EXPECT_EQ(frame.lastSize.getHeight(), 1056);
    EXPECT_EQ(drawnWindow(792).width, 792);

    // The user's 100 % wins over the host's factor; "As Host" returns to it.
    editor->setZoomChoice(editor::kZoom100);
    EXPECT_EQ(frame.lastSize.getWidth(), 528);
    editor->setZoomChoice(editor::kZoomAsHost);
    EXPECT_EQ(frame.lastSize.getWidth(), 792);
    // A factor no screen has is taken as 100 %.
    EXPECT_EQ(scaling->setContentScaleFactor(0.0f), kResultTrue);
    EXPECT_EQ(frame.lastSize.getWidth(), 528);
    EXPECT_EQ(view->removed(), kResultOk);
}

} // namespace
