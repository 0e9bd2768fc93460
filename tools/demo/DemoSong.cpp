// SPDX-License-Identifier: GPL-3.0-or-later
// "Tolvane Morning": A minor, 104 bpm, twenty bars with a slowing last two.
#include <array>
#include <vector>

#include "Compositions.h"
#include "MidiFileWriter.h"
#include "SysExMessages.h"

namespace kest::tolvane::tools {

namespace {

constexpr int kQuarter = 480;
constexpr int kEighth = kQuarter / 2;
constexpr int kSixteenth = kQuarter / 4;
constexpr int kBar = 4 * kQuarter;

enum Channel { kLead = 0, kBass = 1, kPad = 2, kArp = 3, kDrums = 9 };
enum Drum { kKick = 36, kSnare = 38, kClosedHat = 42, kTom = 45, kOpenHat = 46, kCrash = 49 };
enum Wave { kLeadWave = 1, kBassWave = 2, kPadWave = 3 };
constexpr int kBankCelesta = 8; // General MIDI program 9

struct Chord {
    int root;                 // bass note
    std::array<int, 3> tones; // pad voicing
};
// Am F C G Am F G E, twice over the sixteen bars of the song proper.
const Chord kProgression[8] = {{45, {57, 60, 64}}, {41, {57, 60, 65}}, {48, {55, 60, 64}}, {43, {55, 59, 62}},
                               {45, {57, 60, 64}}, {41, {57, 60, 65}}, {43, {55, 59, 62}}, {40, {56, 59, 64}}};

struct MelodyNote {
    int key; // 0 is a rest
    int eighths;
};
// Eight eighths per bar.
const MelodyNote kMelodyA[] = {
    {76, 2}, {69, 1}, {72, 1}, {76, 2}, {74, 1}, {72, 1}, // Am
    {69, 3}, {72, 1}, {77, 2}, {76, 1}, {74, 1},          // F
    {76, 2}, {79, 2}, {76, 1}, {74, 1}, {72, 2},          // C
    {74, 6}, {71, 1}, {67, 1},                            // G
    {69, 2}, {72, 1}, {76, 1}, {81, 2}, {79, 1}, {76, 1}, // Am
    {77, 3}, {76, 1}, {74, 2}, {72, 2},                   // F
    {71, 2}, {74, 2}, {79, 2}, {77, 1}, {74, 1},          // G
    {76, 8},                                              // E
};
const MelodyNote kMelodyB[] = {
    {81, 2}, {79, 1}, {76, 1}, {72, 2}, {76, 2}, // Am
    {77, 2}, {81, 2}, {84, 3}, {81, 1},          // F
    {79, 3}, {76, 1}, {72, 2}, {76, 2},          // C
    {74, 2}, {79, 2}, {83, 4},                   // G
    {84, 2}, {83, 1}, {81, 1}, {76, 2}, {81, 2}, // Am
    {81, 3}, {79, 1}, {77, 2}, {76, 2},          // F
    {74, 2}, {71, 2}, {74, 2}, {79, 2},          // G
    {80, 2}, {83, 2}, {76, 4},                   // E
};

class DemoWriter {
public:
    std::vector<std::uint8_t> build()
    {
        setup();
        for (int bar = 0; bar < 18; ++bar) {
            const Chord& chord = kProgression[bar % 8];
            const std::uint64_t at = static_cast<std::uint64_t>(bar) * kBar;
            pad(at, chord, bar);
            arpeggio(at, chord, bar);
            if (bar >= 2) {
                bass(at, chord, bar);
                drums(at, bar);
            }
        }
        melody(2 * kBar, kMelodyA);
        melody(10 * kBar, kMelodyB);
        ending(18 * kBar);
        const MidiTrackWriter tracks[] = {conductor_, lead_, bass_, pad_, arp_, drums_};
        return encodeMidiFile(1, kQuarter, tracks);
    }

private:
    void setup()
    {
        conductor_.tempoBpm(0, 104);
        const std::uint8_t name[] = {'T', 'o', 'l', 'v', 'a', 'n', 'e', ' ', 'M', 'o', 'r', 'n', 'i', 'n', 'g'};
        conductor_.meta(0, 0x03, name);

        // Waves: a soft square for the lead, a saw for the bass and an organ-like pad.
        const double lead[] = {1.0, 0.0, 0.33, 0.0, 0.2, 0.0, 0.1};
        const double saw[] = {1.0, 0.5, 0.33, 0.25, 0.2, 0.16, 0.14, 0.12};
        const double organ[] = {1.0, 0.5, 0.3, 0.0, 0.15};
        sysEx(waveTableMessage(kLeadWave, additiveWave(lead)));
        sysEx(waveTableMessage(kBassWave, additiveWave(saw)));
        sysEx(waveTableMessage(kPadWave, additiveWave(organ)));

        sysEx(instrumentToneMessage(0, {.name = "Morning Lead",
                                        .lfoFreq = lfoFreqForHz(5.5),
                                        .strc = 1,
                                        .lms = 1,
                                        .wave = kLeadWave,
                                        .tl = 19,
                                        .ar = 118,
                                        .dr = 70,
                                        .sl = 10,
                                        .rr = 96,
                                        .kf = 1}));
        sysEx(instrumentToneMessage(
            1, {.name = "Saw Bass", .wave = kBassWave, .tl = 15, .ar = 127, .dr = 72, .sl = 16, .rr = 104}));
        sysEx(instrumentToneMessage(2, {.name = "Tremolo Pad",
                                        .lfoFreq = lfoFreqForHz(3.0),
                                        .strc = 2,
                                        .lms = 2,
                                        .wave = kPadWave,
                                        .tl = 17,
                                        .ar = 74,
                                        .dr = 56,
                                        .sl = 8,
                                        .rr = 78}));
        // The arpeggio and the drums come from the factory bank: its celesta and its GM kit on part 10.
        // The song's own tones sit at the bank's General MIDI headroom, so the two balance.
        sysEx(partModeMessage(kDrums, 2));

        struct PartSetup {
            MidiTrackWriter* track;
            int channel, program, volume, pan;
        };
        const PartSetup parts[] = {{&lead_, kLead, 0, 104, 64},
                                   {&bass_, kBass, 1, 100, 64},
                                   {&pad_, kPad, 2, 100, 44},
                                   {&arp_, kArp, kBankCelesta, 120, 88},
                                   {&drums_, kDrums, 0, 120, 64}};
        for (const PartSetup& p : parts) {
            p.track->programChange(0, p.channel, p.program);
            p.track->controlChange(0, p.channel, 7, p.volume);
            p.track->controlChange(0, p.channel, 10, p.pan);
        }
        pad_.controlChange(0, kPad, 1, 40); // tremolo depth
    }

    void sysEx(const std::vector<std::uint8_t>& payload) { conductor_.sysEx(0, payload); }

    void pad(std::uint64_t at, const Chord& chord, int bar)
    {
        // The intro swells in on expression.
        if (bar == 0)
            for (int step = 0; step <= 16; ++step)
                pad_.controlChange(at + step * kEighth, kPad, 11, 80 + step * 3);
        for (int key : chord.tones)
            pad_.note(at, kBar - 20, kPad, key, 88);
    }

    void arpeggio(std::uint64_t at, const Chord& chord, int bar)
    {
        static constexpr int order[] = {0, 1, 2, 1, 0, 2, 1, 2};
        const int lift = bar >= 10 ? 24 : 12;
        for (int i = 0; i < 16; ++i) {
            const int key = chord.tones[static_cast<std::size_t>(order[i % 8])] + lift + (i >= 8 && bar % 2 ? 12 : 0);
            arp_.note(at + static_cast<std::uint64_t>(i) * kSixteenth, kSixteenth - 10, kArp, key,
                      i % 4 == 0 ? 96 : 72);
        }
    }

    void bass(std::uint64_t at, const Chord& chord, int bar)
    {
        static constexpr int pattern[] = {0, 0, 12, 0, 0, 12, 0, 7};
        for (int i = 0; i < 8; ++i) {
            const int key = chord.root - 12 + pattern[i] + (bar % 8 == 7 && i >= 6 ? -5 : 0);
            bass_.note(at + static_cast<std::uint64_t>(i) * kEighth, kEighth - 30, kBass, key, i % 2 ? 88 : 110);
        }
    }

    void drums(std::uint64_t at, int bar)
    {
        auto hit = [&](std::uint64_t tick, int key, int velocity) {
            drums_.note(tick, kSixteenth, kDrums, key, velocity);
        };
        if (bar == 2 || bar == 10)
            hit(at, kCrash, 110);
        hit(at, kKick, 120);
        hit(at + 2 * kQuarter, kKick, 112);
        if (bar % 2)
            hit(at + 2 * kQuarter + kEighth + kSixteenth, kKick, 90);
        const bool fill = bar == 9 || bar == 17;
        hit(at + kQuarter, kSnare, 108);
        if (!fill)
            hit(at + 3 * kQuarter, kSnare, 112);
        for (int i = 0; i < 8; ++i) {
            if (fill && i >= 6)
                break;
            const bool open = i == 7 && bar % 2;
            hit(at + static_cast<std::uint64_t>(i) * kEighth, open ? kOpenHat : kClosedHat, i % 2 ? 70 : 96);
        }
        if (fill) {
            for (int i = 0; i < 4; ++i)
                hit(at + 3 * kQuarter + static_cast<std::uint64_t>(i) * kSixteenth, i < 2 ? kTom : kSnare, 90 + 8 * i);
        }
    }

    template <std::size_t N> void melody(std::uint64_t at, const MelodyNote (&notes)[N])
    {
        for (const MelodyNote& n : notes) {
            const std::uint64_t length = static_cast<std::uint64_t>(n.eighths) * kEighth;
            if (n.key > 0) {
                lead_.note(at, length - 24, kLead, n.key, 100);
                if (n.eighths >= 4)
                    vibrato(at, length);
            }
            at += length;
        }
    }

    // Long notes start plain and grow a vibrato on the modulation wheel; the
    // longest ones slide in from below with the pitch bend.
    void vibrato(std::uint64_t at, std::uint64_t length)
    {
        if (length >= 8 * kEighth) {
            for (int step = 0; step <= 8; ++step)
                lead_.pitchBend(at + step * 12, kLead, 8192 - 2048 + step * 256);
        }
        const int steps = 16;
        for (int step = 0; step <= steps; ++step) {
            const std::uint64_t tick = at + length / 4 + static_cast<std::uint64_t>(step) * (length / 2) / steps;
            lead_.controlChange(tick, kLead, 1, step * 72 / steps);
        }
        lead_.controlChange(at + length - 10, kLead, 1, 0);
    }

    void ending(std::uint64_t at)
    {
        // Slow down over the last two bars.
        const double tempos[] = {100, 96, 92, 88, 82, 76, 70, 64};
        for (int beat = 0; beat < 8; ++beat)
            conductor_.tempoBpm(at + static_cast<std::uint64_t>(beat) * kQuarter, tempos[beat]);
        const std::uint64_t held = 2 * kBar - 60;
        for (int key : {57, 60, 64, 69})
            pad_.note(at, held, kPad, key, 90);
        bass_.note(at, held, kBass, 33, 110);
        lead_.note(at, held, kLead, 81, 100);
        vibrato(at, held);
        drums_.note(at, kSixteenth, kDrums, kCrash, 120);
        drums_.note(at, kSixteenth, kDrums, kKick, 124);
        const int lastArpeggio[] = {81, 84, 88, 93};
        for (int i = 0; i < 4; ++i)
            arp_.note(at + static_cast<std::uint64_t>(i) * kEighth, kEighth, kArp, lastArpeggio[i], 80 - 10 * i);
        conductor_.setEndTick(at + 2 * kBar);
    }

    MidiTrackWriter conductor_, lead_, bass_, pad_, arp_, drums_;
};

} // namespace

std::vector<std::uint8_t> composeDemoSong() { return DemoWriter().build(); }

} // namespace kest::tolvane::tools
