// SPDX-License-Identifier: GPL-3.0-or-later
// Golden renders: songs that use every voice structure, rendered from the sound
// data in tests/golden with float output; the hash of the samples must match
// render-hashes.txt. A refactor that moves any hash has changed the sound.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "MidiFileWriter.h"
#include "SysExMessages.h"
#include "TestAudio.h"

using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::ScratchDir;

namespace {

const std::string kGoldenDir = TOLVANE_GOLDEN_DIR;
constexpr std::uint16_t kTicksPerQuarter = 480; // 120 bpm: 960 ticks per second

int runRender(const ScratchDir& dir, const std::string& args)
{
    const std::string command = "cd '" + dir.path.string() + "' && '" TOLVANE_RENDER_PATH "' -q --init --float " +
                                args + " > '" + (dir / "render.log") + "' 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

void writeSong(const ScratchDir& dir, const std::string& name, const MidiTrackWriter& track)
{
    tolvane_test::writeBytes(dir / name, encodeMidiFile(0, kTicksPerQuarter, std::span(&track, 1)));
}

// Tones from the factory copy: plain with attack and decay (0, 48), LFO on pitch
// (16 organ, 29 with decay to a sustain level), LFO on level (4, 44 with an
// attack), noise (119, 121), percussion from the upper half; pitch bend, the
// modulation wheel moving while notes sound, releases and an All Sound Off.
MidiTrackWriter toneSong()
{
    MidiTrackWriter t;
    t.sysEx(0, partModeMessage(9, 2));
    const int programs[] = {0, 16, 29, 4, 44, 119, 121, 48};
    for (int ch = 0; ch < 8; ++ch) {
        t.programChange(0, ch, programs[ch]);
        t.controlChange(0, ch, 1, 90);
    }
    t.note(0, 1400, 0, 60, 110);
    t.note(480, 900, 0, 72, 70);
    t.note(0, 1900, 1, 55, 100);
    t.note(200, 1200, 1, 62, 90);
    t.note(300, 1500, 2, 43, 127);
    t.note(100, 2000, 3, 67, 100);
    t.note(900, 1100, 4, 64, 80);
    t.note(0, 700, 5, 60, 100);
    t.note(800, 600, 6, 96, 120);
    t.note(1200, 1600, 7, 52, 100);
    for (int i = 0; i < 8; ++i) {
        t.pitchBend(600 + 60 * i, 1, 8192 + 700 * i);
        t.controlChange(1000 + 90 * i, 3, 1, 127 - 10 * i);
    }
    t.pitchBend(1400, 0, 2000);
    t.controlChange(1500, 2, 120, 0); // the decaying note fades out at once
    for (int beat = 0; beat < 6; ++beat) {
        t.note(240 * beat, 120, 9, beat % 2 ? 38 : 36, 100);
        t.note(240 * beat + 120, 60, 9, 42, 80);
    }
    t.setEndTick(3200);
    return t;
}

// Sampler keys from samplers.txt: a held loop, a stereo loop that goes on in
// release, mono and stereo one-shots that end on their own; one part bends.
MidiTrackWriter samplerSong()
{
    MidiTrackWriter t;
    t.sysEx(0, partModeMessage(0, 3));
    t.sysEx(0, partModeMessage(1, 3));
    t.note(0, 1500, 0, 60, 110);
    t.note(100, 1000, 1, 62, 100);
    t.note(400, 2000, 0, 64, 90);
    t.note(700, 400, 1, 65, 127);
    t.note(1600, 300, 0, 62, 60);
    for (int i = 0; i < 6; ++i)
        t.pitchBend(300 + 100 * i, 1, 8192 - 900 * i);
    t.setEndTick(3000);
    return t;
}

// 16-bit PCM with a content that is easy to tell apart per channel and slot.
void writeWave(const std::string& path, int rate, int channels, int frames, int seed)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::vector<short> pcm(static_cast<std::size_t>(frames * channels));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const int period = 40 + 13 * seed + 7 * c;
            const int saw = (f % period) * 60000 / period - 30000;
            const int wobble = ((f * (3 + c) + seed * 1000) % 997) * 8 - 4000;
            pcm[static_cast<std::size_t>(f * channels + c)] =
                static_cast<short>((saw * (frames - f)) / frames + wobble);
        }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << path;
    sf_writef_short(file, pcm.data(), frames);
    sf_close(file);
}

// FNV-1a over the bytes of the float samples as read back.
std::string hashOfSamples(const Audio& audio)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const float s : audio.samples) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &s, sizeof bits);
        for (int b = 0; b < 4; ++b) {
            hash ^= (bits >> (8 * b)) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::map<std::string, std::string> recordedHashes()
{
    std::map<std::string, std::string> hashes;
    std::ifstream in(kGoldenDir + "/render-hashes.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name, hash;
        if (fields >> name >> hash)
            hashes[name] = hash;
    }
    return hashes;
}

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
        const auto hashes = recordedHashes();
        const auto found = hashes.find(name);
        ASSERT_NE(found, hashes.end()) << "no hash recorded for " << name << "; it renders as " << hash;
        EXPECT_EQ(hash, found->second) << name << " no longer renders as recorded";
    }
};

} // namespace

TEST_F(GoldenRender, ToneStructuresRenderAsRecordedAtAnyBlockSize)
{
    writeSong(dir, "tones.mid", toneSong());
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
    writeWave(dir / "mono.wav", 22050, 1, 6000, 0);
    writeWave(dir / "stereo.wav", 32000, 2, 5000, 1);
    writeWave(dir / "short.wav", 44100, 1, 3000, 2);
    writeWave(dir / "short-stereo.wav", 16000, 2, 2500, 3);
    writeSong(dir, "samples.mid", samplerSong());
    const std::string sound =
        "--receive-sysex --wav 0=mono.wav --wav 1=stereo.wav --wav 2=short.wav --wav 3=short-stereo.wav"
        " --samplers '" +
        kGoldenDir + "/samplers.txt' --sample-params '" + kGoldenDir + "/sample-params.txt' samples.mid";
    const Audio audio = render("samples.wav", sound);
    expectRecorded("samples", hashOfSamples(audio));
    expectSameSamples(audio, render("samples-block37.wav", "--block 37 " + sound), "blocks of 37");
}
