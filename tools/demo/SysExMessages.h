// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the engine's System Exclusive messages (F0 7D 10 20 block record
// offset data F7) as song payloads: the bytes after F0, ending with F7.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kest::tolvane::tools {

struct ToneSettings {
    std::string name;
    int key = 64;  // the note a percussion tone plays
    int pan = 64;
    int lfoFreq = 2048;
    int strc = 0;  // 0 plain, 1 LFO pitch, 2 LFO level, 3 noise
    int tune = 8192;
    int lms = 0;
    int wave = 0;
    int tl = 0;
    int ar = 127;
    int dr = 100;
    int sl = 0;
    int rr = 120;
    int kf = 0;
    int kfStart = 48;
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
