// SPDX-License-Identifier: GPL-3.0-or-later
// The engine played live in the page's AudioWorklet, through the live
// player's core (as tolvane-play plays it): MIDI from the keyboards arrives
// between two render quanta and is played at the start of the next one;
// each quantum's 16 output pairs are summed into one stereo pair.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "EngineContext.h"
#include "LivePlayer.h"

namespace kest::tolvane::web {

class PageLive {
public:
    // The most frames one render call produces (a Web Audio quantum is 128).
    static constexpr int kMaxFrames = 1024;
    // Messages kept for the next quantum; more are dropped until it is rendered.
    static constexpr int kMaxMessages = 1024;
    static constexpr int kMaxMessageBytes = 64 * 1024;

    PageLive();
    PageLive(const PageLive&) = delete;
    PageLive& operator=(const PageLive&) = delete;

    // A fresh engine at the rate with the sound of the preset (empty: the
    // factory bank); the old one plays on when the preset cannot be loaded.
    bool start(int sampleRate, std::span<const std::uint8_t> preset, std::string& error);

    // One complete message (status byte first, SysEx from F0 to F7); false
    // when it has no room to wait for the next quantum.
    bool queueMessage(std::span<const std::uint8_t> bytes);

    // Renders up to kMaxFrames frames into left() and right() (silence before start).
    void render(int frames);
    const float* left() const { return left_.data(); }
    const float* right() const { return right_.data(); }

    int activeVoices() const;
    int partMode(int part) const; // synth::PartMode of part 0-15

private:
    class QueuedInput;

    std::unique_ptr<plugin::EngineContext> context_;
    std::unique_ptr<tools::LivePlayer> player_;
    std::unique_ptr<QueuedInput> input_;
    std::array<float, kMaxFrames> left_{};
    std::array<float, kMaxFrames> right_{};
};

} // namespace kest::tolvane::web
