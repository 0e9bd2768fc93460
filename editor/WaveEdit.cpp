// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveEdit.h"

#include "EditorBitmaps.h"
#include "EditorLogic/EditorIds.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/controls/cslider.h"
#include "vstgui/lib/events.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

float wheelStepForDepth(int bitDepth)
{
    const int depth = std::clamp(bitDepth, 1, 8);
    return 1.0f / static_cast<float>((1 << depth) - 1);
}

} // namespace

WaveEdit::WaveEdit(const CRect& size, IControlListener* listener) : CViewContainer(size), listener_(listener)
{
    setTransparency(true);
}

WaveEdit::~WaveEdit() = default; // the container releases the bars it holds

CVerticalSlider* WaveEdit::bar(int index) const
{
    if (index < 0 || index >= barCount())
        return nullptr;
    return bars_[static_cast<std::size_t>(index)];
}

void WaveEdit::removeBars()
{
    for (CVerticalSlider* bar : bars_)
        removeView(bar, true);
    bars_.clear();
}

void WaveEdit::setup(int count, int bitDepth)
{
    count = std::clamp(count, 0, kMaxBars);
    if (count == barCount())
        return;
    removeBars();
    bars_.reserve(static_cast<std::size_t>(count));

    auto handle = loadBitmap("waveBar.png");
    const double width = 512.0 / count;
    for (int i = 0; i < count; ++i) {
        // Each bar is twice the view's height; the view clips it so that only
        // the lower half, where the handle's bar colour rises, shows.
        const CRect rect(-1 + i * width, -kBarHalfHeight, -1 + (i + 1) * width, kBarHalfHeight);
        auto* bar = new CVerticalSlider(rect, listener_, kTagControl | ids::wavePoint::id(i), -kBarHalfHeight, 0,
                                        handle, nullptr, CPoint(0, 0), CSlider::kVertical | CSlider::kBottom);
        bar->setWheelInc(wheelStepForDepth(bitDepth));
        bars_.push_back(bar);
        addView(bar);
    }
}

// ---- Drawing with the mouse ------------------------------------------------------

int WaveEdit::barIndexAt(double x) const
{
    const double width = 512.0 / barCount();
    return std::clamp(static_cast<int>(std::floor((x + 1.0) / width)), 0, barCount() - 1);
}

void WaveEdit::setBar(int index, double y)
{
    CVerticalSlider* bar = bars_[static_cast<std::size_t>(index)];
    // The bar's colour rises from the bottom to the pointer.
    const auto value = static_cast<float>(std::clamp((kBarHalfHeight - y) / kBarHalfHeight, 0.0, 1.0));
    if (bar->getValueNormalized() == value)
        return;
    bar->setValueNormalized(value);
    bar->invalid();
    bar->valueChanged();
}

void WaveEdit::drawTo(CPoint to)
{
    const int from = barIndexAt(last_.x);
    const int under = barIndexAt(to.x);
    // A fast stroke skips bars between two mouse events: each takes the height
    // of the straight line at its centre. The bar under the pointer takes the
    // pointer's height; the one it came from keeps what it was given.
    const int step = under > from ? 1 : -1;
    const double width = 512.0 / barCount();
    for (int i = from + step; under != from && i != under; i += step) {
        const double centre = -1.0 + (i + 0.5) * width;
        const double t = (centre - last_.x) / (to.x - last_.x);
        setBar(i, last_.y + std::clamp(t, 0.0, 1.0) * (to.y - last_.y));
    }
    setBar(under, to.y);
    last_ = to;
}

void WaveEdit::onMouseDownEvent(MouseDownEvent& event)
{
    if (barCount() == 0 || !event.buttonState.isLeft()) {
        CViewContainer::onMouseDownEvent(event);
        return;
    }
    drawing_ = true;
    last_ = event.mousePosition - getViewSize().getTopLeft();
    drawTo(last_);
    event.consumed = true;
}

void WaveEdit::onMouseMoveEvent(MouseMoveEvent& event)
{
    if (!drawing_) {
        CViewContainer::onMouseMoveEvent(event);
        return;
    }
    drawTo(event.mousePosition - getViewSize().getTopLeft());
    event.consumed = true;
}

void WaveEdit::onMouseUpEvent(MouseUpEvent& event)
{
    if (!drawing_) {
        CViewContainer::onMouseUpEvent(event);
        return;
    }
    drawing_ = false;
    event.consumed = true;
}

void WaveEdit::onMouseCancelEvent(MouseCancelEvent& event)
{
    drawing_ = false;
    CViewContainer::onMouseCancelEvent(event);
}

} // namespace kest::tolvane::editor
