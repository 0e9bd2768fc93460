// SPDX-License-Identifier: GPL-3.0-or-later
// process() allocates nothing: every heap call the CLAP plug-in makes while
// it processes is counted, over blocks with notes in both dialects,
// controllers, pitch bend, program changes, pressure, System Exclusive and
// the bypass switch turned on and off.
#include <gtest/gtest.h>

#include <cmath>

#include "clap/ext/gui.h"

#include "ClapIdentity.h"
#include "ClapSongs.h"
#include "HeapCallCounter.h"

namespace {

using namespace tolvane_clap_test;

void fillBlock(EventList& events, int number)
{
    const int channel = number % 16;
    events.clear();
    events.midi(0, {static_cast<std::uint8_t>(0xB0 | channel), 7, static_cast<std::uint8_t>(number % 128)});
    events.midi(3, {static_cast<std::uint8_t>(0xE0 | channel), 0, static_cast<std::uint8_t>(number % 128)});
    events.midi(3, {static_cast<std::uint8_t>(0xD0 | channel), 64});
    if (number % 7 == 0)
        events.midi(5, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(number % 5)});
    for (int k = 0; k < 4; ++k)
        events.midi(static_cast<std::uint32_t>(10 * k), {static_cast<std::uint8_t>(0x90 | ((channel + k) % 16)),
                                                         static_cast<std::uint8_t>(40 + (number * 3 + k) % 40), 100});
    events.note(CLAP_EVENT_NOTE_ON, 40, channel, 30 + number % 20, 0.7);
    events.note(CLAP_EVENT_NOTE_OFF, 120, (channel + 3) % 16, 30 + (number + 9) % 20, 0.0);
    if (number % 5 == 0) // the engine's own SysEx and a foreign one
        events.midi(50, {0xF0, 0x7D, 0x10, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0xF7});
    if (number % 5 == 1)
        events.midi(60, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7});
    if (number % 50 == 20)
        events.param(70, kest::tolvane::clap::kBypassParamId, 1.0);
    if (number % 50 == 22)
        events.param(0, kest::tolvane::clap::kBypassParamId, 0.0);
    if (number % 61 == 0)
        events.note(CLAP_EVENT_NOTE_CHOKE, 90, -1, -1, 0.0);
}

TEST(ClapRealTime, ProcessNeverTouchesTheHeap)
{
    ClapInstance plugin(builtModule(), pluginId(), 44100, 256);
    ASSERT_TRUE(plugin.valid());
    EventList events;
    for (int warmUp = 0; warmUp < 20; ++warmUp) {
        fillBlock(events, warmUp);
        plugin.process(events, 256);
    }
    long calls = 0;
    for (int number = 0; number < 400; ++number) {
        fillBlock(events, number);
        tolvane_test::heapCalls = 0;
        tolvane_test::countHeapCallsOnThisThread(true);
        plugin.process(events, 256);
        tolvane_test::countHeapCallsOnThisThread(false);
        calls += tolvane_test::heapCalls.load();
    }
    EXPECT_EQ(calls, 0);
}

} // namespace

namespace {

// With the heap exhausted the entry points answer with CLAP's failure values
// (no exception reaches the host), and the instance works on afterwards.
TEST(ClapBoundary, AnExhaustedHeapGivesTheFailureValues)
{
    ClapInstance plugin(builtModule(), pluginId(), 44100, 256);
    ASSERT_TRUE(plugin.valid());
    const std::vector<std::uint8_t> state = plugin.saveState();
    ASSERT_FALSE(state.empty());
    const auto* gui = plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    const clap_plugin_factory_t* factory = builtModule().factory();
    static const clap_host_t host{CLAP_VERSION_INIT,
                                  nullptr,
                                  "exhausted",
                                  "",
                                  "",
                                  "1",
                                  [](const clap_host_t*, const char*) -> const void* { return nullptr; },
                                  [](const clap_host_t*) {},
                                  [](const clap_host_t*) {},
                                  [](const clap_host_t*) {}};
    EventList events;
    events.midi(0, {0x90, 60, 100});

    tolvane_test::failHeapCallsOnThisThread(true);
    const clap_plugin_t* created = factory->create_plugin(factory, &host, pluginId());
    const bool loaded = plugin.loadState(state);
    const bool opened = gui->create(plugin.plugin(), CLAP_WINDOW_API_X11, false);
    const clap_process_status status = plugin.process(events, 256);
    tolvane_test::failHeapCallsOnThisThread(false);

    EXPECT_EQ(created, nullptr);
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(opened);
    EXPECT_EQ(status, CLAP_PROCESS_CONTINUE) << "process() needs no heap";
    double sum = 0.0;
    for (int i = 0; i < 256; ++i)
        sum += std::abs(plugin.output(0)[i]) + std::abs(plugin.output(1)[i]);
    EXPECT_GT(sum, 0.0);
    EXPECT_TRUE(plugin.loadState(state));
}

} // namespace
