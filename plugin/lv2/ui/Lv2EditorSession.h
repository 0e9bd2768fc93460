// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's VST 3 editor inside an LV2 host, unchanged: the editor and
// the VST 3 controller it talks to run as they do in a VST 3 host, and a
// stand-in for the processor, connected to the controller, answers their
// messages from the LV2 instance's EngineContext (reached through the host's
// instance-access feature, so editor and engine share one process as in VST 3).
#pragma once

#include <cstdint>
#include <memory>

#include "Lv2PlugFrame.h"

namespace kest::tolvane::lv2 {

class TolvaneLv2Plugin;

class Lv2EditorSession {
public:
    // Opens the editor as a child of the X window `parent`; `resizeHost` tells
    // the host the window's size. isOpen() is false when that failed.
    Lv2EditorSession(TolvaneLv2Plugin& instance, std::uintptr_t parent, Lv2PlugFrame::Resize resizeHost);
    ~Lv2EditorSession();
    Lv2EditorSession(const Lv2EditorSession&) = delete;
    Lv2EditorSession& operator=(const Lv2EditorSession&) = delete;

    bool isOpen() const;
    // The editor's own X window, for the host to embed.
    std::uintptr_t window() const;
    // The host's idle call: X events, timers and a redraw after a state load.
    void idle();
    // The host resized the window.
    void hostResized(int width, int height);

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace kest::tolvane::lv2
