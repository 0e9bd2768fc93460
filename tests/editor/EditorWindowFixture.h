// SPDX-License-Identifier: GPL-3.0-or-later
// The processor, the controller and a parent window for the editor, connected
// as a host connects them; shared by the in-process window tests.
#pragma once

#include "EditorHostSupport.h"
#include "EngineContext.h"
#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTGUIEditor.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

#include "EditorLogic/EditorIds.h"
#include "X11RunLoop.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/events.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <functional>

namespace tolvane_editor_fixture {

using namespace tolvane_vst_test;
using namespace tolvane_editor_test;
using Steinberg::Vst::TolvaneVSTController;
using Steinberg::Vst::TolvaneVSTGUIEditor;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;
namespace protocol = kest::tolvane::plugin::ids;
using namespace std::chrono_literals;

// Processor and controller connected as a host connects them, and a window.
class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        processor = new TolvaneVSTProcessor;
        controller = new TolvaneVSTController;
        ASSERT_EQ(processor->initialize(&host), kResultOk);
        ASSERT_EQ(controller->initialize(&host), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(processor->setActive(true), kResultOk);
        processor->connect(controller);
        controller->connect(processor);
        ASSERT_TRUE(parent.create(600, 760));
    }
    void TearDown() override
    {
        if (view) {
            view->setFrame(nullptr);
            view->release();
        }
        controller->disconnect(processor);
        processor->disconnect(controller);
        processor->setActive(false);
        controller->terminate();
        processor->terminate();
        controller->release();
        processor->release();
    }

    TolvaneVSTGUIEditor* createEditor()
    {
        view = controller->createView("editor");
        EXPECT_NE(view, nullptr);
        if (!view)
            return nullptr;
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
        view->setFrame(&frame);
        return dynamic_cast<TolvaneVSTGUIEditor*>(view);
    }
    void attach() { ASSERT_EQ(view->attached(parent.handle(), kPlatformTypeX11EmbedWindowID), kResultTrue); }
    void sendToProcessor(int tag, double value)
    {
        IPtr<IMessage> message = owned(makeMessage(host, ids::kMsgValueChange));
        message->getAttributes()->setInt(ids::kAttrTag, tag);
        message->getAttributes()->setFloat(ids::kAttrValue, value);
        EXPECT_EQ(processor->notify(message), kResultOk);
    }
    void controlChange(int channel, int number, int value)
    {
        Block block(64);
        block.addParameter(ids::midiParamId(channel, number), value / 127.0);
        EXPECT_EQ(processor->process(block.data), kResultOk);
    }

    // The control of the open window that carries `tag`, or null.
    static VSTGUI::CControl* findControl(TolvaneVSTGUIEditor* editor, int tag)
    {
        if (!editor->getFrame())
            return nullptr;
        std::vector<VSTGUI::CControl*> controls;
        editor->getFrame()->getChildViewsOfType<VSTGUI::CControl>(controls, true);
        for (VSTGUI::CControl* control : controls)
            if (control->getTag() == tag)
                return control;
        return nullptr;
    }

    // Runs the host loop until the editor's 33 ms refresh timer fires once more
    // (a wall-clock wait would depend on how busy the machine is).
    bool nextRefreshTick()
    {
        const int before = frame.firings(33ms);
        return frame.runUntil(5000ms, [&] { return frame.firings(33ms) > before; });
    }

    void sysEx(std::vector<uint8> bytes)
    {
        Block block(64);
        block.addSysEx(bytes);
        EXPECT_EQ(processor->process(block.data), kResultOk);
    }

    // A control's rectangle in the window's coordinates.
    static VSTGUI::CRect windowRect(VSTGUI::CView* view)
    {
        VSTGUI::CRect r = view->getViewSize();
        VSTGUI::CPoint topLeft = r.getTopLeft();
        view->getParentView()->localToFrame(topLeft);
        r.moveTo(topLeft);
        return r;
    }
    static bool inside(const xcb_rectangle_t& drawn, const VSTGUI::CRect& area)
    {
        return drawn.x >= area.left && drawn.y >= area.top && drawn.x + drawn.width <= area.right &&
               drawn.y + drawn.height <= area.bottom;
    }

    // Opens the editor in a shown window and lets its first drawing pass.
    TolvaneVSTGUIEditor* openShownEditor(DamageWatch& damage)
    {
        TolvaneVSTGUIEditor* editor = createEditor();
        if (!editor)
            return nullptr;
        attach();
        parent.mapChildren();
        EXPECT_TRUE(damage.start(parent.children().front()));
        frame.run(300ms);
        damage.collect();
        return editor;
    }

    // Runs the loop over a refresh tick and the library's redraw after it.
    void tickAndDraw()
    {
        EXPECT_TRUE(nextRefreshTick());
        frame.run(40ms);
    }

    // Lets the window draw and the menus' open and close animations run.
    void settle() { frame.run(100ms); }
    // A menu ignores the button's release for a moment after it opens.
    void settleMenu() { frame.run(400ms); }
    // The menus open and close with animations: on a busy machine they take a while.
    bool waitFor(const std::function<bool()>& done) { return frame.runUntil(5000ms, done); }

    VSTGUI::IPlatformFrameCallback* platform(TolvaneVSTGUIEditor* editor) { return editor->getFrame(); }

    // A left click at a 100 % position; the host's X server reports it at `zoom` times that.
    void click(TolvaneVSTGUIEditor* editor, VSTGUI::CPoint at, double zoom = 1.0)
    {
        const VSTGUI::CPoint where(at.x * zoom, at.y * zoom);
        VSTGUI::MouseEventButtonState left(VSTGUI::MouseButton::Left);
        VSTGUI::MouseDownEvent down(where, left);
        down.clickCount = 1;
        platform(editor)->platformOnEvent(down);
        VSTGUI::MouseUpEvent up(where, left);
        platform(editor)->platformOnEvent(up);
        // Events handed past the X connection ask for their redraw as X events do.
        kest::tolvane::editor::wantRedraw();
        settle();
    }
    void press(TolvaneVSTGUIEditor* editor, VSTGUI::VirtualKey key)
    {
        VSTGUI::KeyboardEvent down;
        down.type = VSTGUI::EventType::KeyDown;
        down.virt = key;
        platform(editor)->platformOnEvent(down);
        VSTGUI::KeyboardEvent up;
        up.type = VSTGUI::EventType::KeyUp;
        up.virt = key;
        platform(editor)->platformOnEvent(up);
        kest::tolvane::editor::wantRedraw();
        settle();
    }

    // How many views the frame holds: an open menu adds its own.
    static std::size_t frameViews(TolvaneVSTGUIEditor* editor) { return editor->getFrame()->getNbViews(); }

    HostApplication host;
    TolvaneVSTProcessor* processor = nullptr;
    TolvaneVSTController* controller = nullptr;
    ParentWindow parent;
    HostFrame frame;
    IPlugView* view = nullptr;
};

// The X server's own pointer, moved and pressed as a person would (XTEST).
class FakePointer {
public:
    FakePointer() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~FakePointer() { xcb_disconnect(connection_); }
    void move(int x, int y) { send(XCB_MOTION_NOTIFY, 0, x, y); }
    void press() { send(XCB_BUTTON_PRESS, 1, 0, 0); }
    void release() { send(XCB_BUTTON_RELEASE, 1, 0, 0); }

private:
    void send(uint8_t type, uint8_t detail, int x, int y)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root : XCB_NONE,
                            static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    xcb_connection_t* connection_;
};

} // namespace tolvane_editor_fixture
