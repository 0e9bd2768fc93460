// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the engine's 16 output pairs into the files the user asked for: the
// mix (all pairs summed, or one chosen pair) scaled by the output gain and,
// optionally, one stem file per part that carried sound.
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
#include "WriteBuffer.h"

namespace kest::tolvane::tools {

struct MixerSettings {
    int blockSize = 512;
    int sampleRate = 44100;
    float gain = 1.0f; // linear, on the mix and on every stem
    // The output pairs summed into the mix; a single pair is passed on as it is.
    std::vector<int> mixPairs;
    // Stems: when perPartStems is set the renderer hands over every part's
    // output (consumeParts), and stemPath(part) names the file of a part when
    // it first carries sound.
    bool perPartStems = false;
    std::function<std::string(int part)> stemPath;
    OutputFormat format;
};

// The pairs of the mix: all 16, or the one --bus names (1..16).
std::vector<int> allPairsOrBus(int bus);

class OutputMixer : public BlockSink {
public:
    // mainFile may be null: the mix is then only measured.
    OutputMixer(const MixerSettings& settings, AudioFileWriter* mainFile);

    bool consume(const float* const* outputs, int frames) override;
    bool consumeBlock(const float* const* outputs, int frames, std::uint32_t soundingPairs) override;
    bool consumeParts(const float* const* partOutputs, int frames, std::uint32_t soundingParts) override;
    // Writes the frames still collected for the main file and the stems.
    bool finish() override;

    // Commits the stems that carried sound; the paths written are returned.
    bool finishStems(std::vector<std::string>& written, std::string& error);
    void discardStems();

    float peak() const { return peak_; }                     // of the mix, after the gain
    std::int64_t clippedSamples() const { return clipped_; } // mix samples beyond full scale
    std::int64_t samples() const { return 2 * framesDone_; }
    const std::string& error() const { return error_; }
    // Called after every block with the frames rendered so far; returning false stops the render.
    std::function<bool(std::int64_t)> onProgress;

private:
    void mixBlock(const float* const* outputs, int frames, std::uint32_t soundingPairs);
    bool writeStem(int part, const float* left, const float* right, int frames);

    MixerSettings settings_;
    AudioFileWriter* mainFile_;
    std::vector<float> mixLeft_, mixRight_, interleaved_;
    WriteBuffer mainPending_;
    std::array<std::unique_ptr<AudioFileWriter>, kOutputPairCount> stems_;
    std::array<std::unique_ptr<WriteBuffer>, kOutputPairCount> stemPending_;
    float peak_ = 0.0f;
    std::int64_t clipped_ = 0;
    std::int64_t framesDone_ = 0;
    std::string error_;
};

} // namespace kest::tolvane::tools
