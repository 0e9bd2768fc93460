// The per-block event queue: a fixed pool of events filled by the processor
// and merged into the block's event list ordered by sample offset.
#pragma once

#include <cstdint>
#include <memory>

#include "ITolvaneModule.h"
#include "MidiEvent.h"

namespace kest::tolvane::util {

class MidiController : public ITolvaneModule {
public:
    static constexpr int kCapacity = 512;

    MidiController();
    ~MidiController() override;

    // Queue operations; each returns false (and drops the event) when the pool is full.
    bool queueChannelEvent(int type, int channel, int data1, int data2, int time);
    bool queueSysEx(const std::uint8_t* bytes, int length, int time);
    // The host's tempo at `time`, and its song position in beats when the
    // transport is playing (hasBeat).
    bool queueTransport(double tempo, bool hasBeat, double beat, int time);

    int pendingCount() const { return count_; }
    int capacity() const { return kCapacity; }
    int portMask() const { return portMask_; }
    void dropPending();

    void setSampleRate(float) override {}
    void setBlockSize(int) override {}
    void reset() override { dropPending(); }
    void systemReset() override { dropPending(); }
    void attach(ModuleHost&) override { dropPending(); }
    void detach() override { dropPending(); }
    void suspend(bool) override { dropPending(); }
    void pauseHook() override { dropPending(); }
    void resumeHook() override { dropPending(); }
    void deactivate() override { dropPending(); }
    void activate() override { dropPending(); }
    void process(ProcessBlock& block) override;

private:
    MidiEvent* takeEntry(int time);

    std::unique_ptr<MidiEvent[]> pool_;
    int count_ = 0;
    int portMask_ = 0xFFFF;
};

} // namespace kest::tolvane::util
