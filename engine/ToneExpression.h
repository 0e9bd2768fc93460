// SPDX-License-Identifier: GPL-3.0-or-later
// What a tone does over time besides its envelope and LFO: four sequences
// stepped by the tick clock (volume, arpeggio, pitch, wave), and a delay and
// fade-in of its LFO with a depth of its own. Every tone has one; a tone whose
// expression is neutral plays exactly as a tone without one.
#pragma once

#include <array>
#include <cstdint>

namespace kest::tolvane::synth {

inline constexpr int kSequenceSteps = 64;
inline constexpr int kSequenceKindCount = 4;

// The tick clock steps sequences and the LFO delay: 1..240 ticks a second.
inline constexpr int kMinTickRate = 1;
inline constexpr int kMaxTickRate = 240;
inline constexpr int kDefaultTickRate = 60;

enum class SequenceKind : int { Volume = 0, Arpeggio = 1, Pitch = 2, Wave = 3 };

// What the arpeggio and pitch sequences' values mean.
enum SequenceMode : int {
    kSequenceRelative = 0, // ARP: semitones from the played note; PITCH: each step adds to a running sum
    kSequenceFixed = 1,    // ARP: absolute notes; PITCH: an offset from the note
};

// Value ranges. VOL 15 is the tone's own level and 0 silence; PITCH counts
// 1/16 semitone and its running sum stays within four octaves either way.
inline constexpr int kMaxVolumeStep = 15;
inline constexpr int kMaxArpeggioShift = 96;
inline constexpr int kMaxPitchOffset = 4 * 12 * 16;
inline constexpr int kMaxStepTicks = 16;
inline constexpr int kMaxSequenceDelay = 255;

// Steps [0, release) are the held part, [release, length) the released part;
// the part playing returns to `loop` when it lies inside it, otherwise its
// last step holds.
struct ToneSequence {
    static constexpr std::uint8_t kNone = 0xFF;

    std::array<std::int16_t, kSequenceSteps> values{};
    std::uint8_t length = 0; // 0: no sequence of this kind
    std::uint8_t loop = kNone;
    std::uint8_t release = kNone;
    std::uint8_t mode = kSequenceRelative;
    std::uint8_t stepTicks = 1; // 1..16 ticks a step
    std::uint8_t delay = 0;     // ticks before the first step

    bool isEmpty() const { return length == 0; }
    // No steps and every setting as a new tone has it (values past the
    // length are not part of the sequence).
    bool isDefault() const;
    bool hasLoop() const { return loop != kNone; }
    bool hasRelease() const { return release != kNone; }
    bool operator==(const ToneSequence&) const = default;
};

// The LFO waits `delay` ticks after note-on, then its depth rises to the full
// depth over `fade` ticks. The full depth is lms times the larger of the
// modulation wheel and `depth`, so a tone may vibrate without the wheel.
struct ToneLfoTiming {
    std::uint8_t delay = 0; // 0..255 ticks
    std::uint8_t fade = 0;  // 0..255 ticks
    std::uint8_t depth = 0; // 0..127, on the modulation wheel's scale
    bool operator==(const ToneLfoTiming&) const = default;
};

struct ToneExpression {
    std::array<ToneSequence, kSequenceKindCount> sequences{};
    ToneLfoTiming lfo{};

    ToneSequence& sequence(SequenceKind kind) { return sequences[static_cast<std::size_t>(kind)]; }
    const ToneSequence& sequence(SequenceKind kind) const { return sequences[static_cast<std::size_t>(kind)]; }
    bool hasSequences() const;
    // Nothing set at all: every setting as a new tone has it.
    bool isNeutral() const;
    // Whether it changes the sound: a tone without sequences, LFO delay, fade
    // or depth plays as it always has.
    bool changesSound() const { return hasSequences() || lfo != ToneLfoTiming{}; }
    // Whether anything of it needs the tick clock.
    bool needsTicks() const { return hasSequences() || lfo.delay > 0 || lfo.fade > 0; }
    bool operator==(const ToneExpression&) const = default;
};

// The range of a kind's values in a mode.
struct ValueRange {
    int min, max;
};
ValueRange sequenceValueRange(SequenceKind kind, int mode);

// Every field held to its range: values by kind and mode, a loop or release
// point outside the steps removed, step length 1..16. A voice plays its
// tone's sequences through it, and the writers of files and states write
// them so.
void normaliseSequence(ToneSequence& sequence, SequenceKind kind);
void normaliseExpression(ToneExpression& expression);

// The tick clock: tick k begins floor(k * sampleRate / tickRate) samples after
// note-on. The clock keeps the remainder, so no tick drifts.
struct TickClock {
    int sampleRate = 0; // whole samples a second
    int tickRate = kDefaultTickRate;
    int remainder = 0;

    // Samples from the start of the tick now beginning to the next one.
    int nextTickLength()
    {
        remainder += sampleRate;
        const int length = remainder / tickRate;
        remainder -= length * tickRate;
        return length;
    }
};

} // namespace kest::tolvane::synth
