// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's VST 3 editor inside an LV2 host (EmbeddedEditor), reaching
// the LV2 instance's EngineContext through the host's instance-access feature.
#pragma once

#include <cstdint>
#include <memory>

#include "Lv2PlugFrame.h"

namespace Steinberg::Vst {
class EmbeddedEditor;
}

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
    TolvaneLv2Plugin& instance_;
    Lv2PlugFrame frame_;
    std::unique_ptr<Steinberg::Vst::EmbeddedEditor> editor_;
};

} // namespace kest::tolvane::lv2
