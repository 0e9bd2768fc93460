// SPDX-License-Identifier: GPL-3.0-or-later
// Shared fixtures of the plug-in core tests: a recording message sink, a
// rendering helper and small WAV files written to a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "EngineContext.h"
#include "ProtocolIds.h"

namespace kest::tolvane::plugin::testing {

struct RecordingSink : ProcessorMessageSink {
    void sendValueUpdate(int id, float value) override { updates.emplace_back(id, value); }
    void sendUiUpdate() override { ++uiUpdates; }
    std::vector<std::pair<int, float>> updates;
    int uiUpdates = 0;
};

class ContextTest : public ::testing::Test {
protected:
    ContextTest() { context.setMessageSink(&sink); }

    // Applies one value change and returns its single echo (fails the test otherwise).
    float apply(int id, float value)
    {
        sink.updates.clear();
        context.applyValueChange(id, value);
        EXPECT_EQ(sink.updates.size(), 1u) << "id 0x" << std::hex << id;
        if (sink.updates.size() != 1)
            return -1.0f;
        EXPECT_EQ(sink.updates[0].first, id);
        return sink.updates[0].second;
    }

    // Renders one block of n samples into scratch buffers.
    bool render(int n = 64)
    {
        for (auto& channel : buffers)
            channel.assign(static_cast<std::size_t>(n), 0.0f);
        std::array<float*, 32> pointers{};
        for (std::size_t i = 0; i < 32; ++i)
            pointers[i] = buffers[i].data();
        return context.tryRenderBlock(pointers.data(), n);
    }

    void noteOn(int channel, int key, int velocity = 100)
    {
        context.eventQueue->queueChannelEvent(kNoteOn, channel, key, velocity, 0);
    }

    int soundingVoices() { return context.synth->getActiveVoiceCount(); }

    EngineContext context;
    RecordingSink sink;
    std::array<std::vector<float>, 32> buffers;
};

// A folder of its own under the system's temporary folder, removed afterwards.
// The name is random and the folder new: test processes run side by side, and
// under a sanitizer their objects sit at the same addresses in each.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        do
            path_ = std::filesystem::temp_directory_path() /
                    ("tolvane-core-" + std::to_string(random()) + "-" + std::to_string(random()));
        while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// A 16-bit PCM WAV file with the given samples (interleaved when stereo).
inline void writeWav16(const std::string& path, const std::vector<std::int16_t>& samples, int channels = 1,
                       int rate = 44100)
{
    auto u16 = [](std::ofstream& out, int v) {
        out.put(static_cast<char>(v & 0xFF));
        out.put(static_cast<char>((v >> 8) & 0xFF));
    };
    auto u32 = [&](std::ofstream& out, std::uint32_t v) {
        u16(out, static_cast<int>(v & 0xFFFF));
        u16(out, static_cast<int>(v >> 16));
    };
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write("RIFF", 4);
    u32(out, 36 + dataSize);
    out.write("WAVEfmt ", 8);
    u32(out, 16);
    u16(out, 1);
    u16(out, channels);
    u32(out, static_cast<std::uint32_t>(rate));
    u32(out, static_cast<std::uint32_t>(rate * channels * 2));
    u16(out, channels * 2);
    u16(out, 16);
    out.write("data", 4);
    u32(out, dataSize);
    for (std::int16_t s : samples)
        u16(out, s);
}

inline std::vector<std::int16_t> rampSamples(int count)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i * 97) % 20000 - 10000);
    return samples;
}

} // namespace kest::tolvane::plugin::testing
