// SPDX-License-Identifier: GPL-3.0-or-later
// How a part plays its keys besides the usual one voice a note: a play mode
// (POLY, MONO, LEGATO), portamento, and an arpeggiator of the held keys. The
// part keeps stored settings and running ones; controllers and NRPNs change
// the running ones, resets bring back the stored ones.
#pragma once

#include <array>
#include <cstdint>

namespace kest::tolvane::synth {

enum PlayMode : int { kPlayPoly = 0, kPlayMono = 1, kPlayLegato = 2 };
enum ArpPattern : int { kArpOff = 0, kArpUp = 1, kArpDown = 2, kArpUpDown = 3, kArpAsPlayed = 4, kArpRandom = 5 };
inline constexpr int kMaxArpOctaves = 4;
inline constexpr int kMaxArpRate = 16;
// 0: the arpeggiator steps every `arpRate` ticks; 1..7: at a note value of
// the song's tempo: 1/8, 1/8 triplet, 1/16, 1/16 triplet, 1/32, 1/32 triplet, 1/64.
inline constexpr int kMaxArpNoteValue = 7;

struct PartPlaySettings {
    int mode = kPlayPoly;
    int portamentoTime = 0; // on CC 5's scale: 0..127 over 0..4 s
    int arpPattern = kArpOff;
    int arpOctaves = 1;
    int arpRate = 1;
    int arpNoteValue = 0;
    bool arpRetrigger = false;

    // Every field held to its range.
    void clamp();
    bool usesPlayer() const { return mode != kPlayPoly || arpPattern != kArpOff; }
    bool operator==(const PartPlaySettings&) const = default;
};

// A note value's length in beats as a fraction: 1/16 is 1/4 of a beat.
struct BeatFraction {
    int numerator, denominator;
};
BeatFraction arpNoteValueBeats(int noteValue);

// Ticks a portamento of `time` (0..127) lasts at `tickRate`: round(4 s × (time / 127)² × rate).
int portamentoTicks(int time, int tickRate);

// The keys a part holds, in the order they went down, each with its
// velocity; a key released while the sustain pedal is down stays, marked,
// until the pedal lifts.
class HeldKeys {
public:
    struct Key {
        int key = 0;
        int velocity = 0;
        std::uint32_t order = 0; // when it went down: later keys have larger orders
        bool pedalHeld = false;
    };

    void press(int key, int velocity);
    // Removes the key, or with the pedal down marks it pedal-held; false when
    // the key was not held.
    bool release(int key, bool pedalDown);
    // Drops the keys the pedal held.
    void liftPedal();
    void clear() { count_ = 0; }

    int count() const { return count_; }
    bool empty() const { return count_ == 0; }
    bool contains(int key) const { return find(key) >= 0; }
    const Key& operator[](int index) const { return keys_[static_cast<std::size_t>(index)]; }
    // The key that went down last, or null.
    const Key* latest() const;

private:
    int find(int key) const;

    std::array<Key, 128> keys_{};
    int count_ = 0;
    std::uint32_t nextOrder_ = 0;
};

// Beats and samples of the song: the last place the transport gave (a
// sample time and its beat) and the tempo from there on. Without a transport
// the song starts at sample 0 at 120 BPM.
class TempoClock {
public:
    // A transport report at `time`: the tempo, and the beat there when the
    // host knows it (a playing transport). A report that agrees with what the
    // clock already says to within half a sample changes nothing, so a host
    // that reports every block and a file's tempo map give the same beats.
    void report(std::int64_t time, double bpm, bool hasBeat, double beat, double sampleRate);
    double beatAt(std::int64_t time, double sampleRate) const;
    // The sample at which the beat falls, rounded to the nearest.
    std::int64_t timeOfBeat(double beat, double sampleRate) const;
    double bpm() const { return bpm_; }
    // Counts the re-anchorings, so that a scheduled step can tell it must be timed again.
    std::uint32_t revision() const { return revision_; }

private:
    std::int64_t anchorTime_ = 0;
    double anchorBeat_ = 0.0;
    double bpm_ = 120.0;
    std::uint32_t revision_ = 0;
};

} // namespace kest::tolvane::synth
