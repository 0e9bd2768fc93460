// SPDX-License-Identifier: GPL-3.0-or-later
// Loudness as heard rather than as measured: the K-weighting of broadcast
// loudness meters (a high shelf of about +4 dB above 2 kHz and a high-pass
// below about 40 Hz). A plain RMS calls a 50 Hz kick as loud as white noise
// of the same RMS; the ear and this filter do not.
#pragma once

#include <vector>

namespace kest::tolvane::factory {

// The signal through the K-weighting filter (mono, at the given rate).
std::vector<float> kWeighted(const std::vector<float>& samples, double sampleRate);

// Mean square of `count` samples from `from`, in dB (full-scale sine = -3 dB).
double meanSquareDb(const std::vector<float>& samples, std::size_t from, std::size_t count);

struct StrikeFigures {
    double loudnessDb = -200.0; // K-weighted, over the loudest 100 ms
    double energyDb = -200.0;   // K-weighted energy of the whole sound, dB re full scale for 1 s
    double decay40Seconds = -1; // from the loudest 10 ms until 40 dB below it, -1 = never
};

// Figures of one struck sound (a drum, a plucked note) rendered from its start.
StrikeFigures measureStrike(const std::vector<float>& samples, double sampleRate);

} // namespace kest::tolvane::factory
