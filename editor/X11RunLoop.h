// SPDX-License-Identifier: GPL-3.0-or-later
// On Linux VSTGUI has no event loop of its own: the host lends its run loop
// through the plug-in frame, and this adaptor hands it to the X11 frame.
//
// The X11 frame draws what was invalidated from a 16 ms timer that, once
// started, wakes the host every 16 ms for as long as the window is open,
// dirty or not. The adaptor keeps that timer with the host only while a
// redraw may be wanted: after an invalidation the editor reports
// (wantRedraw), any X event (an exposed window is invalidated inside the
// library) and any firing of the library's own timers; the first firing after
// that draws and lets the timer go. The editor's refresh tick draws what it
// changed at once (redrawNow), in its own wake-up.
#pragma once

#if defined(__linux__)

#include "vstgui/lib/platform/platform_x11.h"

#include "pluginterfaces/base/funknown.h"

namespace kest::tolvane::editor {

// A run loop for CFrame::open's X11 frame configuration, driven by the host's
// Steinberg::Linux::IRunLoop (queried from `plugFrame`; without one every
// registration fails and the frame stays inert instead of crashing).
VSTGUI::SharedPointer<VSTGUI::X11::IRunLoop> makeHostRunLoop(Steinberg::FUnknown* plugFrame);

// Both act on the run loop the library's windows use now (the first open
// editor's); they do nothing when that is not one of ours.
// Something was invalidated: the next redraw timer firing draws it.
void wantRedraw();
// Draws what is invalidated now instead of at the next timer firing; called
// last in a library timer's firing, it leaves that firing nothing to ask for.
void redrawNow();
// Whether invalidated rectangles may wait for the redraw (PendingRedraws):
// only one of our run loops hands them over before it draws.
bool redrawIsDeferred();

} // namespace kest::tolvane::editor

#else

namespace kest::tolvane::editor {
inline void wantRedraw() {}
inline void redrawNow() {}
inline bool redrawIsDeferred() { return false; }
} // namespace kest::tolvane::editor

#endif
