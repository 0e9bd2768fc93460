// SPDX-License-Identifier: GPL-3.0-or-later
// A top-level container of the editor's window: each invalidation inside it
// asks the run loop for a redraw, which keeps the library's redraw timer away
// from the host while nothing is to be drawn (X11RunLoop.h). The library's
// frame cannot be subclassed, so its direct children tell instead.
#pragma once

#include "X11RunLoop.h"

#include "vstgui/lib/cviewcontainer.h"

namespace kest::tolvane::editor {

template <class Container>
class RedrawingContainer : public Container {
public:
    using Container::Container;

    void invalidRect(const VSTGUI::CRect& rect) override
    {
        Container::invalidRect(rect);
        wantRedraw();
    }
};

} // namespace kest::tolvane::editor
