// SPDX-License-Identifier: GPL-3.0-or-later
// A top-level container of the editor's window (a direct child of the frame).
// Each invalidation inside it asks the run loop for a redraw, which keeps the
// library's redraw timer away from the host while nothing is to be drawn
// (X11RunLoop.h); the library's frame cannot be subclassed, so its children
// tell instead. The rectangles wait until the redraw (PendingRedraws), so that
// the controls one refresh tick changes side by side (a row of a song's
// controllers) are drawn and sent to the X server as one rectangle.
#pragma once

#include "X11RunLoop.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cviewcontainer.h"

#include <utility>
#include <vector>

namespace kest::tolvane::editor {

// The invalidated rectangles waiting for the next redraw (GUI thread only).
class PendingRedraws {
public:
    // `rect` in the frame's coordinates, as a child hands it to the frame.
    static void add(VSTGUI::CFrame* frame, const VSTGUI::CRect& rect);
    // Hands every waiting rectangle to its frame.
    static void flush();
    static std::size_t count() { return list().size(); }

    // Two rectangles are drawn as one when that draws at most this much more
    // than both (the library itself joins only when it draws nothing more).
    static constexpr double kJoinedAreaLimit = 1.5;

private:
    using Entry = std::pair<VSTGUI::SharedPointer<VSTGUI::CFrame>, VSTGUI::CRect>;
    static std::vector<Entry>& list();
};

template <class Container> class RedrawingContainer : public Container {
public:
    using Container::Container;

    // A container invalidates itself whole (shown, hidden) past invalidRect.
    void invalid() override
    {
        Container::invalid();
        wantRedraw();
    }

    // As CViewContainer::invalidRect, with the frame's share deferred.
    void invalidRect(const VSTGUI::CRect& rect) override
    {
        VSTGUI::CFrame* frame = this->getFrame();
        if (frame == nullptr || this->getParentView() != frame || !redrawIsDeferred()) {
            Container::invalidRect(rect);
            wantRedraw();
            return;
        }
        if (!this->isVisible())
            return;
        VSTGUI::CRect r(rect);
        this->getTransform().transform(r);
        r.offset(this->getViewSize().left, this->getViewSize().top);
        r.bound(this->getViewSize());
        if (r.isEmpty())
            return;
        PendingRedraws::add(frame, r);
        wantRedraw();
    }
};

} // namespace kest::tolvane::editor
