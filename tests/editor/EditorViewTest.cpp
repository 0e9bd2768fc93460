// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own views without a window: the wavetable bar editor, the
// slider that the ordinary mouse wheel moves one step per notch, the bitmap
// the X server keeps and the joining of rectangles waiting to be drawn.
#include "CHorizontalSliderExt.h"
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "RedrawingContainer.h"
#include "ServerBitmap.h"
#include "WaveEdit.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/coffscreencontext.h"

#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/cslider.h"
#include "vstgui/lib/controls/icontrollistener.h"
#include "vstgui/lib/events.h"
#include "vstgui/lib/vstguiinit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace VSTGUI;
using kest::tolvane::editor::CHorizontalSliderExt;
using kest::tolvane::editor::WaveEdit;
namespace ed = kest::tolvane::editor;

// Views need the library's platform factory, though no frame or display.
class VstguiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { VSTGUI::init(nullptr); }
    void TearDown() override { VSTGUI::exit(); }
};
[[maybe_unused]] const auto* const kVstgui = ::testing::AddGlobalTestEnvironment(new VstguiEnvironment);

struct RecordingListener : IControlListener {
    void valueChanged(CControl* control) override
    {
        tags.push_back(control->getTag());
        values.push_back(control->getValueNormalized());
    }
    std::vector<int32_t> tags;
    std::vector<float> values;
};

void wheel(CControl& control, double deltaX, double deltaY)
{
    MouseWheelEvent event;
    event.deltaX = deltaX;
    event.deltaY = deltaY;
    control.onMouseWheelEvent(event);
}

class WaveEditTest : public ::testing::Test {
protected:
    void TearDown() override { view->forget(); }

    RecordingListener listener;
    WaveEdit* view = new WaveEdit(CRect(9, 267, 519, 401), &listener);
};

TEST_F(WaveEditTest, BarsSpanTheViewWithOneSliderPerSample)
{
    EXPECT_EQ(view->barCount(), 0);
    for (int count : {32, 128}) {
        view->setup(count, 8);
        ASSERT_EQ(view->barCount(), count);
        EXPECT_EQ(static_cast<int>(view->getNbViews()), count);
        const double width = 512.0 / count;
        for (int i = 0; i < count; ++i) {
            CVerticalSlider* bar = view->bar(i);
            ASSERT_NE(bar, nullptr);
            const CRect r = bar->getViewSize();
            EXPECT_DOUBLE_EQ(r.left, -1 + i * width) << count << " bars, bar " << i;
            EXPECT_DOUBLE_EQ(r.right, -1 + (i + 1) * width);
            EXPECT_DOUBLE_EQ(r.top, -134);
            EXPECT_DOUBLE_EQ(r.bottom, 134);
            EXPECT_EQ(bar->getTag(), ed::kTagControl | (ed::ids::wavePoint::kFirst + i));
        }
        EXPECT_DOUBLE_EQ(view->bar(0)->getViewSize().getWidth(), count == 32 ? 16.0 : 4.0);
        // Together the bars cover x -1 to 511 of the 510-pixel view.
        EXPECT_DOUBLE_EQ(view->bar(count - 1)->getViewSize().right, 511);
    }
    EXPECT_EQ(view->bar(-1), nullptr);
    EXPECT_EQ(view->bar(128), nullptr);
}

TEST_F(WaveEditTest, SetupKeepsTheBarsWhenTheCountIsUnchangedAndClampsItsCount)
{
    view->setup(32, 8);
    CVerticalSlider* first = view->bar(0);
    first->setValueNormalized(0.5f);
    // Same count, another bit depth: the same bars, untouched.
    view->setup(32, 1);
    EXPECT_EQ(view->bar(0), first);
    EXPECT_FLOAT_EQ(first->getValueNormalized(), 0.5f);
    EXPECT_FLOAT_EQ(first->getWheelInc(), 1.0f / 255.0f);

    view->setup(200, 8);
    EXPECT_EQ(view->barCount(), WaveEdit::kMaxBars);
    EXPECT_EQ(static_cast<int>(view->getNbViews()), WaveEdit::kMaxBars);
    view->setup(-5, 8);
    EXPECT_EQ(view->barCount(), 0);
    EXPECT_EQ(view->getNbViews(), 0u);
}

TEST_F(WaveEditTest, WheelMovesABarOneQuantisationStepAndTellsTheListener)
{
    view->setup(32, 1);
    CVerticalSlider* bar = view->bar(3);
    EXPECT_FLOAT_EQ(bar->getWheelInc(), 1.0f);
    bar->setValueNormalized(0.0f);
    wheel(*bar, 0.0, 1.0);
    EXPECT_FLOAT_EQ(bar->getValueNormalized(), 1.0f); // bit depth 1: bottom to top in one notch
    ASSERT_EQ(listener.tags.size(), 1u);
    EXPECT_EQ(listener.tags[0], ed::kTagControl | (ed::ids::wavePoint::kFirst + 3));

    view->setup(64, 8);
    bar = view->bar(63);
    EXPECT_FLOAT_EQ(bar->getWheelInc(), 1.0f / 255.0f);
    bar->setValueNormalized(0.0f);
    for (int notch = 0; notch < 10; ++notch)
        wheel(*bar, 0.0, 1.0);
    EXPECT_NEAR(bar->getValueNormalized() * 255.0f, 10.0f, 1e-3f);
    wheel(*bar, 0.0, -1.0);
    EXPECT_NEAR(bar->getValueNormalized() * 255.0f, 9.0f, 1e-3f);
    EXPECT_EQ(listener.tags.back(), ed::kTagControl | (ed::ids::wavePoint::kFirst + 63));
    EXPECT_EQ(listener.tags.size(), 12u);
}

// A stroke across the bars, in the page's coordinates (the view sits at 9, 267).
template <class Event> void strokeEvent(WaveEdit& view, double x, double y)
{
    Event event(CPoint(9 + x, 267 + y), MouseEventButtonState(MouseButton::Left));
    view.dispatchEvent(event);
    EXPECT_TRUE(static_cast<bool>(event.consumed));
}

TEST_F(WaveEditTest, AStrokeSetsEveryBarItCrossesEachAsItsOwnChange)
{
    view->setup(32, 8);                          // 16-pixel bars: bar i spans x -1 + 16 i to 15 + 16 i
    strokeEvent<MouseDownEvent>(*view, 40, 134); // bar 2, at the bottom
    EXPECT_TRUE(view->isDrawing());
    // One jump to bar 8, high up: the bars in between follow the straight line.
    strokeEvent<MouseMoveEvent>(*view, 136, 0);
    strokeEvent<MouseUpEvent>(*view, 136, 0);
    EXPECT_FALSE(view->isDrawing());

    ASSERT_EQ(listener.tags.size(), 6u); // bars 3 to 8; bar 2 stayed at the bottom (0)
    for (std::size_t k = 0; k + 1 < listener.tags.size(); ++k) {
        const int index = 3 + static_cast<int>(k);
        EXPECT_EQ(listener.tags[k], ed::kTagControl | (ed::ids::wavePoint::kFirst + index));
        const double centre = -1 + (index + 0.5) * 16;
        const double expected = std::clamp((centre - 40) / (136 - 40), 0.0, 1.0);
        EXPECT_NEAR(listener.values[k], expected, 1e-4) << "bar " << index;
        EXPECT_FLOAT_EQ(view->bar(index)->getValueNormalized(), listener.values[k]);
    }
    // The bar under the pointer takes the pointer's height.
    EXPECT_EQ(listener.tags.back(), ed::kTagControl | (ed::ids::wavePoint::kFirst + 8));
    EXPECT_FLOAT_EQ(view->bar(8)->getValueNormalized(), 1.0f);
    EXPECT_FLOAT_EQ(view->bar(9)->getValueNormalized(), 0.0f);

    // Leftwards out of the view: the stroke ends on the first bar.
    listener.tags.clear();
    listener.values.clear();
    strokeEvent<MouseDownEvent>(*view, 60, 67); // bar 3, half way
    strokeEvent<MouseMoveEvent>(*view, -30, 100);
    strokeEvent<MouseUpEvent>(*view, -30, 100);
    ASSERT_GE(listener.tags.size(), 4u);
    EXPECT_EQ(listener.tags.front(), ed::kTagControl | (ed::ids::wavePoint::kFirst + 3));
    EXPECT_NEAR(listener.values.front(), 0.5f, 1e-4f);
    EXPECT_EQ(listener.tags.back(), ed::kTagControl | (ed::ids::wavePoint::kFirst + 0));
    EXPECT_NEAR(view->bar(0)->getValueNormalized(), 34.0f / 134.0f, 1e-4f);

    // A pointer held still sends nothing more.
    listener.tags.clear();
    strokeEvent<MouseDownEvent>(*view, 200, 30);
    strokeEvent<MouseMoveEvent>(*view, 200, 30);
    strokeEvent<MouseUpEvent>(*view, 200, 30);
    EXPECT_EQ(listener.tags.size(), 1u);
}

// Away from the X server (an offscreen context in memory) a ServerBitmap is
// an ordinary bitmap: the very pixels under the rectangle, and no copy kept.
TEST(ServerBitmapTest, InMemoryItDrawsAsAnyBitmapAndKeepsNoCopy)
{
    auto bitmap = makeOwned<ed::ServerBitmap>(CPoint(40, 30));
    auto pixelOf = [](uint32_t x, uint32_t y) { return CColor(uint8_t(x * 5), uint8_t(y * 7), uint8_t(x ^ y), 255); };
    {
        auto access = owned(CBitmapPixelAccess::create(bitmap, false));
        ASSERT_NE(access, nullptr);
        for (uint32_t y = 0; y < 30; ++y)
            for (uint32_t x = 0; x < 40; ++x) {
                access->setPosition(x, y);
                access->setColor(pixelOf(x, y));
            }
    }
    const CRect drawn(5, 3, 27, 20);
    auto context = COffscreenContext::create(CPoint(40, 30));
    ASSERT_NE(context, nullptr);
    context->beginDraw();
    bitmap->draw(context, drawn, CPoint(5, 3));
    context->endDraw();
    auto shown = owned(CBitmapPixelAccess::create(context->getBitmap(), false));
    ASSERT_NE(shown, nullptr);
    int wrong = 0;
    for (uint32_t y = 0; y < 30; ++y)
        for (uint32_t x = 0; x < 40; ++x) {
            shown->setPosition(x, y);
            CColor c;
            shown->getColor(c);
            wrong += drawn.pointInside(CPoint(x, y)) ? c != pixelOf(x, y) : c.alpha != 0;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(bitmap->serverCopyCount(), 0u);
}

// Rectangles waiting for the redraw join when the joined one draws at most
// half as much again as both (a song's controllers in neighbouring rows),
// stay apart otherwise, and never join across frames.
TEST(PendingRedrawsTest, NeighboursJoinAndDistantRectanglesStayApart)
{
    auto* frame = new CFrame(CRect(0, 0, 528, 704), nullptr);
    auto* other = new CFrame(CRect(0, 0, 528, 704), nullptr);
    ed::PendingRedraws::flush();
    ed::PendingRedraws::add(frame, CRect(105, 169, 263, 191)); // a slider and its field
    ed::PendingRedraws::add(frame, CRect(105, 193, 263, 215)); // the row below
    EXPECT_EQ(ed::PendingRedraws::count(), 1u);
    ed::PendingRedraws::add(frame, CRect(361, 169, 519, 191)); // the column beside them
    ed::PendingRedraws::add(frame, CRect(361, 193, 519, 215));
    EXPECT_EQ(ed::PendingRedraws::count(), 1u);
    ed::PendingRedraws::add(frame, CRect(9, 600, 40, 620)); // far below
    EXPECT_EQ(ed::PendingRedraws::count(), 2u);
    ed::PendingRedraws::add(other, CRect(105, 215, 263, 237)); // next row, other window
    EXPECT_EQ(ed::PendingRedraws::count(), 3u);
    // Handed to frames that are not open: they drop them.
    ed::PendingRedraws::flush();
    EXPECT_EQ(ed::PendingRedraws::count(), 0u);
    frame->forget();
    other->forget();
}

// A slider as the editor makes it for a row of the control table.
class WheelSliderTest : public ::testing::Test {
protected:
    CHorizontalSliderExt* makeSlider(int steps)
    {
        slider = new CHorizontalSliderExt(CRect(0, 0, 94, 23), &listener, 7, 0, 84, nullptr, nullptr, CPoint(0, 0),
                                          CSlider::kHorizontal | CSlider::kLeft);
        slider->setWheelInc(1.0f / static_cast<float>(steps));
        return slider;
    }
    void TearDown() override
    {
        if (slider)
            slider->forget();
    }

    RecordingListener listener;
    CHorizontalSliderExt* slider = nullptr;
};

TEST_F(WheelSliderTest, TheTableHasThe127And16383StepSliders)
{
    bool has127 = false, has16383 = false;
    for (const ed::ControlRow& row : ed::controlRows())
        if (row.kind == ed::ControlKind::Slider) {
            EXPECT_GT(row.steps, 0) << row.label;
            has127 = has127 || row.steps == 127;
            has16383 = has16383 || row.steps == 16383;
        }
    EXPECT_TRUE(has127);
    EXPECT_TRUE(has16383);
}

TEST_F(WheelSliderTest, A127StepSliderCrossesItsRangeIn127Notches)
{
    makeSlider(127);
    slider->setValueNormalized(0.0f);
    for (int notch = 1; notch <= 127; ++notch) {
        wheel(*slider, 0.0, 1.0);
        ASSERT_EQ(std::lround(slider->getValueNormalized() * 127.0f), notch);
    }
    // Summed float steps may stop a hair below 1; the processor rounds, so
    // this is already the top step, and a further notch keeps it there.
    EXPECT_NEAR(slider->getValueNormalized(), 1.0f, 1e-5f);
    EXPECT_EQ(listener.tags.size(), 127u);
    wheel(*slider, 0.0, 1.0);
    EXPECT_FLOAT_EQ(slider->getValueNormalized(), 1.0f);
    for (int notch = 0; notch < 127; ++notch)
        wheel(*slider, 0.0, -1.0);
    EXPECT_NEAR(slider->getValueNormalized(), 0.0f, 1e-5f);
}

TEST_F(WheelSliderTest, OneNotchMovesThe16383StepSliderOneUnit)
{
    makeSlider(16383);
    slider->setValueNormalized(8192.0f / 16383.0f);
    wheel(*slider, 0.0, 1.0);
    EXPECT_EQ(std::lround(slider->getValueNormalized() * 16383.0f), 8193);
    wheel(*slider, 0.0, -1.0);
    wheel(*slider, 0.0, -1.0);
    EXPECT_EQ(std::lround(slider->getValueNormalized() * 16383.0f), 8191);
    ASSERT_EQ(listener.tags.size(), 3u);
    EXPECT_EQ(listener.tags[0], 7);
}

TEST_F(WheelSliderTest, TheHorizontalAxisIsHandedOnUnchanged)
{
    makeSlider(100);
    slider->setValueNormalized(0.5f);
    // The library negates the horizontal axis for horizontal sliders.
    wheel(*slider, 1.0, 0.0);
    EXPECT_NEAR(slider->getValueNormalized(), 0.49f, 1e-5f);
    wheel(*slider, -2.0, 0.0);
    EXPECT_NEAR(slider->getValueNormalized(), 0.51f, 1e-5f);
    // With both axes moving, the horizontal one alone counts.
    wheel(*slider, 1.0, 5.0);
    EXPECT_NEAR(slider->getValueNormalized(), 0.50f, 1e-5f);
    wheel(*slider, 0.0, 0.0);
    EXPECT_NEAR(slider->getValueNormalized(), 0.50f, 1e-5f);
    EXPECT_EQ(listener.tags.size(), 3u);
}

} // namespace
