// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's frame inside an LV2 host. An LV2 host lends no run loop; it
// calls the UI's idle function instead, and each call runs what is due: the
// X events waiting and the timers whose time has come. Resize requests are
// passed on to the host.
#pragma once

#include <functional>

#include "EmbeddingFrame.h"

namespace kest::tolvane::lv2 {

class Lv2PlugFrame : public editor::EmbeddingFrame {
public:
    using Resize = std::function<void(int width, int height)>;

    // `resizeHost` tells the host the window's new size (may be empty).
    explicit Lv2PlugFrame(Resize resizeHost) : resizeHost_(std::move(resizeHost)) {}

    const Resize& hostResize() const { return resizeHost_; }

    // Handles the X events that wait and fires the due timers; never blocks.
    void idle()
    {
        handleEvents();
        fireDueTimers();
    }

protected:
    void resizeRequested(const Steinberg::ViewRect& rect) override
    {
        if (resizeHost_)
            resizeHost_(rect.getWidth(), rect.getHeight());
    }

private:
    Resize resizeHost_;
};

} // namespace kest::tolvane::lv2
