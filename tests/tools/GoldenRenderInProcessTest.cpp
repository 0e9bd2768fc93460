// SPDX-License-Identifier: GPL-3.0-or-later
// The golden renders (GoldenRenderTest) played in process, through the
// renderer's engine driver and sound-data loader rather than the program: the
// WebAssembly build runs this suite under Node, so its engine is held to the
// hashes the native renderer recorded, at more than one block size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GoldenSongs.h"
#include "MidiFile.h"
#include "ModuleHost.h"
#include "OutputPairs.h"
#include "RenderOptions.h"
#include "SongRenderer.h"
#include "SoundDataLoader.h"
#include "WaveBuilder.h"

using namespace kest::tolvane::tools;

namespace {

const std::string kGoldenDir = TOLVANE_GOLDEN_DIR;

// A folder of its own for each case: CTest runs the cases in parallel.
struct Scratch {
    std::filesystem::path path;
    explicit Scratch(const std::string& caseName)
        : path(std::filesystem::temp_directory_path() / ("tolvane-golden-in-process-" + caseName))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Scratch() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeWave(const Scratch& dir, const tolvane_test::GoldenWave& wave)
{
    const std::vector<short> pcm = wave.pcm();
    writeFile(dir / wave.name, kest::tolvane::formats::test::WaveBuilder()
                                   .format(1, wave.channels, wave.rate, 16)
                                   .samples(std::vector<std::int64_t>(pcm.begin(), pcm.end()), 16)
                                   .build());
}

// The mix as tolvane-render writes it with --float: all pairs summed, interleaved.
class InterleavedMix final : public BlockSink {
public:
    explicit InterleavedMix(int blockSize) : left_(blockSize), right_(blockSize) {}
    bool consume(const float* const* outputs, int frames) override
    {
        sumOutputPairs(outputs, frames, left_.data(), right_.data());
        for (int i = 0; i < frames; ++i) {
            samples.push_back(left_[static_cast<std::size_t>(i)]);
            samples.push_back(right_[static_cast<std::size_t>(i)]);
        }
        return true;
    }
    std::vector<float> samples;

private:
    std::vector<float> left_, right_;
};

struct GoldenCase {
    const char* name; // its line in render-hashes.txt
    int blockSize;
};

void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.name << " in blocks of " << c.blockSize; }

class GoldenRenderInProcess : public testing::TestWithParam<GoldenCase> {
protected:
    Scratch dir{std::string(GetParam().name) + "-" + std::to_string(GetParam().blockSize)};

    // As `tolvane-render --init --receive-sysex` with the case's sound-data options.
    SoundDataOptions soundFor(const std::string& name)
    {
        SoundDataOptions sound;
        sound.init = true;
        sound.receiveSysEx = true;
        if (name == "tones") {
            sound.waveTablesPath = kGoldenDir + "/factory-wavetables.txt";
            sound.tonesPath = kGoldenDir + "/factory-tones.txt";
            return sound;
        }
        for (const auto& wave : tolvane_test::goldenWaves()) {
            writeWave(dir, wave);
            sound.waves.push_back({wave.slot, dir / wave.name});
        }
        sound.samplersPath = kGoldenDir + "/samplers.txt";
        sound.sampleParamsPath = kGoldenDir + "/sample-params.txt";
        return sound;
    }
};

TEST_P(GoldenRenderInProcess, RendersAsRecorded)
{
    const GoldenCase& c = GetParam();
    const std::string name = c.name;
    const auto song = readMidiFile(tolvane_test::goldenSongFile(name == "tones" ? tolvane_test::goldenToneSong()
                                                                                : tolvane_test::goldenSamplerSong()));
    ASSERT_TRUE(song.song) << song.error;

    EngineSettings settings;
    settings.blockSize = c.blockSize;
    settings.receiveSysEx = true;
    SongRenderer renderer(settings);
    LoadFailure failure;
    ASSERT_TRUE(loadSoundData(renderer.context(), soundFor(name), failure))
        << failure.subject << ": " << failure.message;
    renderer.applySwitches();
    InterleavedMix mix(c.blockSize);
    renderer.render(*song.song, RenderOptions{}.tailSeconds, mix);

    const std::string recorded = tolvane_test::recordedGoldenHash(kGoldenDir, name);
    ASSERT_FALSE(recorded.empty()) << "no hash recorded for " << name;
    EXPECT_EQ(tolvane_test::goldenHash(mix.samples), recorded) << name << " no longer renders as recorded";
}

INSTANTIATE_TEST_SUITE_P(Songs, GoldenRenderInProcess,
                         testing::Values(GoldenCase{"tones", 512}, GoldenCase{"tones", 37}, GoldenCase{"samples", 512},
                                         GoldenCase{"samples", 37}));

} // namespace
