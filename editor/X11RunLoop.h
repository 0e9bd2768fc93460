// SPDX-License-Identifier: GPL-3.0-or-later
// On Linux VSTGUI has no event loop of its own: the host lends its run loop
// through the plug-in frame, and this adaptor hands it to the X11 frame.
#pragma once

#if defined(__linux__)

#include "vstgui/lib/platform/platform_x11.h"

#include "pluginterfaces/base/funknown.h"

namespace kest::tolvane::editor {

// A run loop for CFrame::open's X11 frame configuration, driven by the host's
// Steinberg::Linux::IRunLoop (queried from `plugFrame`; without one every
// registration fails and the frame stays inert instead of crashing).
VSTGUI::SharedPointer<VSTGUI::X11::IRunLoop> makeHostRunLoop(Steinberg::FUnknown* plugFrame);

} // namespace kest::tolvane::editor

#endif
