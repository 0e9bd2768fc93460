// The engine's record tables: parts, tones, sampler presets and sample slots.
// Every table has a fixed count and is allocated once by the engine.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "PartPlay.h"

namespace kest::tolvane::synth {

inline constexpr int kPartCount = 16;
inline constexpr int kToneCount = 256; // 0..127 programs, 128 + key percussion
inline constexpr int kPercussionToneBase = 128;
inline constexpr int kSamplerPresetCount = 128;
inline constexpr int kSampleSlotCount = 128;
inline constexpr int kWaveTableCount = 128;
inline constexpr int kWaveTableMaxSize = 128;
inline constexpr int kStoredControllerCount = 120; // cc[0..119]
inline constexpr int kSustainController = 64;
inline constexpr int kPortamentoTimeController = 5;
inline constexpr int kPortamentoController = 65;
inline constexpr int kLegatoController = 68;
inline constexpr int kPortamentoControlController = 84;
inline constexpr int kPresetNameLength = 16;
inline constexpr int kDataEntryNone = 256;

enum PartMode : int { kModeMute = 0, kModeInstrument = 1, kModePercussion = 2, kModeSampler = 3 };

struct PartState {
    int output = 0;
    int mode = kModeInstrument;
    int defaultMode = kModeInstrument;
    int program = 0;
    int channelPressure = 0;
    int pitchBend = 8192;
    int cc[kStoredControllerCount] = {};
    int bendRange = 2;
    int fineTune = 8192; // RPN 1: 14 bits, 8192 in tune, 0 and 16383 a semitone down and up
    int coarseTune = 64; // RPN 2: semitones, 64 in tune
    int rpnNumber = 0;
    int nrpnNumber = 0;
    int dataEntryTarget = kDataEntryNone;
    // Play mode, portamento and arpeggiator: as stored with the sound, and
    // as controllers and NRPNs have changed them since the last reset.
    PartPlaySettings storedPlay;
    PartPlaySettings play;
    int portamentoFrom = -1; // CC 84: the note the next note-on glides from, or -1

    PartState() { resetControllers(); }
    // program, pressure, bend, controllers, bend range, tuning and RPN/NRPN state
    // to their defaults, the play settings and the portamento time (CC 5) to
    // the stored ones; output, mode, defaultMode and the stored play are kept.
    void resetControllers();
    // What Reset All Controllers and the RPN/NRPN switches clear: pressure, bend,
    // modulation, expression, portamento (CC 65 and 84) and the data-entry selection.
    void resetRunningControllers();
};

// The part's RPN fine and coarse tuning as a pitch offset, 8192 units an octave.
int partTuningPitch(const PartState& part);

// The numeric fields' defaults, masks and places in every format are the
// rows of kToneFields and kSamplerFields (RecordFields.h); the constructors
// set every field from there.
struct TonePreset {
    char presetName[kPresetNameLength + 1];
    int key;
    int pan;
    int lfoFreq;
    int strc;
    int tune;
    int lms;
    int wave;
    int tl;
    int ar;
    int dr;
    int sl;
    int rr;
    int kf;
    int kfStart;

    TonePreset() { setDefaults(); }
    void setDefaults();
};

struct SamplerPreset {
    char presetName[kPresetNameLength + 1];
    int smplNum;
    int pan;
    int octv;
    int tune;
    int tl;
    int ar;
    int dr;
    int sl;
    int rr;

    SamplerPreset() { setDefaults(); }
    void setDefaults();
};

struct SampleData {
    bool hasData = false;
    float sourceRate = 0.0f;
    float pitch = 0.0f;
    std::vector<std::int32_t> data; // frames * channels log codes, channels interleaved
    int frames = 0;
    int channels = 0;
    int rateLog = 0;
    int pitchLog = 0;
    int rateToPitchLog = 0;
    int playBackStartPoint = 0;
    int playBackEndPoint = 0;
    int loopEndPoint = 0;
    int loopLength = 0;
    int releaseLoopLength = 0;

    // Empties the slot: no data, every number 0.
    void clear();
    // Both keep rateToPitchLog = rateLog - pitchLog; non-finite values are ignored.
    void setSourceRate(float rate);
    void setPitch(float hz);
    // loopEndPoint = playBackEndPoint, no loop.
    void clearLoop();
    // Loop start as the text formats and the editor show it (0 without a loop).
    int loopStartForDisplay() const { return loopLength > 0 ? loopEndPoint - loopLength : 0; }
    int loopEndForDisplay() const { return loopLength > 0 ? loopEndPoint : 0; }
};

// trunc(log2(v) * 8192 + 0.5) in single precision, or 0 when v <= 1 or not finite.
int logPitchOf(float v);

} // namespace kest::tolvane::synth
