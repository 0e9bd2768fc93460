// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmbeddedEditor.h"

#include "base/source/fobject.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/vstcomponentbase.h"
#include "vstgui/lib/cframe.h"
#if defined(__linux__)
#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/platform/platform_x11.h"
#endif

#include "EditorMessageHandler.h"
#include "EngineContext.h"
#include "ProcessorMessenger.h"
#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTGUIEditor.h"

namespace Steinberg::Vst {

using kest::tolvane::plugin::EngineContext;

namespace {

// Answers the editor's messages as the VST 3 processor does, from the
// instance's engine, and carries the engine's notifications back.
class ProcessorStandIn : public ComponentBase {
public:
    explicit ProcessorStandIn(EngineContext& context) : context_(context), messenger_(*this) {}

    tresult PLUGIN_API notify(IMessage* message) override
    {
        if (!message || !message->getMessageID())
            return kInvalidArgument;
        if (handleEditorMessage(*message, &context_, messenger_))
            return kResultOk;
        return ComponentBase::notify(message);
    }

    ProcessorMessenger& messenger() { return messenger_; }

private:
    EngineContext& context_;
    ProcessorMessenger messenger_;
};

} // namespace

struct EmbeddedEditor::Parts {
    Parts(EngineContext& engine, IPlugFrame& plugFrame)
        : context(engine), frame(plugFrame), standIn(owned(new ProcessorStandIn(engine))),
          controller(owned(new TolvaneVSTController))
    {
    }

    EngineContext& context;
    IPlugFrame& frame;
    HostApplication host;
    IPtr<ProcessorStandIn> standIn;
    IPtr<TolvaneVSTController> controller;
    IPtr<IPlugView> view;
    bool attached = false;
};

EmbeddedEditor::EmbeddedEditor(EngineContext& context, IPlugFrame& frame, int zoomChoice)
    : parts_(std::make_unique<Parts>(context, frame))
{
    Parts& p = *parts_;
    p.standIn->initialize(&p.host);
    p.controller->initialize(&p.host);
    p.controller->setEditorZoomChoice(zoomChoice);
    p.controller->connect(p.standIn);
    p.standIn->connect(p.controller);
    context.setMessageSink(&p.standIn->messenger());

    p.view = owned(p.controller->createView(ViewType::kEditor));
    if (p.view)
        p.view->setFrame(&p.frame);
}

EmbeddedEditor::~EmbeddedEditor()
{
    Parts& p = *parts_;
    if (p.context.messageSink() == &p.standIn->messenger())
        p.context.setMessageSink(nullptr);
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

bool EmbeddedEditor::attach(void* parent, FIDString platformType)
{
    Parts& p = *parts_;
    if (!p.view || p.attached || !parent)
        return false;
    p.attached = p.view->attached(parent, platformType) == kResultTrue;
    return p.attached;
}

bool EmbeddedEditor::isAttached() const { return parts_->attached; }

IPlugView* EmbeddedEditor::view() const { return parts_->view; }

TolvaneVSTGUIEditor* EmbeddedEditor::editor() const { return parts_->controller->openEditor(); }

int EmbeddedEditor::zoomChoice() const { return parts_->controller->editorZoomChoice(); }

void EmbeddedEditor::setZoomChoice(int choice)
{
    parts_->controller->setEditorZoomChoice(choice);
    if (TolvaneVSTGUIEditor* open = editor())
        open->setZoomChoice(choice);
}

ViewRect EmbeddedEditor::size() const
{
    ViewRect rect{};
    if (parts_->view)
        parts_->view->getSize(&rect);
    return rect;
}

std::uintptr_t EmbeddedEditor::x11Window() const
{
#if defined(__linux__)
    TolvaneVSTGUIEditor* open = editor();
    if (!open || !open->getFrame())
        return 0;
    auto* x11 = dynamic_cast<VSTGUI::X11::IX11Frame*>(open->getFrame()->getPlatformFrame());
    return x11 ? x11->getX11WindowID() : 0;
#else
    return 0;
#endif
}

void EmbeddedEditor::stateLoaded()
{
    parts_->standIn->messenger().sendContextAddress(Tolvane::kMsgSetState, &parts_->context);
}

} // namespace Steinberg::Vst
