// SPDX-License-Identifier: GPL-3.0-or-later
#include "GoldenSongs.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <span>
#include <sstream>

#include "SysExMessages.h"

using kest::tolvane::tools::MidiTrackWriter;

namespace tolvane_test {

// Tones from the factory copy: plain with attack and decay (0, 48), LFO on pitch
// (16 organ, 29 with decay to a sustain level), LFO on level (4, 44 with an
// attack), noise (119, 121), percussion from the upper half; pitch bend, the
// modulation wheel moving while notes sound, releases and an All Sound Off.
MidiTrackWriter goldenToneSong()
{
    using kest::tolvane::tools::partModeMessage;
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
MidiTrackWriter goldenSamplerSong()
{
    using kest::tolvane::tools::partModeMessage;
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

std::vector<std::uint8_t> goldenSongFile(const MidiTrackWriter& track)
{
    return kest::tolvane::tools::encodeMidiFile(0, kGoldenTicksPerQuarter, std::span(&track, 1));
}

std::vector<short> GoldenWave::pcm() const
{
    std::vector<short> samples(static_cast<std::size_t>(frames * channels));
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const int period = 40 + 13 * seed + 7 * c;
            const int saw = (f % period) * 60000 / period - 30000;
            const int wobble = ((f * (3 + c) + seed * 1000) % 997) * 8 - 4000;
            samples[static_cast<std::size_t>(f * channels + c)] =
                static_cast<short>((saw * (frames - f)) / frames + wobble);
        }
    return samples;
}

const std::vector<GoldenWave>& goldenWaves()
{
    static const std::vector<GoldenWave> waves = {
        {0, "mono.wav", 22050, 1, 6000, 0},
        {1, "stereo.wav", 32000, 2, 5000, 1},
        {2, "short.wav", 44100, 1, 3000, 2},
        {3, "short-stereo.wav", 16000, 2, 2500, 3},
    };
    return waves;
}

std::string goldenHash(const std::vector<float>& interleaved)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const float s : interleaved) {
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

std::string recordedGoldenHash(const std::string& goldenDir, const std::string& name)
{
    std::ifstream in(goldenDir + "/render-hashes.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string entry, hash;
        if (fields >> entry >> hash && entry == name)
            return hash;
    }
    return {};
}

} // namespace tolvane_test
