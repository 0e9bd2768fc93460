// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineContextDriver.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <vector>

namespace kest::tolvane::fuzzing {

namespace {

constexpr int kChannelCount = 32;
constexpr int kMaxBlockLength = 4096;
constexpr int kMaxSysExLength = 1024;
// File actions cost real file-system time; past this many per input the
// fuzzer would spend its time waiting on the disk instead of exploring.
constexpr int kMaxFileActions = 16;

// Consumes the input from the front; once it runs dry every read yields zero.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
    int u16() { return byte() | (byte() << 8); }
    std::uint32_t u32()
    {
        const std::uint32_t low = static_cast<std::uint32_t>(u16());
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    int anyInt() { return static_cast<int>(u32()); }

    // Mostly the awkward values, sometimes any bit pattern at all.
    float anyFloat()
    {
        static constexpr std::array<float, 12> kAwkward = {std::numeric_limits<float>::quiet_NaN(),
                                                           std::numeric_limits<float>::infinity(),
                                                           -std::numeric_limits<float>::infinity(),
                                                           std::numeric_limits<float>::max(),
                                                           -std::numeric_limits<float>::max(),
                                                           std::numeric_limits<float>::denorm_min(),
                                                           -1.0f,
                                                           0.0f,
                                                           1.0f,
                                                           0.5f,
                                                           1.0e12f,
                                                           -1.0e12f};
        const std::uint8_t pick = byte();
        if (pick < kAwkward.size())
            return kAwkward[pick];
        if (pick < 128)
            return static_cast<float>(byte()) / 255.0f;
        return std::bit_cast<float>(u32());
    }

    // Up to `limit` bytes, fewer when the input ends.
    std::vector<std::uint8_t> bytes(int limit)
    {
        const std::size_t wanted = static_cast<std::size_t>(std::min(u16(), limit));
        const std::size_t count = std::min(wanted, size_ - std::min(position_, size_));
        std::vector<std::uint8_t> result(data_ + position_, data_ + position_ + count);
        position_ += count;
        return result;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& contents)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    return std::fclose(file) == 0 && written;
}

constexpr std::array<int, 7> kImportActions = {0x11, 0x12, 0x15, 0x16, 0x21, 0x22, 0x23};
constexpr std::array<int, 7> kExportActions = {0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97};
constexpr std::array<int, 7> kChannelTypes = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0};

void importFile(plugin::EngineContext& context, const std::string& folder, FuzzInput& in)
{
    const int action = kImportActions[in.byte() % kImportActions.size()];
    const int slot = in.byte();
    const std::string path = folder + "/import.dat";
    if (!writeFile(path, in.bytes(1 << 16)))
        return;
    context.runFileAction((action << 8) | slot, path.c_str());
}

void exportFile(plugin::EngineContext& context, const std::string& folder, FuzzInput& in)
{
    const int action = kExportActions[in.byte() % kExportActions.size()];
    const std::string path = folder + "/export.txt";
    context.runFileAction(action << 8, path.c_str());
}

void loadState(plugin::EngineContext& context, FuzzInput& in)
{
    const std::vector<std::uint8_t> state = in.bytes(1 << 16);
    plugin::MemoryByteReader reader(state);
    context.readState(reader, false);
    plugin::MemoryByteWriter writer;
    context.writeState(writer);
}

void hostCall(plugin::EngineContext& context, FuzzInput& in)
{
    switch (in.byte() % 6) {
    case 0: context.setSampleRate(in.anyFloat()); break;
    case 1: context.setBlockSize(1 + in.u16() % kMaxBlockLength); break;
    case 2: context.setModulesActive(in.byte() & 1); break;
    case 3: context.applyPolyphony(in.byte()); break;
    case 4: {
        const int mode = in.anyInt();
        context.runOnEngine([&] { context.setCurrentPartMode(mode); });
        break;
    }
    default: context.runOnEngine([&] { context.stopAllVoices(); }); break;
    }
}

void collectEvents(plugin::PendingMidiEvents& events, FuzzInput& in, int blockLength)
{
    const int eventCount = in.byte() % 64;
    for (int i = 0; i < eventCount && !in.empty(); ++i) {
        const int time = in.u16() % blockLength;
        if (in.byte() % 8 == 0) {
            const std::vector<std::uint8_t> sysEx = in.bytes(kMaxSysExLength);
            events.addSysEx(sysEx.data(), static_cast<int>(sysEx.size()), time);
        } else {
            const int type = kChannelTypes[in.byte() % kChannelTypes.size()];
            const int channel = in.byte() & 0xF;
            const int data1 = in.byte() & 0x7F;
            const int data2 = in.byte() & 0x7F;
            events.addChannelEvent(type, channel, data1, data2, time);
        }
    }
}

void renderBlock(plugin::EngineContext& context, FuzzInput& in)
{
    static std::vector<float> storage(static_cast<std::size_t>(kChannelCount) * kMaxBlockLength);
    std::array<float*, kChannelCount> channels{};
    for (int c = 0; c < kChannelCount; ++c)
        channels[c] = storage.data() + c * kMaxBlockLength;
    const int length = 1 + in.u16() % kMaxBlockLength;
    // As the plug-in shells do: the block's events collected, then one pass through the block entry.
    static plugin::PendingMidiEvents events;
    collectEvents(events, in, length);
    context.renderAudioBlock({.events = &events, .outputs = channels.data(), .frames = length});
    // Whatever the input, the engine must never put NaN or infinity on the bus.
    for (int c = 0; c < kChannelCount; ++c)
        for (int i = 0; i < length; ++i)
            if (!std::isfinite(channels[c][i])) {
                std::fprintf(stderr, "non-finite output on channel %d at %d\n", c, i);
                std::abort();
            }
}

} // namespace

EngineContextDriver::EngineContextDriver()
{
    folder_ = (std::filesystem::temp_directory_path() / ("tolvane-fuzz-" + std::to_string(getpid()))).string();
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
}

EngineContextDriver::~EngineContextDriver()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void EngineContextDriver::run(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    int fileActions = 0;
    while (!in.empty()) {
        int operation = in.byte() % 6;
        if ((operation == 1 || operation == 2) && ++fileActions > kMaxFileActions)
            operation = 0;
        switch (operation) {
        case 0: {
            const int id = in.u16();
            context_.applyValueChange(id, in.anyFloat());
            break;
        }
        case 1: importFile(context_, folder_, in); break;
        case 2: exportFile(context_, folder_, in); break;
        case 3: loadState(context_, in); break;
        case 4: hostCall(context_, in); break;
        default: renderBlock(context_, in); break;
        }
    }
}

} // namespace kest::tolvane::fuzzing
