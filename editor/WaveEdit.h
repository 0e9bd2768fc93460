// SPDX-License-Identifier: GPL-3.0-or-later
// One wavetable as a row of vertical bars, one slider per sample. A stroke
// with the left button draws: every bar the pointer crosses takes the height
// under it, and each bar tells the listener on its own, as a single bar's
// change does.
#pragma once

#include "vstgui/lib/cviewcontainer.h"

#include <vector>

namespace VSTGUI {
class CVerticalSlider;
class IControlListener;
} // namespace VSTGUI

namespace kest::tolvane::editor {

class WaveEdit : public VSTGUI::CViewContainer {
public:
    static constexpr int kMaxBars = 128;
    static constexpr int kBarHalfHeight = 134;

    WaveEdit(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener);
    ~WaveEdit() override;

    // Rebuilds the bars for a table of `count` samples (at most 128); does
    // nothing when the count is unchanged (the bit depth of existing bars is
    // set by the caller's refresh).
    void setup(int count, int bitDepth);

    int barCount() const { return static_cast<int>(bars_.size()); }
    VSTGUI::CVerticalSlider* bar(int index) const;

    // Whether a stroke is under way; the editor's refresh leaves the bars to it.
    bool isDrawing() const { return drawing_; }

    void onMouseDownEvent(VSTGUI::MouseDownEvent& event) override;
    void onMouseMoveEvent(VSTGUI::MouseMoveEvent& event) override;
    void onMouseUpEvent(VSTGUI::MouseUpEvent& event) override;
    void onMouseCancelEvent(VSTGUI::MouseCancelEvent& event) override;

    // A copy is a plain container: the bars belong to the editor that made them.
    VSTGUI::CBaseObject* newCopy() const override { return new CViewContainer(*this); }

private:
    void removeBars();
    int barIndexAt(double x) const;
    // Sets the bars from the stroke's last point up to `to` (the view's coordinates).
    void drawTo(VSTGUI::CPoint to);
    void setBar(int index, double y);

    VSTGUI::IControlListener* listener_;
    std::vector<VSTGUI::CVerticalSlider*> bars_;
    bool drawing_ = false;
    VSTGUI::CPoint last_;
};

} // namespace kest::tolvane::editor
