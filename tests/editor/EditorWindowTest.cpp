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
#include "WrongFiles.h"

#include "EditorLogic/EditorIds.h"

#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/coptionmenu.h"
#include "vstgui/lib/platform/linux/linuxfactory.h"
#include "vstgui/lib/platform/platformfactory.h"

#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <algorithm>
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
        EXPECT_GE(frame.eventHandlerCount(), 1u); // the X connection
        EXPECT_GE(frame.timerCount(), 1u);        // the refresh timer
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
    sendToProcessor(protocol::system::kMasterVolume, 0.5);
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
    VSTGUI::CControl* volume =
        findControl(editor, kest::tolvane::editor::kTagControl | protocol::system::kMasterVolume);
    ASSERT_NE(volume, nullptr);
    sendToProcessor(protocol::system::kMasterVolume, 0.25);
    EXPECT_FLOAT_EQ(processor->engineContext()->synth->getMasterVolume(), 0.25f);
    EXPECT_FLOAT_EQ(volume->getValueNormalized(), 0.25f);
    // A part's MODE set from the editor's side shows the sampler page at once.
    sendToProcessor(protocol::part::kMode, 1.0);
    EXPECT_TRUE(editor->isSamplerPageVisible());
    frame.run(50ms);
    ASSERT_EQ(view->removed(), kResultOk);
    // Once closed, the same messages are dropped without touching the views.
    sendToProcessor(protocol::system::kMasterVolume, 0.5);
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
    editor->onValueUpdate(protocol::system::kMasterVolume, 0.5f);
    editor->onValueUpdate(protocol::part::kMode, 1.0f);
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
    sendToProcessor(protocol::system::kNrpn, 0.0);
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

TEST_F(EditorWindowTest, IdleDrawsNothingAndAControllerChangeRedrawsOnlyItsControl)
{
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);

    // The menus show their entries from the first refresh on.
    auto* context = processor->engineContext();
    const std::pair<int, int> shown[] = {{protocol::part::kSelect, context->currentPart},
                                         {protocol::part::kMode, context->currentPartState->mode},
                                         {protocol::tone::kStrc, context->currentTonePreset->strc}};
    for (const auto& [id, index] : shown) {
        auto* menu = dynamic_cast<VSTGUI::COptionMenu*>(findControl(editor, kest::tolvane::editor::kTagControl | id));
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->getCurrentIndex(), index) << std::hex << id;
    }

    // A second of ticks with nothing changed: not one drawing request.
    const int ticks = frame.firings(33ms);
    frame.run(1000ms);
    EXPECT_GE(frame.firings(33ms) - ticks, 15);
    EXPECT_TRUE(damage.collect().empty());

    // MIDI volume on part 1, the shown part: at the next tick the VOLUME slider
    // and its value field are drawn, and nothing else.
    VSTGUI::CControl* slider = findControl(editor, kest::tolvane::editor::kTagControl | protocol::part::kVolume);
    VSTGUI::CControl* field = findControl(editor, kest::tolvane::editor::kTagValueText | protocol::part::kVolume);
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(field, nullptr);
    controlChange(0, 7, 31);
    tickAndDraw();
    EXPECT_FLOAT_EQ(slider->getValueNormalized(), 31.0f / 127.0f);
    const auto drawn = damage.collect();
    EXPECT_FALSE(drawn.empty());
    // The library may join the two neighbouring rectangles into one.
    VSTGUI::CRect allowed = windowRect(slider);
    allowed.unite(windowRect(field));
    for (const xcb_rectangle_t& r : drawn)
        EXPECT_TRUE(inside(r, allowed)) << "drawn " << r.width << "x" << r.height << " at " << r.x << "," << r.y;

    // And then quiet again.
    frame.run(300ms);
    EXPECT_TRUE(damage.collect().empty());
    EXPECT_EQ(view->removed(), kResultOk);
}

// The library's 16 ms redraw timer stays away from the host while nothing is
// to be drawn, and a refresh tick draws what it changed in its own wake-up:
// a song's four controllers moving at once (modulation, volume, pan, bend in
// two neighbouring rows) reach the X server as one rectangle, at the tick.
TEST_F(EditorWindowTest, AQuietWindowKeepsNoRedrawTimerAndATickDrawsItsChangesAtOnce)
{
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    const int redrawFirings = frame.firings(16ms);
    frame.run(1000ms);
    EXPECT_EQ(frame.firings(16ms), redrawFirings);
    EXPECT_EQ(frame.timerCount(), 1u); // the refresh timer only

    VSTGUI::CRect allowed;
    for (int id : {0x0105, 0x0106, 0x0107, 0x0108}) {
        for (int tag : {kest::tolvane::editor::kTagControl | id, kest::tolvane::editor::kTagValueText | id}) {
            VSTGUI::CControl* control = findControl(editor, tag);
            ASSERT_NE(control, nullptr);
            if (allowed.isEmpty())
                allowed = windowRect(control);
            else
                allowed.unite(windowRect(control));
        }
    }
    controlChange(0, 1, 90);
    controlChange(0, 7, 31);
    controlChange(0, 10, 20);
    controlChange(0, ids::kPitchBendItem, 100);
    EXPECT_TRUE(nextRefreshTick());
    // The host loop stays still from here on: what is drawn, the tick drew.
    // The server takes the window's requests in its own time.
    std::this_thread::sleep_for(100ms);
    const auto drawn = damage.collect();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_TRUE(inside(drawn.front(), allowed)) << "drawn " << drawn.front().width << "x" << drawn.front().height
                                                << " at " << drawn.front().x << "," << drawn.front().y;
    EXPECT_EQ(frame.firings(16ms), redrawFirings);
    frame.run(300ms);
    EXPECT_TRUE(damage.collect().empty());
    EXPECT_EQ(view->removed(), kResultOk);
}

// A container shown or hidden invalidates itself past the rectangles its
// views hand on: the about overlay, shown from the logo on a quiet window,
// still reaches the screen.
TEST_F(EditorWindowTest, TheAboutOverlayShownOnAQuietWindowIsDrawn)
{
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    frame.run(300ms);
    damage.collect();
    VSTGUI::CControl* logo = findControl(editor, kest::tolvane::editor::kTagControl | protocol::logo::kLogo);
    ASSERT_NE(logo, nullptr);
    logo->setValueNormalized(1.0f); // pressed
    editor->valueChanged(logo);
    ASSERT_TRUE(editor->isAboutOverlayVisible());
    frame.run(200ms);
    const auto drawn = damage.collect();
    long long pixels = 0;
    for (const xcb_rectangle_t& r : drawn)
        pixels += static_cast<long long>(r.width) * r.height;
    EXPECT_GE(pixels, 528LL * 704LL);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(EditorWindowTest, WaveEditorFollowsASysExWaveTableRedrawingOnlyTheChangedBars)
{
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    auto& synth = processor->engineContext()->synth;
    auto shownTable = [&] {
        std::array<int, 32> samples{};
        synth->exportWaveInts(processor->engineContext()->currentWaveTable, samples.data(), 32, 8);
        return samples;
    };
    sendToProcessor(protocol::system::kReceiveSysEx, 0.0); // "Recieve sysEx" is off by default; the menu toggles it
    frame.run(50ms);
    damage.collect();
    const auto before = shownTable();
    // Table 0 (the shown one), entries 4 to 6; SysEx data bytes are 7-bit
    // values on the 8-bit scale.
    const int table = processor->engineContext()->currentWaveTable;
    std::vector<uint8> message{0xF0, 0x7D, 0x10, 0x20, 0x08, static_cast<uint8>(table), 0x04};
    for (int entry = 4; entry <= 6; ++entry)
        message.push_back(static_cast<uint8>((before[static_cast<std::size_t>(entry)] / 2 + 40) % 128));
    message.push_back(0xF7);
    sysEx(message);
    const auto after = shownTable();
    ASSERT_NE(after, before);

    tickAndDraw();
    VSTGUI::CRect allowed;
    for (int i = 0; i < 32; ++i) {
        auto* bar = findControl(editor, kest::tolvane::editor::kTagControl | protocol::wavePoint::id(i));
        ASSERT_NE(bar, nullptr);
        EXPECT_NEAR(bar->getValueNormalized() * 255.0f, static_cast<float>(after[static_cast<std::size_t>(i)]), 1e-3f)
            << "bar " << i;
        if (i == 4)
            allowed = windowRect(bar);
        if (i == 6)
            allowed.right = windowRect(bar).right;
    }
    const auto drawn = damage.collect();
    EXPECT_FALSE(drawn.empty());
    for (const xcb_rectangle_t& r : drawn)
        EXPECT_TRUE(inside(r, allowed)) << "drawn " << r.width << "x" << r.height << " at " << r.x << "," << r.y;
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(EditorWindowTest, DraggingAcrossTheWaveEditorSetsEveryBarItCrosses)
{
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    auto* context = processor->engineContext();
    auto table = [&] {
        std::array<int, 32> samples{};
        context->synth->exportWaveInts(context->currentWaveTable, samples.data(), 32, 8);
        return samples;
    };
    const auto before = table();
    auto barRect = [&](int i) {
        return windowRect(findControl(editor, kest::tolvane::editor::kTagControl | protocol::wavePoint::id(i)));
    };
    // The parent window sits at the screen's origin, the editor at the parent's.
    const double bottom = barRect(0).bottom;             // the bars' lower half is the visible one
    const int y = static_cast<int>(bottom - 0.75 * 134); // three quarters up
    FakePointer pointer;
    pointer.move(static_cast<int>(barRect(3).getCenter().x), y);
    frame.run(30ms);
    pointer.press();
    frame.run(30ms);
    // Two long jumps: most bars see no pointer event of their own.
    pointer.move(static_cast<int>(barRect(10).getCenter().x), y);
    frame.run(30ms);
    pointer.move(static_cast<int>(barRect(20).getCenter().x), y);
    frame.run(30ms);
    pointer.release();
    frame.run(100ms);

    const auto after = table();
    for (int i = 0; i < 32; ++i) {
        if (i >= 3 && i <= 20)
            EXPECT_NEAR(after[static_cast<std::size_t>(i)], 0.75 * 255, 2.0) << "bar " << i;
        else
            EXPECT_EQ(after[static_cast<std::size_t>(i)], before[static_cast<std::size_t>(i)]) << "bar " << i;
    }
    // The stroke is over: the next ticks show the table as it is stored.
    tickAndDraw();
    auto* bar = findControl(editor, kest::tolvane::editor::kTagControl | protocol::wavePoint::id(12));
    EXPECT_NEAR(bar->getValueNormalized() * 255.0f, static_cast<float>(after[12]), 1e-3f);
    EXPECT_EQ(view->removed(), kResultOk);
}

// The user picked a disk image where a tone file belongs: the import changes
// nothing and the tone section's title bar says why, drawn at once.
TEST_F(EditorWindowTest, ARefusedImportSaysWhyOnTheTitleBarOfTheSectionItCameFrom)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("tolvane-editor-notice-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string image = (folder / "disk.img").string();
    tolvane_test::makeSparseFile(image, tolvane_test::kDiskImageSize);
    const auto fileSelect = [&](int action) {
        IPtr<IMessage> message = owned(makeMessage(host, ids::kMsgFileSelect));
        message->getAttributes()->setInt(ids::kAttrTag, action);
        message->getAttributes()->setBinary(ids::kAttrPath, image.c_str(), static_cast<uint32>(image.size() + 1));
        EXPECT_EQ(processor->notify(message), kResultOk);
    };

    fileSelect(protocol::file::kImportSamplerText); // before the window opens: old news to its user
    DamageWatch damage;
    TolvaneVSTGUIEditor* editor = openShownEditor(damage);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->fileNoticeText(), "");

    fileSelect(protocol::file::kImportToneText);
    EXPECT_EQ(editor->fileNoticeText(), "disk.img: too large for a tone preset file (3.22 GB; at most 1 MB)");
    frame.run(100ms);
    // Drawn on the TONE PRESET bar (window y 240 to 262), right of its title, and nowhere else.
    const auto drawn = damage.collect();
    ASSERT_FALSE(drawn.empty());
    for (const xcb_rectangle_t& r : drawn)
        EXPECT_TRUE(inside(r, VSTGUI::CRect(140, 240, 528, 262)))
            << "drawn " << r.width << "x" << r.height << " at " << r.x << "," << r.y;

    // A WAV import into a slot not on show sends no update: the next tick shows its notice.
    fileSelect(protocol::file::kImportWavPcm | 9);
    EXPECT_TRUE(nextRefreshTick());
    EXPECT_EQ(editor->fileNoticeText(), "disk.img: not a WAV file (no RIFF/WAVE header)");
    EXPECT_EQ(view->removed(), kResultOk);
    std::filesystem::remove_all(folder);
}

} // namespace
