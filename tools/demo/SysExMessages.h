// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the engine's System Exclusive messages (F0 7D 10 20 block record
// offset data F7) as song payloads: the bytes after F0, ending with F7.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "RecordFields.h"

namespace kest::tolvane::tools {

// A tone as the songs write it; what a song leaves out keeps the engine's default.
struct ToneSettings {
    std::string name;
    int key = synth::defaultOf(&synth::TonePreset::key);
    int pan = synth::defaultOf(&synth::TonePreset::pan);
    int lfoFreq = synth::defaultOf(&synth::TonePreset::lfoFreq);
    int strc = synth::defaultOf(&synth::TonePreset::strc);
    int tune = synth::defaultOf(&synth::TonePreset::tune);
    int lms = synth::defaultOf(&synth::TonePreset::lms);
    int wave = synth::defaultOf(&synth::TonePreset::wave);
    int tl = synth::defaultOf(&synth::TonePreset::tl);
    int ar = synth::defaultOf(&synth::TonePreset::ar);
    int dr = synth::defaultOf(&synth::TonePreset::dr);
    int sl = synth::defaultOf(&synth::TonePreset::sl);
    int rr = synth::defaultOf(&synth::TonePreset::rr);
    int kf = synth::defaultOf(&synth::TonePreset::kf);
    int kfStart = synth::defaultOf(&synth::TonePreset::kfStart);
};

// Block 04 (instrument tone for a program) or 05 (percussion tone for a key).
std::vector<std::uint8_t> instrumentToneMessage(int program, const ToneSettings& tone);
std::vector<std::uint8_t> percussionToneMessage(int key, const ToneSettings& tone);
// Block 08: 7-bit wave values (64 is the zero line) from entry 0 on.
std::vector<std::uint8_t> waveTableMessage(int table, std::span<const int> values);
// Block 02 offset 1: 0 Mute, 1 Instrument, 2 Percussion, 3 Sampler.
std::vector<std::uint8_t> partModeMessage(int part, int mode);

// A 32-entry wave from harmonic amplitudes (index 0 is the fundamental),
// scaled to fill the 7-bit range around the zero line.
std::vector<int> additiveWave(std::span<const double> harmonics, int size = 32);

// Frequency of the lfoFreq value for a rate in hertz.
int lfoFreqForHz(double hz);

} // namespace kest::tolvane::tools
