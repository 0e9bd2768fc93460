// SPDX-License-Identifier: GPL-3.0-or-later
// A load test rather than music: every part busy all the time.
#include <cmath>

#include "Compositions.h"
#include "MidiFileWriter.h"
#include "SysExMessages.h"

namespace kest::tolvane::tools {

std::vector<std::uint8_t> composeDenseSong(double seconds)
{
    constexpr int kQuarter = 480, kEighth = 240;
    constexpr int kParts = 16;
    const int eighths = static_cast<int>(std::ceil(seconds * 4.0)); // 120 bpm: four eighths a second

    MidiTrackWriter conductor;
    conductor.tempoBpm(0, 120);
    const double harmonics[] = {1.0, 0.5, 0.33, 0.25};
    conductor.sysEx(0, waveTableMessage(1, additiveWave(harmonics)));
    // One tone of each structure: plain, pitch LFO, level LFO and noise.
    for (int strc = 0; strc < 4; ++strc)
        conductor.sysEx(0, instrumentToneMessage(strc, {.name = "Dense",
                                                        .lfoFreq = lfoFreqForHz(4.0 + strc),
                                                        .strc = strc,
                                                        .lms = 3,
                                                        .wave = 1,
                                                        .tl = 24,
                                                        .ar = 120,
                                                        .dr = 80,
                                                        .sl = 12,
                                                        .rr = 100}));

    std::vector<MidiTrackWriter> tracks(kParts + 1);
    tracks[0] = conductor;
    static constexpr int chord[] = {0, 4, 7, 11};
    for (int part = 0; part < kParts; ++part) {
        MidiTrackWriter& t = tracks[static_cast<std::size_t>(part + 1)];
        t.programChange(0, part, part % 4);
        t.controlChange(0, part, 10, (part * 8) % 128);
        for (int step = 0; step < eighths; ++step) {
            const std::uint64_t at = static_cast<std::uint64_t>(step) * kEighth;
            const int root = 36 + (part * 5 + step * 7) % 36;
            for (int n : chord)
                t.note(at, kEighth - 20, part, root + n, 70 + (step * 13 + part) % 50);
            t.controlChange(at, part, 1, (step * 9) % 128);
            t.pitchBend(at + kEighth / 2, part, 8192 + ((step % 8) - 4) * 400);
        }
        t.setEndTick(static_cast<std::uint64_t>(eighths) * kEighth + kQuarter);
    }
    return encodeMidiFile(1, kQuarter, tracks);
}

} // namespace kest::tolvane::tools
