// SPDX-License-Identifier: GPL-3.0-or-later
// A Standard MIDI File rendered as `tolvane-render --float` renders it: the
// same engine settings, sound loading, block plan, tail and output-pair sum,
// so the page's samples are the renderer's to the bit. Blocks of the stereo
// mix go to a callback instead of a file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "MidiFile.h"

namespace kest::tolvane::web {

struct PageRenderRequest {
    int sampleRate = 44100;
    std::span<const std::uint8_t> preset; // a .vstpreset's bytes; empty: the factory bank
    bool receiveSysEx = false;            // as --receive-sysex
};

// Receives each block's left and right samples; returning false stops the render.
using MixedBlockSink = std::function<bool(const float* left, const float* right, int frames)>;

class PageSongRender {
public:
    // A browser tab holds the whole render in memory: the page renders songs of
    // at most this many frames (15 minutes at 48 kHz; tolvane-render allows four hours).
    static constexpr std::int64_t kMaxFrames = 15 * 60 * 48000;

    // Reads the song and checks that its length fits the page at the rate;
    // false with error set to what is wrong with it.
    bool open(std::span<const std::uint8_t> midi, int sampleRate, std::string& error);
    double songSeconds() const { return song_ ? song_->lengthSeconds : 0.0; }
    // The renderer's default tail, which the page always uses.
    static double tailSeconds();

    // Renders the opened song; false with error set when the preset cannot be
    // loaded or the sink stopped the render ("stopped").
    bool render(const PageRenderRequest& request, const MixedBlockSink& sink, std::string& error);

private:
    std::optional<tools::MidiSong> song_;
};

} // namespace kest::tolvane::web
