// SPDX-License-Identifier: GPL-3.0-or-later
// The host side of the editor's window inside an LV2 host: the plug-in frame
// VSTGUI asks for resizes, and the Linux run loop it registers its X
// connection and timers with. An LV2 host lends no run loop; it calls the
// UI's idle function instead, and each call runs what is due: the X events
// waiting and the timers whose time has come.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "pluginterfaces/gui/iplugview.h"

namespace kest::tolvane::lv2 {

class Lv2PlugFrame : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop {
public:
    using Resize = std::function<void(int width, int height)>;

    // `resizeHost` tells the host the window's new size (may be empty).
    explicit Lv2PlugFrame(Resize resizeHost) : resizeHost_(std::move(resizeHost)) {}
    ~Lv2PlugFrame();

    const Resize& hostResize() const { return resizeHost_; }

    // Handles the X events that wait and fires the due timers; never blocks.
    void idle();

    // IPlugFrame
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* rect) override;
    // Linux::IRunLoop
    Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                       Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    // Owned by the editor session, not by reference count.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct EventSource {
        Steinberg::Linux::IEventHandler* handler;
        Steinberg::Linux::FileDescriptor fd;
    };
    struct Timer {
        Steinberg::Linux::ITimerHandler* handler;
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
    };

    void fireDueTimers();
    void handleWaitingEvents();

    Resize resizeHost_;
    std::vector<EventSource> events_;
    std::vector<Timer> timers_;
};

} // namespace kest::tolvane::lv2
