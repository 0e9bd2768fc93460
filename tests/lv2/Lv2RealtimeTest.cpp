// SPDX-License-Identifier: GPL-3.0-or-later
// run() allocates nothing: every heap call the plug-in makes while it runs
// is counted, over blocks with notes, controllers, pitch bend, program
// changes, pressure and System Exclusive, with an edit waiting now and then.
#include <gtest/gtest.h>

#include "lv2/atom/atom.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include "EngineContext.h"
#include "HeapCallCounter.h"
#include "LilvHost.h"
#include "Lv2Identity.h"
#include "ProtocolIds.h"
#include "TolvaneLv2Plugin.h"

namespace {

using namespace tolvane_lv2_test;

std::vector<MidiAt> blockEvents(int number)
{
    const auto channel = static_cast<std::uint8_t>(number % 16);
    std::vector<MidiAt> events{
        {0, {static_cast<std::uint8_t>(0xB0 | channel), 7, static_cast<std::uint8_t>(number % 128)}},
        {3, {static_cast<std::uint8_t>(0xE0 | channel), 0, static_cast<std::uint8_t>(number % 128)}},
        {3, {static_cast<std::uint8_t>(0xD0 | channel), 64}}};
    if (number % 7 == 0)
        events.push_back({5, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(number % 5)}});
    for (int k = 0; k < 4; ++k)
        events.push_back({10 * k,
                          {static_cast<std::uint8_t>(0x90 | ((channel + k) % 16)),
                           static_cast<std::uint8_t>(40 + (number * 3 + k) % 40), 100}});
    if (number % 5 == 0) // the engine's own SysEx and a foreign one
        events.push_back({50, {0xF0, 0x7D, 0x10, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0xF7}});
    if (number % 5 == 1)
        events.push_back({60, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}});
    events.push_back({100,
                      {static_cast<std::uint8_t>(0x80 | ((channel + 15) % 16)),
                       static_cast<std::uint8_t>(40 + (number * 3 + 45) % 40), 0}});
    return events;
}

// Both plug-ins: the 16 pairs, and the stereo one that sums them.
class Lv2RealTime : public ::testing::TestWithParam<const char*> {};

TEST_P(Lv2RealTime, RunNeverTouchesTheHeap)
{
    PluginInstance plugin(44100, 256, GetParam());
    ASSERT_TRUE(plugin.valid());
    auto* instance =
        static_cast<kest::tolvane::lv2::TolvaneLv2Plugin*>(lilv_instance_get_handle(plugin.lilvInstance()));
    namespace ids = kest::tolvane::plugin::ids;
    for (int warmUp = 0; warmUp < 20; ++warmUp) {
        plugin.setEvents(blockEvents(warmUp));
        plugin.run(256);
    }
    long calls = 0;
    for (int number = 0; number < 400; ++number) {
        plugin.setEvents(blockEvents(number));
        if (number % 50 == 10) // a value change waiting for the audio thread
            instance->engineContext().postValueChange(ids::system::kMasterVolume, (number % 100) / 100.0f);
        tolvane_test::heapCalls = 0;
        tolvane_test::countHeapCallsOnThisThread(true);
        plugin.run(256);
        tolvane_test::countHeapCallsOnThisThread(false);
        calls += tolvane_test::heapCalls.load();
    }
    instance->engineContext().settleValueChanges();
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(Plugins, Lv2RealTime,
                         ::testing::Values(kest::tolvane::lv2::kPluginUri, kest::tolvane::lv2::kStereoPluginUri));

} // namespace

namespace {

// With the heap exhausted the entry points answer with LV2's failure values
// (no exception reaches the host), and the instance works on afterwards.
TEST(Lv2Boundary, AnExhaustedHeapGivesTheFailureValues)
{
    PluginInstance plugin(44100, 256);
    ASSERT_TRUE(plugin.valid());
    const std::vector<std::uint8_t> state = plugin.saveState();
    ASSERT_FALSE(state.empty());
    const LV2_Descriptor* descriptor = lilv_instance_get_descriptor(plugin.lilvInstance());
    const auto* stateInterface =
        static_cast<const LV2_State_Interface*>(descriptor->extension_data(LV2_STATE__interface));
    ASSERT_TRUE(stateInterface);
    const LV2_Feature map{LV2_URID__map, LilvBundle::instance().urids().mapFeature()};
    const LV2_Feature* features[] = {&map, nullptr};
    struct Stored {
        const std::vector<std::uint8_t>* bytes;
        std::uint32_t chunk;
    } stored{&state, LilvBundle::instance().urids().map(LV2_ATOM__Chunk)};
    const auto store = [](LV2_State_Handle, std::uint32_t, const void*, std::size_t, std::uint32_t, std::uint32_t) {
        return LV2_STATE_SUCCESS;
    };
    const auto retrieve = [](LV2_State_Handle handle, std::uint32_t, std::size_t* size, std::uint32_t* type,
                             std::uint32_t* flags) -> const void* {
        const auto& s = *static_cast<const Stored*>(handle);
        *size = s.bytes->size();
        *type = s.chunk;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return s.bytes->data();
    };
    LV2_Handle handle = lilv_instance_get_handle(plugin.lilvInstance());

    tolvane_test::failHeapCallsOnThisThread(true);
    LV2_Handle created = descriptor->instantiate(descriptor, 44100, "", features);
    const LV2_State_Status saved = stateInterface->save(handle, store, nullptr, LV2_STATE_IS_POD, nullptr);
    const LV2_State_Status restored = stateInterface->restore(handle, retrieve, &stored, 0, nullptr);
    tolvane_test::failHeapCallsOnThisThread(false);

    EXPECT_EQ(created, nullptr);
    EXPECT_EQ(saved, LV2_STATE_ERR_UNKNOWN);
    EXPECT_EQ(restored, LV2_STATE_ERR_UNKNOWN);
    EXPECT_TRUE(plugin.restoreState(state));
    EXPECT_EQ(plugin.saveState(), state);
}

} // namespace
