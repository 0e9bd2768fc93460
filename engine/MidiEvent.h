// One MIDI message as the engine receives it, and its link in a block's event list.
#pragma once

#include <cstdint>

namespace kest::tolvane {

inline constexpr int kMaxSysExLength = 256;

enum MidiStatus : int {
    kNoteOff = 128,
    kNoteOn = 144,
    kPolyPressure = 160,
    kControlChange = 176,
    kProgramChange = 192,
    kChannelPressure = 208,
    kPitchBend = 224,
    kSystemExclusive = 240,
    // Not a MIDI message: the host's transport at the event's sample, the
    // tempo in `tempo` and, with data1 bit 0 set, the song position in beats
    // in `beat` (see MidiController::queueTransport).
    kTransport = 0x1F0,
};

struct MidiMessage {
    int type = kNoteOff;
    int channel = 0;
    int data1 = 0;
    int data2 = 0;
    int sysExLength = 0;
    std::uint8_t sysExData[kMaxSysExLength] = {}; // bytes after F0, up to and including F7
    int portMask = 0xFFFF;
    double beat = 0.0;  // kTransport: quarter notes from the song's start
    double tempo = 0.0; // kTransport: beats a minute
};

struct MidiEvent : MidiMessage {
    MidiEvent* next = nullptr;
    int time = 0; // sample offset within the block

    virtual ~MidiEvent() = default;
    virtual void reset();
};

} // namespace kest::tolvane
