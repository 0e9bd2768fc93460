// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal in-process host for the editor: a private X server (Xvfb), a
// parent window, and a plug-in frame that lends a run loop the test drives.
#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tolvane_editor_test {

using namespace Steinberg;

// Starts Xvfb on a display it picks itself and points DISPLAY at it.
class PrivateXServer {
public:
    bool start(std::string& error);
    void stop();
    ~PrivateXServer() { stop(); }

private:
    int pid_ = -1;
};

// The host side of the plug-in window: IPlugFrame plus the Linux run loop.
// Lives on the test's stack; its reference count is not used.
class HostFrame : public IPlugFrame, public Linux::IRunLoop {
public:
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect* rect) override;
    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override;
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override;
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) override;
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    // Runs the loop for `duration`: X events as they arrive, timers when due.
    void run(std::chrono::milliseconds duration);
    // Runs the loop until `done` holds or `limit` passes; tells which came first.
    bool runUntil(std::chrono::milliseconds limit, const std::function<bool()>& done);
    // How often the timers of this interval have fired so far.
    int firings(std::chrono::milliseconds interval) const;

    std::size_t eventHandlerCount() const { return events_.size(); }
    std::size_t timerCount() const { return timers_.size(); }
    int resizeCount = 0;
    ViewRect lastSize{};

private:
    struct Event {
        Linux::IEventHandler* handler;
        Linux::FileDescriptor fd;
    };
    struct Timer {
        Linux::ITimerHandler* handler;
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
    };
    bool isRegistered(Linux::ITimerHandler* handler) const;
    void fire(Linux::ITimerHandler* handler);

    std::vector<Event> events_;
    std::vector<Timer> timers_;
    std::map<long long, int> firings_;
};

// The pixels of a window, row by row, 0x00RRGGBB.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Every drawing into one window, as the X server reports it (DAMAGE
// extension, one rectangle per drawing request).
class DamageWatch {
public:
    bool start(xcb_window_t window);
    ~DamageWatch();
    // Waits until the server has handled what was sent so far and returns the
    // rectangles drawn since the last call, in the window's coordinates.
    std::vector<xcb_rectangle_t> collect();

private:
    xcb_connection_t* connection_ = nullptr;
    uint8_t firstEvent_ = 0;
    uint32_t damage_ = 0;
};

// A mapped top-level window to embed the editor in.
class ParentWindow {
public:
    bool create(int width, int height);
    ~ParentWindow();
    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)); }
    // The windows embedded in it.
    std::vector<xcb_window_t> children() const;
    // Shows the embedded windows, as an XEmbed embedder does once it took them in.
    void mapChildren();
    // The first embedded window's size and pixels (empty when it is not shown).
    Screenshot grabChild() const;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
};

} // namespace tolvane_editor_test
