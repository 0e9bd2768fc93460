// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageSongRender.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "ModuleHost.h"
#include "OutputPairs.h"
#include "PageSound.h"
#include "RenderOptions.h"
#include "SongRenderer.h"

namespace kest::tolvane::web {

namespace {

// Sums the 16 output pairs of each block, as the renderer's mix does, and hands the sum on.
class MixingSink final : public tools::BlockSink {
public:
    MixingSink(const MixedBlockSink& sink, int blockSize)
        : sink_(sink), left_(static_cast<std::size_t>(blockSize)), right_(static_cast<std::size_t>(blockSize))
    {
    }
    bool consume(const float* const* outputs, int frames) override
    {
        tools::sumOutputPairs(outputs, frames, left_.data(), right_.data());
        return sink_(left_.data(), right_.data(), frames);
    }

private:
    const MixedBlockSink& sink_;
    std::vector<float> left_, right_;
};

std::string minutes(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds / 60.0);
    return text;
}

} // namespace

double PageSongRender::tailSeconds() { return tools::RenderOptions{}.tailSeconds; }

bool PageSongRender::open(std::span<const std::uint8_t> midi, int sampleRate, std::string& error)
{
    song_.reset();
    if (midi.size() > tools::kMaxMidiFileSize) {
        error = "the file is " + std::to_string(midi.size()) + " bytes, more than a MIDI song can sensibly be (limit " +
                std::to_string(tools::kMaxMidiFileSize) + ")";
        return false;
    }
    tools::MidiReadResult read = tools::readMidiFile(midi);
    if (!read.song) {
        error = read.error;
        return false;
    }
    const double frames = (read.song->lengthSeconds + tailSeconds()) * sampleRate;
    if (!(frames <= static_cast<double>(kMaxFrames))) {
        error = "the song lasts " + minutes(read.song->lengthSeconds) + " minutes; the page renders at most " +
                minutes(static_cast<double>(kMaxFrames) / sampleRate - tailSeconds()) + " minutes at " +
                std::to_string(sampleRate) + " Hz (tolvane-render renders up to four hours)";
        return false;
    }
    song_ = std::move(read.song);
    return true;
}

bool PageSongRender::render(const PageRenderRequest& request, const MixedBlockSink& sink, std::string& error)
{
    if (!song_) {
        error = "no song is open";
        return false;
    }
    const tools::RenderOptions defaults;
    tools::EngineSettings settings;
    settings.sampleRate = request.sampleRate;
    settings.blockSize = defaults.blockSize;
    settings.receiveSysEx = request.receiveSysEx;
    tools::SongRenderer renderer(settings);
    if (!loadPageSound(renderer.context(), request.preset, error))
        return false;
    renderer.applySwitches(); // a loaded state brings its own switches; the request turns them on
    MixingSink mixing(sink, settings.blockSize);
    if (renderer.render(*song_, defaults.tailSeconds, mixing).stopped) {
        error = "stopped";
        return false;
    }
    return true;
}

} // namespace kest::tolvane::web
