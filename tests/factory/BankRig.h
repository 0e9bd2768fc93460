// SPDX-License-Identifier: GPL-3.0-or-later
// A synthesizer wired as the plug-in wires it (event queue in slot 0, engine in
// slot 1 of a ModuleHost) with the factory bank loaded through the text
// importers, plus the measurements the bank's tests and report need.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "KWeighting.h"
#include "MidiController.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"
#include "WaveTableText.h"

namespace kest::tolvane::factory {

inline constexpr float kSampleRate = 44100.0f;
inline constexpr int kBlockSize = 512;
inline constexpr int kMiddleC = 60;
inline constexpr int kDrumChannel = 9;

std::string presetPath(const char* fileName);
std::string readWholeFile(const std::string& path);
// Lines that begin (after blanks and TABs) with the given record prefix.
int countRecordLines(const std::string& text, const std::string& prefix);

float toDbfs(float linear);

class BankRig {
public:
    BankRig();

    // Reads both factory files through the importers; false if either is missing.
    bool loadFactoryBank();
    // The same for a bank's wavetable and tone files under presets/.
    bool loadBank(const char* waveTableFile, const char* toneFile);
    // The chip bank: its wavetables and tones (programs and tone kit).
    bool loadChipBank() { return loadBank("chip-wavetables.txt", "chip-tones.txt"); }
    // The chip sample kit: its sampler presets and every WAV file of
    // chip-samples/slots.txt imported into its slot as the presets import it.
    bool loadChipSampleKit();

    void noteOn(int channel, int key, int velocity);
    void noteOff(int channel, int key);
    // Takes effect before this returns (renders one block).
    void programChange(int channel, int program);
    void setPercussion(int channel);
    void setMode(int channel, int mode) { synth_.setMode(channel, mode); }

    // Renders whole blocks for `seconds`; returns the largest sample magnitude
    // of every output channel. When `capture` is given, the first output pair
    // is appended to it as mono (left + right) / 2.
    float render(double seconds, std::vector<float>* capture = nullptr);
    // Renders until no voice sounds; returns the seconds that took, or a
    // negative value when voices still sounded after `limitSeconds`.
    double renderUntilFree(double limitSeconds);

    int activeVoices() const { return synth_.getActiveVoiceCount(); }
    synth::SynthesizerWT& synth() { return synth_; }
    const formats::WaveTableBitDepths& bitDepths() const { return bitDepths_; }

private:
    void renderBlock();

    synth::SynthesizerWT synth_{440.0f, 0.8f};
    util::MidiController queue_;
    ModuleHost host_;
    formats::WaveTableBitDepths bitDepths_{};
    std::vector<std::vector<float>> buffers_;
    std::array<float*, kOutputChannelCount> pointers_{};
    float blockPeak_ = 0.0f;
};

// An ordinary General MIDI moment at velocity 100 and default volume: a piano
// triad, a bass, a string and a trumpet note, kick, snare and crash (ten voices).
// Returns the peak over the first second.
float playTypicalMix(BankRig& rig);

// How loud program `program` is heard on part 1: middle C at velocity 100,
// held 4.5 s (the slowest swell reaches full level), K-weighted over its
// loudest 100 ms (dB); then the note is let go.
double programLoudnessDb(BankRig& rig, int program);

// A drum (or any key) struck at velocity 100 and measured for 2.5 s from its
// start; then the key is let go and the voice left to end.
StrikeFigures strikeKey(BankRig& rig, int channel, int key);

} // namespace kest::tolvane::factory
