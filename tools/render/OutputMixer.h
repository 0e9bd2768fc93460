// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the engine's 16 output pairs into the files the user asked for: the
// sum of all pairs (or one chosen pair) and, optionally, one stem file per
// pair that carried sound.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioFileWriter.h"
#include "ModuleHost.h"
#include "SongRenderer.h"

namespace kest::tolvane::tools {

struct MixerSettings {
    int bus = 0;  // 1..16: only that pair; 0: all pairs summed
    int blockSize = 512;
    int sampleRate = 44100;
    SampleFormat format = SampleFormat::Pcm24;
    std::string stemPathPattern;  // empty: no stems; otherwise "%02d" is replaced by the pair number
};

class OutputMixer : public BlockSink {
public:
    OutputMixer(const MixerSettings& settings, AudioFileWriter& mainFile);

    bool consume(const float* const* outputs, int frames) override;

    // Commits the stems that carried sound and discards the rest; the paths written are returned.
    bool finishStems(std::vector<std::string>& written, std::string& error);
    void discardStems();

    float peak() const { return peak_; }
    const std::string& error() const { return error_; }
    // Called after every block with the frames rendered so far; returning false stops the render.
    std::function<bool(std::int64_t)> onProgress;

private:
    bool writeStem(int pair, const float* left, const float* right, int frames);
    std::string stemPath(int pair) const;

    MixerSettings settings_;
    AudioFileWriter& mainFile_;
    std::vector<float> mixLeft_, mixRight_, interleaved_;
    std::array<std::unique_ptr<AudioFileWriter>, kOutputPairCount> stems_;
    float peak_ = 0.0f;
    std::int64_t framesDone_ = 0;
    std::string error_;
};

} // namespace kest::tolvane::tools
