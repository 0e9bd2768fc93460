// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's VST 3 editor inside a host of another format (LV2, CLAP),
// unchanged: the editor and the VST 3 controller it talks to run as they do
// in a VST 3 host, and a stand-in for the processor, connected to the
// controller, answers their messages from the instance's EngineContext (the
// editor and the engine share one process, as in VST 3). The host's side of
// the window (resizes, on Linux the run loop) is the plug frame given.
#pragma once

#include <cstdint>
#include <memory>

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/gui/iplugview.h"

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace Steinberg::Vst {

class TolvaneVSTController;
class TolvaneVSTGUIEditor;

class EmbeddedEditor {
public:
    // Builds controller, stand-in and view, not yet in a window; the
    // context's message sink is the stand-in's while the editor lives.
    // `zoomChoice` is the editor's zoom to start with (ZoomChoice).
    EmbeddedEditor(kest::tolvane::plugin::EngineContext& context, IPlugFrame& frame, int zoomChoice = 0);
    ~EmbeddedEditor();
    EmbeddedEditor(const EmbeddedEditor&) = delete;
    EmbeddedEditor& operator=(const EmbeddedEditor&) = delete;

    // Opens the view as a child of `parent`: an X window id (kPlatformTypeX11EmbedWindowID)
    // or an HWND (kPlatformTypeHWND). False when it could not.
    bool attach(void* parent, FIDString platformType);
    bool isAttached() const;
    // The editor's own X window (0 elsewhere, or before attach).
    std::uintptr_t x11Window() const;
    // The view's size now.
    ViewRect size() const;
    IPlugView* view() const;
    // The open editor, or null.
    TolvaneVSTGUIEditor* editor() const;
    // The zoom the user chose last (ZoomChoice), for the next editor.
    int zoomChoice() const;
    // Zooms the open editor (the host resized it), as the user's own choice would.
    void setZoomChoice(int choice);
    // The host loaded a state: the same full redraw as after a VST 3 setState.
    void stateLoaded();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace Steinberg::Vst
