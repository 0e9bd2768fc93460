// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHorizontalSliderExt.h"

#include "vstgui/lib/events.h"

namespace kest::tolvane::editor {

void CHorizontalSliderExt::onMouseWheelEvent(VSTGUI::MouseWheelEvent& event)
{
    // The library's horizontal slider listens to the horizontal axis only and
    // negates it; handing the vertical wheel over negated makes "up" raise.
    if (event.deltaX == 0.0 && event.deltaY != 0.0) {
        event.deltaX = -event.deltaY;
        event.deltaY = 0.0;
    }
    CHorizontalSlider::onMouseWheelEvent(event);
}

} // namespace kest::tolvane::editor
