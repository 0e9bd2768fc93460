// SPDX-License-Identifier: GPL-3.0-or-later
// One wavetable as a row of vertical bars, one slider per sample.
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

    // A copy is a plain container: the bars belong to the editor that made them.
    VSTGUI::CBaseObject* newCopy() const override { return new CViewContainer(*this); }

private:
    void removeBars();

    VSTGUI::IControlListener* listener_;
    std::vector<VSTGUI::CVerticalSlider*> bars_;
};

} // namespace kest::tolvane::editor
