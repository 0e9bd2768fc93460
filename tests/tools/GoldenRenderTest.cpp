// SPDX-License-Identifier: GPL-3.0-or-later
// Golden renders: songs that use every voice structure, rendered from the sound
// data in tests/golden with float output; the hash of the samples must match
// render-hashes.txt. A refactor that moves any hash has changed the sound.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "GoldenSongs.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::ScratchDir;

namespace {

const std::string kGoldenDir = TOLVANE_GOLDEN_DIR;

int runRender(const ScratchDir& dir, const std::string& args)
{
    const std::string command = "cd '" + dir.path.string() + "' && '" TOLVANE_RENDER_PATH "' -q --init --float " +
                                args + " > '" + (dir / "render.log") + "' 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void writeSong(const ScratchDir& dir, const std::string& name, const MidiTrackWriter& track)
{
    tolvane_test::writeBytes(dir / name, tolvane_test::goldenSongFile(track));
}

void writeWave(const ScratchDir& dir, const tolvane_test::GoldenWave& wave)
{
    SF_INFO info{};
    info.samplerate = wave.rate;
    info.channels = wave.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::vector<short> pcm = wave.pcm();
    SNDFILE* file = sf_open((dir / wave.name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << wave.name;
    sf_writef_short(file, pcm.data(), wave.frames);
    sf_close(file);
}

std::string hashOfSamples(const Audio& audio) { return tolvane_test::goldenHash(audio.samples); }

class GoldenRender : public ::testing::Test {
protected:
    ScratchDir dir{"golden"};

    // Renders; the audio is empty when the render failed.
    Audio render(const std::string& output, const std::string& args)
    {
        if (runRender(dir, args + " -o " + output) != 0) {
            ADD_FAILURE() << "tolvane-render failed for " << output << " (" << args << ")";
            return {};
        }
        Audio audio = tolvane_test::readAudio(dir / output);
        if (!audio.ok || audio.peak() <= 0.0f)
            ADD_FAILURE() << output << " is unreadable or silent";
        return audio;
    }

    // Same samples as the reference, or the first frame where they part; the
    // same length too: the render's end does not depend on the block size.
    static void expectSameSamples(const Audio& reference, const Audio& other, const std::string& what)
    {
        ASSERT_GT(reference.samples.size(), 0u) << what;
        ASSERT_EQ(other.samples.size(), reference.samples.size()) << what;
        for (std::size_t i = 0; i < reference.samples.size(); ++i)
            ASSERT_EQ(other.samples[i], reference.samples[i]) << what << ": frame " << i / 2 << " channel " << i % 2;
    }

    void expectRecorded(const std::string& name, const std::string& hash)
    {
        const std::string recorded = tolvane_test::recordedGoldenHash(kGoldenDir, name);
        ASSERT_FALSE(recorded.empty()) << "no hash recorded for " << name << "; it renders as " << hash;
        EXPECT_EQ(hash, recorded) << name << " no longer renders as recorded";
    }
};

} // namespace

TEST_F(GoldenRender, ToneStructuresRenderAsRecordedAtAnyBlockSize)
{
    writeSong(dir, "tones.mid", tolvane_test::goldenToneSong());
    const std::string sound = "--receive-sysex --wavetables '" + kGoldenDir + "/factory-wavetables.txt' --tones '" +
                              kGoldenDir + "/factory-tones.txt' tones.mid";
    const Audio audio = render("tones.wav", sound);
    expectRecorded("tones", hashOfSamples(audio));
    // Blocks that end inside envelope segments and LFO steps must not change a sample.
    expectSameSamples(audio, render("tones-block37.wav", "--block 37 " + sound), "blocks of 37");
    expectSameSamples(audio, render("tones-block1.wav", "--block 1 " + sound), "blocks of 1");
}

TEST_F(GoldenRender, SamplerVoicesRenderAsRecordedAtAnyBlockSize)
{
    for (const auto& wave : tolvane_test::goldenWaves())
        writeWave(dir, wave);
    writeSong(dir, "samples.mid", tolvane_test::goldenSamplerSong());
    const std::string sound =
        "--receive-sysex --wav 0=mono.wav --wav 1=stereo.wav --wav 2=short.wav --wav 3=short-stereo.wav"
        " --samplers '" +
        kGoldenDir + "/samplers.txt' --sample-params '" + kGoldenDir + "/sample-params.txt' samples.mid";
    const Audio audio = render("samples.wav", sound);
    expectRecorded("samples", hashOfSamples(audio));
    expectSameSamples(audio, render("samples-block37.wav", "--block 37 " + sound), "blocks of 37");
}
