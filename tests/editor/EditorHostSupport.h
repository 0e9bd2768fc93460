// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal in-process host for the editor: a private X server (Xvfb), a
// parent window, and a plug-in frame that lends a run loop the test drives.
#pragma once

#include "EmbeddingFrame.h"
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

// The host side of the plug-in window, with a run loop the test drives and
// counts of what the editor asked of it. Lives on the test's stack.
class HostFrame : public kest::tolvane::editor::EmbeddingFrame {
public:
    // Runs the loop for `duration`: X events as they arrive, timers when due.
    void run(std::chrono::milliseconds duration);
    // Runs the loop until `done` holds or `limit` passes; tells which came first.
    bool runUntil(std::chrono::milliseconds limit, const std::function<bool()>& done);
    // How often the timers of this interval have fired so far.
    int firings(std::chrono::milliseconds interval) const;

    int resizeCount = 0;
    ViewRect lastSize{};

protected:
    void resizeRequested(const ViewRect& rect) override
    {
        ++resizeCount;
        lastSize = rect;
    }
    void timerFiring(std::chrono::milliseconds interval) override { ++firings_[interval.count()]; }

private:
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
