// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2EditorSession.h"

#include <xcb/xcb.h>

#include "base/source/fobject.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/vstcomponentbase.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/platform/iplatformframe.h"
#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/platform/platform_x11.h"

#include "EditorMessageHandler.h"
#include "ProcessorMessenger.h"
#include "TolvaneIds.h"
#include "TolvaneLv2Plugin.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTGUIEditor.h"

namespace kest::tolvane::lv2 {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Answers the editor's messages as the VST 3 processor does, from the LV2
// instance's engine, and carries the engine's notifications back.
class ProcessorStandIn : public ComponentBase {
public:
    explicit ProcessorStandIn(TolvaneLv2Plugin& instance) : instance_(instance), messenger_(*this) {}

    tresult PLUGIN_API notify(IMessage* message) override
    {
        if (!message || !message->getMessageID())
            return kInvalidArgument;
        if (handleEditorMessage(*message, &instance_.engineContext(), messenger_))
            return kResultOk;
        return ComponentBase::notify(message);
    }

    ProcessorMessenger& messenger() { return messenger_; }

private:
    TolvaneLv2Plugin& instance_;
    ProcessorMessenger messenger_;
};

std::uintptr_t x11WindowOf(TolvaneVSTGUIEditor* editor)
{
    if (!editor || !editor->getFrame())
        return 0;
    auto* x11 = dynamic_cast<VSTGUI::X11::IX11Frame*>(editor->getFrame()->getPlatformFrame());
    return x11 ? x11->getX11WindowID() : 0;
}

} // namespace

struct Lv2EditorSession::Parts {
    Parts(TolvaneLv2Plugin& plugin, Lv2PlugFrame::Resize resize)
        : instance(plugin), frame(std::move(resize)), standIn(owned(new ProcessorStandIn(plugin))),
          controller(owned(new TolvaneVSTController))
    {
    }

    TolvaneLv2Plugin& instance;
    HostApplication host;
    Lv2PlugFrame frame;
    IPtr<ProcessorStandIn> standIn;
    IPtr<TolvaneVSTController> controller;
    IPtr<IPlugView> view;
    bool attached = false;
};

Lv2EditorSession::Lv2EditorSession(TolvaneLv2Plugin& instance, std::uintptr_t parent, Lv2PlugFrame::Resize resizeHost)
    : parts_(std::make_unique<Parts>(instance, std::move(resizeHost)))
{
    Parts& p = *parts_;
    p.standIn->initialize(&p.host);
    p.controller->initialize(&p.host);
    p.controller->connect(p.standIn);
    p.standIn->connect(p.controller);
    instance.setMessageSink(&p.standIn->messenger());

    p.view = owned(p.controller->createView(ViewType::kEditor));
    if (!p.view)
        return;
    p.view->setFrame(&p.frame);
    p.attached = p.view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID) == kResultTrue;
    const std::uintptr_t own = window();
    if (!p.attached || !own)
        return;
    // The window shows itself once an XEmbed embedder takes it in; an LV2
    // host's parent window is no such embedder.
    xcb_connection_t* xcb = VSTGUI::X11::RunLoop::instance().getXcbConnection();
    xcb_map_window(xcb, static_cast<xcb_window_t>(own));
    xcb_flush(xcb);
    ViewRect size{};
    if (p.view->getSize(&size) == kResultTrue && p.frame.hostResize())
        p.frame.hostResize()(size.getWidth(), size.getHeight());
}

Lv2EditorSession::~Lv2EditorSession()
{
    Parts& p = *parts_;
    if (p.instance.messageSink() == &p.standIn->messenger())
        p.instance.setMessageSink(nullptr);
    if (p.view) {
        if (p.attached)
            p.view->removed();
        p.view->setFrame(nullptr);
        p.view = nullptr;
    }
    p.controller->disconnect(p.standIn);
    p.standIn->disconnect(p.controller);
    p.controller->terminate();
    p.standIn->terminate();
}

bool Lv2EditorSession::isOpen() const { return parts_->attached && window() != 0; }

std::uintptr_t Lv2EditorSession::window() const { return x11WindowOf(parts_->controller->openEditor()); }

void Lv2EditorSession::idle()
{
    Parts& p = *parts_;
    // A state loaded by the host: the same full redraw as after a VST 3 setState.
    if (p.instance.takeStateLoaded())
        p.standIn->messenger().sendContextAddress(Tolvane::kMsgSetState, &p.instance.engineContext());
    p.frame.idle();
}

void Lv2EditorSession::hostResized(int width, int height)
{
    Parts& p = *parts_;
    if (!p.view || p.view->canResize() != kResultTrue)
        return;
    ViewRect rect(0, 0, width, height);
    if (p.view->checkSizeConstraint(&rect) == kResultTrue)
        p.view->onSize(&rect);
}

} // namespace kest::tolvane::lv2
