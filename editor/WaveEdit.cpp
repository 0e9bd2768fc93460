// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveEdit.h"

#include "EditorBitmaps.h"
#include "EditorLogic/EditorIds.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/controls/cslider.h"

#include <algorithm>

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

WaveEdit::~WaveEdit() = default;  // the container releases the bars it holds

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
        auto* bar = new CVerticalSlider(rect, listener_, kTagControl | (kIdWaveBarFirst + i), -kBarHalfHeight, 0,
                                        handle, nullptr, CPoint(0, 0), CSlider::kVertical | CSlider::kBottom);
        bar->setWheelInc(wheelStepForDepth(bitDepth));
        bars_.push_back(bar);
        addView(bar);
    }
}

} // namespace kest::tolvane::editor
