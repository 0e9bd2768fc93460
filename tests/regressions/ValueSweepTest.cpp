// SPDX-License-Identifier: GPL-3.0-or-later
// Every value id with every awkward float: nothing may reach an integer
// conversion out of range (the sanitized build reports that), and the engine
// must still render finite audio afterwards.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "EngineContext.h"

namespace {

using kest::tolvane::plugin::EngineContext;

bool rendersFinite(EngineContext& context)
{
    constexpr int kLength = 256;
    std::vector<float> storage(32 * kLength, 0.0f);
    std::vector<float*> channels(32);
    for (int c = 0; c < 32; ++c)
        channels[c] = storage.data() + c * kLength;
    for (int channel = 0; channel < 16; ++channel)
        context.eventQueue->queueChannelEvent(0x90, channel, 60, 100, 0);
    if (!context.tryRenderBlock(channels.data(), kLength))
        return false;
    for (float sample : storage)
        if (!std::isfinite(sample))
            return false;
    return true;
}

TEST(ValueSweep, EveryIdWithEveryAwkwardValue)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kMax = std::numeric_limits<float>::max();
    constexpr std::array<float, 8> kValues = {
        kNaN, kInf, -kInf, kMax, -kMax, std::numeric_limits<float>::denorm_min(), -1.0f, 1.0e9f};
    for (float value : kValues) {
        EngineContext context;
        for (int id = 0; id <= 0xFFFF; ++id)
            context.applyValueChange(id, value);
        EXPECT_TRUE(rendersFinite(context)) << "after every id set to " << value;
    }
}

} // namespace
