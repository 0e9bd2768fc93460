// SPDX-License-Identifier: GPL-3.0-or-later
// Drives an engine the way the plug-in does: events queued in the MidiController,
// 32 cleared output channels, one ModuleHost process call per block.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "MidiController.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::test {

class EngineHarness {
public:
    explicit EngineHarness(float sampleRate = 44100.0f)
    {
        host.setModule(0, &queue);
        host.setModule(1, &engine);
        host.setSampleRate(sampleRate);
        host.setBlockSize(kMaxBlock);
    }

    static constexpr int kMaxBlock = 4096;

    // Events at absolute sample times; each is queued in the block that contains it.
    void schedule(int type, int channel, int data1, int data2, int time)
    {
        pending.push_back({type, channel, data1, data2, time});
    }
    void noteOn(int channel, int key, int velocity, int time = 0) { schedule(kNoteOn, channel, key, velocity, time); }
    void noteOff(int channel, int key, int time = 0) { schedule(kNoteOff, channel, key, 0, time); }
    void controlChange(int channel, int controller, int value, int time = 0)
    {
        schedule(kControlChange, channel, controller, value, time);
    }
    // The host's tempo, and its song position when it has one.
    void transport(double tempo, bool hasBeat, double beat, int time)
    {
        pending.push_back({kTransport, 0, hasBeat ? 1 : 0, 0, time, tempo, beat});
    }

    // Renders one block of n samples (n <= kMaxBlock) and keeps it in the buffers.
    void block(int n)
    {
        std::vector<Scheduled> later;
        for (const Scheduled& e : pending) {
            if (e.time >= now + n)
                later.push_back(e);
            else if (e.type == kTransport)
                queue.queueTransport(e.tempo, e.data1 != 0, e.beat, e.time - now);
            else
                queue.queueChannelEvent(e.type, e.channel, e.data1, e.data2, e.time - now);
        }
        pending.swap(later);
        now += n;
        for (auto& channel : buffers)
            std::fill(channel.begin(), channel.end(), 0.0f);
        for (int c = 0; c < kOutputChannelCount; ++c)
            pointers[static_cast<std::size_t>(c)] = buffers[static_cast<std::size_t>(c)].data();
        host.process(pointers.data(), n);
        lastBlock = n;
    }

    // Renders total samples in blocks of blockSize and returns one output channel.
    std::vector<float> render(int total, int channel = 0, int blockSize = 256)
    {
        std::vector<float> out;
        out.reserve(static_cast<std::size_t>(total));
        while (static_cast<int>(out.size()) < total) {
            const int n = std::min(blockSize, total - static_cast<int>(out.size()));
            block(n);
            const auto& b = buffers[static_cast<std::size_t>(channel)];
            out.insert(out.end(), b.begin(), b.begin() + n);
        }
        return out;
    }

    const std::vector<float>& channel(int c) const { return buffers[static_cast<std::size_t>(c)]; }

    synth::SynthesizerWT engine;
    util::MidiController queue;
    ModuleHost host;
    std::array<std::vector<float>, kOutputChannelCount> buffers = makeBuffers();
    std::array<float*, kOutputChannelCount> pointers{};
    int lastBlock = 0;
    int now = 0; // absolute time of the next block's first sample

private:
    struct Scheduled {
        int type, channel, data1, data2, time;
        double tempo = 0.0, beat = 0.0;
    };
    std::vector<Scheduled> pending;

    static std::array<std::vector<float>, kOutputChannelCount> makeBuffers()
    {
        std::array<std::vector<float>, kOutputChannelCount> b;
        for (auto& channel : b)
            channel.assign(kMaxBlock, 0.0f);
        return b;
    }
};

// Wavetable 1 as a square of full-scale codes, played by the tone: every
// sample of a sounding voice is far from zero, and an attenuation shows in
// every sample.
inline void useSquareWave(synth::SynthesizerWT& engine, int tone = 0)
{
    std::int32_t* table = engine.waveTable(1);
    for (int i = 0; i < engine.tableSize; ++i)
        table[i] = i < engine.tableSize / 2 ? 0 : 1;
    engine.tone(tone).wave = 1;
}

// Index of the first sample whose magnitude exceeds the threshold, or -1.
inline int firstAbove(const std::vector<float>& s, float threshold, int from = 0)
{
    for (int i = from; i < static_cast<int>(s.size()); ++i)
        if (std::abs(s[static_cast<std::size_t>(i)]) > threshold)
            return i;
    return -1;
}

// Index of the last sample whose magnitude exceeds the threshold, or -1.
inline int lastAbove(const std::vector<float>& s, float threshold)
{
    for (int i = static_cast<int>(s.size()) - 1; i >= 0; --i)
        if (std::abs(s[static_cast<std::size_t>(i)]) > threshold)
            return i;
    return -1;
}

// Frequency from the mean distance between rising zero crossings.
inline double measuredFrequency(const std::vector<float>& s, double sampleRate, int from = 0)
{
    int first = -1, last = -1, crossings = 0;
    for (int i = from + 1; i < static_cast<int>(s.size()); ++i) {
        if (s[static_cast<std::size_t>(i - 1)] <= 0.0f && s[static_cast<std::size_t>(i)] > 0.0f) {
            if (first < 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return sampleRate * (crossings - 1) / static_cast<double>(last - first);
}

} // namespace kest::tolvane::test
