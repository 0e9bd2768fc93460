// The module rack of one plug-in instance. The host object is itself the head
// of the block's event list, followed by the per-block context.
#pragma once

#include <cstdint>

#include "ITolvaneModule.h"
#include "MidiEvent.h"

namespace kest::tolvane {

inline constexpr int kOutputPairCount = 16;
inline constexpr int kOutputChannelCount = 2 * kOutputPairCount;

struct ProcessBlock {
    float sampleRate = 44100.0f;
    int blockSize = 2048;
    float** outputs = nullptr;      // 32 channel pointers: out 1 L, out 1 R, out 2 L, ...
    MidiEvent* eventList = nullptr; // list head; events follow through next in time order
    int start = 0;
    int count = 0;
    // Output pairs (bit n: pair n) that a voice rendered into during the
    // block; every other pair was left as it was (silent when cleared).
    std::uint32_t soundingPairs = 0;
    // Stems: when set, 32 channels that also receive every voice's output by
    // the part that started its note (part n: channels 2n and 2n + 1), and
    // two zeroed channels of at least count frames, left zeroed, into which
    // each voice renders first. The outputs get exactly the samples they get
    // without them; soundingParts tells (bit n: part n) who added.
    float** partOutputs = nullptr;
    float* partScratch[2] = {nullptr, nullptr};
    std::uint32_t soundingParts = 0;
};

class ModuleHost : public MidiEvent, public ProcessBlock {
public:
    static constexpr int kSlotCount = 4;

    ModuleHost();
    ~ModuleHost() override = default;
    ModuleHost(const ModuleHost&) = delete;
    ModuleHost& operator=(const ModuleHost&) = delete;

    // A rate below 1 is ignored. Returns the stored rate.
    float setSampleRate(float rate);
    // A size below 1 is ignored.
    void setBlockSize(int size);
    // Removes the module from any other slot (detaching it there), stores it
    // and attaches it. An index outside the slot table is refused.
    bool setModule(int index, ITolvaneModule* module);
    ITolvaneModule* module(int index) const;

    void setDisabled(int index, bool disabled);
    bool isDisabled(int index) const;

    // Empties the event list, points the block at the outputs and runs every
    // occupied, enabled slot in slot order.
    void process(float** outputs, int count);

    ProcessBlock& block() { return *this; }
    MidiEvent& listHead() { return *this; }

private:
    ITolvaneModule* slots_[kSlotCount] = {};
    bool disabled_[kSlotCount] = {};
};

} // namespace kest::tolvane
