// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2EditorSession.h"

#include <xcb/xcb.h>

#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/platform/platform_x11.h"

#include "EmbeddedEditor.h"
#include "TolvaneLv2Plugin.h"

namespace kest::tolvane::lv2 {

using namespace Steinberg;

Lv2EditorSession::Lv2EditorSession(TolvaneLv2Plugin& instance, std::uintptr_t parent, Lv2PlugFrame::Resize resizeHost)
    : instance_(instance), frame_(std::move(resizeHost)),
      editor_(std::make_unique<Vst::EmbeddedEditor>(instance.engineContext(), frame_))
{
    if (!editor_->attach(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID))
        return;
    const std::uintptr_t own = window();
    if (!own)
        return;
    // The window shows itself once an XEmbed embedder takes it in; an LV2
    // host's parent window is no such embedder.
    xcb_connection_t* xcb = VSTGUI::X11::RunLoop::instance().getXcbConnection();
    xcb_map_window(xcb, static_cast<xcb_window_t>(own));
    xcb_flush(xcb);
    const ViewRect size = editor_->size();
    if (frame_.hostResize())
        frame_.hostResize()(size.getWidth(), size.getHeight());
}

// The editor goes before the frame it was attached to.
Lv2EditorSession::~Lv2EditorSession() { editor_.reset(); }

bool Lv2EditorSession::isOpen() const { return editor_->isAttached() && window() != 0; }

std::uintptr_t Lv2EditorSession::window() const { return editor_->x11Window(); }

void Lv2EditorSession::idle()
{
    // A state loaded by the host: the same full redraw as after a VST 3 setState.
    if (instance_.takeStateLoaded())
        editor_->stateLoaded();
    frame_.idle();
}

void Lv2EditorSession::hostResized(int width, int height)
{
    IPlugView* view = editor_->view();
    if (!view || view->canResize() != kResultTrue)
        return;
    ViewRect rect(0, 0, width, height);
    if (view->checkSizeConstraint(&rect) == kResultTrue)
        view->onSize(&rect);
}

} // namespace kest::tolvane::lv2
