// SPDX-License-Identifier: GPL-3.0-or-later
// The editor in a real X window, hosted in-process: the controller's view is
// embedded, closed and embedded again; the processor's engine drives what the
// editor shows; and the editor never waits for the engine's lock.
#include "EditorWindowFixture.h"
#include "EngineContext.h"
#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTGUIEditor.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

#include "EditorLogic/EditorIds.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/platform/linux/linuxfactory.h"
#include "vstgui/lib/platform/platformfactory.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

bool InitModule();
bool DeinitModule();

namespace {

using namespace tolvane_editor_fixture;

class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(server_.start(error)) << error;
        // Runs the module's initialisers, VSTGUI's among them, as a host's
        // loading of the module would.
        ASSERT_TRUE(InitModule());
        // Outside a bundle the library cannot find the bitmaps by itself.
        VSTGUI::getPlatformFactory().asLinuxFactory()->setResourcePath(TOLVANE_EDITOR_RESOURCE_DIR "/");
    }
    void TearDown() override
    {
        DeinitModule();
        server_.stop();
    }

private:
    PrivateXServer server_;
};
[[maybe_unused]] const auto* const kDisplay = ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

TEST_F(EditorWindowTest, OpensClosesAndReopensInTheSameWindow)
{
    TolvaneVSTGUIEditor* editor = createEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(editor->engineContext(), nullptr);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first open" : "reopen");
        attach();
        ASSERT_TRUE(editor->isOpen());
        // The opening handshake reached the processor and its answer came back.
        EXPECT_EQ(editor->engineContext(), processor->engineContext());
        EXPECT_EQ(parent.children().size(), 1u);
        EXPECT_GE(frame.eventHandlerCount(), 1u);  // the X connection
        EXPECT_GE(frame.timerCount(), 1u);         // the refresh timer
        ViewRect size{};
        ASSERT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), 528);
        EXPECT_EQ(size.getHeight(), 704);
        EXPECT_EQ(frame.lastSize.getWidth(), 528);

        EXPECT_TRUE(nextRefreshTick());
        EXPECT_FALSE(editor->isSamplerPageVisible());
        EXPECT_FALSE(editor->isAboutOverlayVisible());

        // A second open while the window exists is refused and changes nothing.
        EXPECT_FALSE(editor->open(parent.handle(), VSTGUI::PlatformType::kDefaultNative));
        EXPECT_EQ(parent.children().size(), 1u);

        ASSERT_EQ(view->removed(), kResultOk);
        EXPECT_FALSE(editor->isOpen());
        // The X server drops the editor's window once its requests arrive.
        EXPECT_TRUE(frame.runUntil(3000ms, [&] { return parent.children().empty(); }));
        // Nothing of the window is left registered with the host.
        EXPECT_EQ(frame.eventHandlerCount(), 0u);
        EXPECT_EQ(frame.timerCount(), 0u);
        frame.run(50ms);
    }
    // Closing twice is harmless.
    editor->close();
    EXPECT_FALSE(editor->isOpen());

    // Once the host lets the view go, the controller forgets it: the
    // processor's messages find no editor (a dangling one shows under ASan).
    view->setFrame(nullptr);
    view->release();
    view = nullptr;
    sendToProcessor(0x0001, 0.5);
    IPtr<IMessage> refresh = owned(makeMessage(host, ids::kMsgUiUpdate));
    EXPECT_EQ(controller->notify(refresh), kResultOk);
}

TEST_F(EditorWindowTest, ProcessorMessagesReachOnlyAnOpenEditor)
{
    TolvaneVSTGUIEditor* editor = createEditor();
    ASSERT_NE(editor, nullptr);
    attach();
    frame.run(50ms);
    // Master volume: the processor echoes the change and the slider follows.
    VSTGUI::CControl* volume = findControl(editor, kest::tolvane::editor::kTagControl | 0x0001);
    ASSERT_NE(volume, nullptr);
    sendToProcessor(0x0001, 0.25);
    EXPECT_FLOAT_EQ(processor->engineContext()->synth->getMasterVolume(), 0.25f);
    EXPECT_FLOAT_EQ(volume->getValueNormalized(), 0.25f);
    // A part's MODE set from the editor's side shows the sampler page at once.
    sendToProcessor(0x0102, 1.0);
    EXPECT_TRUE(editor->isSamplerPageVisible());
    frame.run(50ms);
    ASSERT_EQ(view->removed(), kResultOk);
    // Once closed, the same messages are dropped without touching the views.
    sendToProcessor(0x0001, 0.5);
    IPtr<IMessage> refresh = owned(makeMessage(host, ids::kMsgUiUpdate));
    EXPECT_EQ(controller->notify(refresh), kResultOk);
    EXPECT_FALSE(editor->isOpen());
}

TEST_F(EditorWindowTest, NeverWaitsForTheEngineLock)
{
    TolvaneVSTGUIEditor* editor = createEditor();
    ASSERT_NE(editor, nullptr);
    std::mutex gate;
    std::condition_variable changed;
    bool locked = false, done = false;
    // Another thread holds the engine for the whole life of the window; an
    // editor that took the lock would hang here until the test times out.
    std::thread holder([&] {
        std::lock_guard engine(processor->engineContext()->engineMutex());
        std::unique_lock lock(gate);
        locked = true;
        changed.notify_all();
        changed.wait(lock, [&] { return done; });
    });
    {
        std::unique_lock lock(gate);
        changed.wait(lock, [&] { return locked; });
    }
    attach();
    // Refresh ticks read the engine's state while another thread owns it.
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_TRUE(nextRefreshTick());
    editor->fullRefresh();
    editor->onValueUpdate(0x0001, 0.5f);
    editor->onValueUpdate(0x0102, 1.0f);
    frame.run(50ms);
    EXPECT_EQ(view->removed(), kResultOk);
    attach();
    frame.run(50ms);
    EXPECT_EQ(view->removed(), kResultOk);
    {
        std::lock_guard lock(gate);
        done = true;
    }
    changed.notify_all();
    holder.join();
}

TEST_F(EditorWindowTest, SamplerModeByMidiShowsTheSamplerPageAtTheNextTick)
{
    TolvaneVSTGUIEditor* editor = createEditor();
    ASSERT_NE(editor, nullptr);
    attach();
    EXPECT_TRUE(nextRefreshTick());
    ASSERT_FALSE(editor->isSamplerPageVisible());

    // NRPN control is off by default; the system menu's toggle turns it on.
    sendToProcessor(0x0084, 0.0);
    ASSERT_TRUE(processor->engineContext()->synth->getNrpnEnabled());
    // NRPN 0/33 (mode of the part) = 3, Sampler, on part 1.
    controlChange(0, 99, 0);
    controlChange(0, 98, 33);
    controlChange(0, 6, 3);
    ASSERT_EQ(processor->engineContext()->synth->getMode(0), 3);
    // The engine changed behind the editor's back: nothing shows it until the
    // editor's refresh timer ticks.
    EXPECT_FALSE(editor->isSamplerPageVisible());
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_TRUE(editor->isSamplerPageVisible());

    // Back to Instrument mode: the tone page returns at the next tick.
    controlChange(0, 6, 1);
    EXPECT_TRUE(editor->isSamplerPageVisible());
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_FALSE(editor->isSamplerPageVisible());
    EXPECT_EQ(view->removed(), kResultOk);
}

} // namespace
