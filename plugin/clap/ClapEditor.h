// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP gui extension's window: the plug-in's VST 3 editor embedded in the
// host's window through X11 (Linux) or Win32 (Windows), never floating. Its
// events and refresh are driven by the host's timer (onTimer); the host may
// resize it in the editor's zoom steps (100, 150 and 200 %).
#pragma once

#include <cstdint>
#include <memory>

#include "clap/ext/gui.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include "ClapPlugFrame.h"

namespace kest::tolvane::plugin {
class EngineContext;
}
namespace Steinberg::Vst {
class EmbeddedEditor;
}

namespace kest::tolvane::clap {

class ClapEditor {
public:
    // How often the host's timer should call onTimer: VSTGUI's own redraw rate.
    static constexpr std::uint32_t kTimerMilliseconds = 16;

    static bool isApiSupported(const char* api, bool floating);
    static const char* preferredApi();
    // The closest size in the zoom steps that fits in width x height (the
    // smallest step when none fits).
    static void adjustSize(std::uint32_t& width, std::uint32_t& height);

    // Starts VSTGUI with the first editor and builds this one, not yet in a
    // window. isValid() is false when that failed.
    ClapEditor(plugin::EngineContext& context, int zoomChoice, ClapPlugFrame::RequestResize requestResize);
    ~ClapEditor();
    ClapEditor(const ClapEditor&) = delete;
    ClapEditor& operator=(const ClapEditor&) = delete;

    bool isValid() const;
    bool setParent(const clap_window_t& window);
    bool size(std::uint32_t& width, std::uint32_t& height) const;
    bool setSize(std::uint32_t width, std::uint32_t height);
    bool setScale(double scale);
    bool show();
    bool hide();
    // The host's timer: X events, VSTGUI's timers, and after a state load a full redraw.
    void onTimer(bool stateLoaded);
    // The zoom in force (ZoomChoice), kept by the instance for the next window.
    int zoomChoice() const;

    // Stops VSTGUI if an editor started it: the module is about to be unloaded.
    static void stopVstgui();

private:
    ClapPlugFrame frame_;
    std::unique_ptr<Steinberg::Vst::EmbeddedEditor> editor_;
    bool attached_ = false;
};

} // namespace kest::tolvane::clap
