// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's horizontal slider: the ordinary (vertical) mouse wheel moves it
// one step per notch, up raising the value.
#pragma once

#include "vstgui/lib/controls/cslider.h"

namespace kest::tolvane::editor {

class CHorizontalSliderExt : public VSTGUI::CHorizontalSlider {
public:
    using CHorizontalSlider::CHorizontalSlider;

    void onMouseWheelEvent(VSTGUI::MouseWheelEvent& event) override;

    CLASS_METHODS(CHorizontalSliderExt, CHorizontalSlider)
};

} // namespace kest::tolvane::editor
