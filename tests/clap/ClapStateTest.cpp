// SPDX-License-Identifier: GPL-3.0-or-later
// One state through the three built plug-ins, each loaded as its hosts load
// it: VST 3 (the bundle), CLAP (the .clap file) and LV2 (lilv, from the
// bundle's description). Every save holds the same bytes.
#include <gtest/gtest.h>

#include "BundleSession.h"
#include "ClapSongs.h"
#include "EngineContext.h"
#include "LilvHost.h"
#include "PluginStateBytes.h"
#include "SongHostEvents.h"

namespace {

using namespace tolvane_clap_test;
namespace plugin = kest::tolvane::plugin;

std::vector<std::uint8_t> vst3Round(const std::vector<std::uint8_t>& state)
{
    tolvane_vst_test::BundleSession session(512, tolvane_test::kSongRate, state);
    if (!session.ready())
        return {};
    Steinberg::MemoryStream stream;
    EXPECT_EQ(session.component->getState(&stream), Steinberg::kResultOk);
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.getData());
    return {data, data + stream.getSize()};
}

TEST(ClapState, CrossesFromVst3ToClapToLv2AndBackToVst3ByteForByte)
{
    // The bank, a sample kept inside the state (its file long gone) and the bypass switch on.
    plugin::EngineContext context;
    plugin::MemoryByteReader bank(tolvane_test::bankStateReceivingSysEx());
    ASSERT_TRUE(context.readState(bank));
    std::vector<std::int32_t> codes(4000);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<std::int32_t>((i * 37) % 2000) * 2;
    context.restoreSample(5, std::move(codes), 4000, 1, "/nowhere/kick.wav", {});
    const std::vector<std::uint8_t> original = plugin::pluginStateBytes(context, true);

    const std::vector<std::uint8_t> fromVst3 = vst3Round(original);
    ASSERT_GT(fromVst3.size(), tolvane_test::bankStateReceivingSysEx().size() + 8000)
        << "the sample travels inside the state";
    EXPECT_EQ(fromVst3, original);

    ClapInstance clap(builtModule(), pluginId(), tolvane_test::kSongRate, 512);
    ASSERT_TRUE(clap.loadState(fromVst3));
    const std::vector<std::uint8_t> fromClap = clap.saveState();
    EXPECT_EQ(fromClap, fromVst3);

    tolvane_lv2_test::PluginInstance lv2(tolvane_test::kSongRate, 512);
    ASSERT_TRUE(lv2.valid());
    ASSERT_TRUE(lv2.restoreState(fromClap));
    const std::vector<std::uint8_t> fromLv2 = lv2.saveState();
    EXPECT_EQ(fromLv2, fromClap);

    EXPECT_EQ(vst3Round(fromLv2), fromLv2);
}

} // namespace
