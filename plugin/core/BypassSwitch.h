// SPDX-License-Identifier: GPL-3.0-or-later
// The host's bypass switch as the VST 3 and CLAP shells keep it. The audio
// thread switches it between blocks; either direction resets the engine's
// modules at the next block and drops the events that waited, as a bypassed
// instrument forgets what it was playing. The message thread reads the
// switch for a save and hands a loaded state's switch to the audio thread.
// (LV2 hosts bypass a plug-in outside it; the LV2 shell only carries the
// switch from a loaded state to the next save.)
#pragma once

#include <atomic>

namespace kest::tolvane::plugin {

class EngineContext;
class PendingMidiEvents;

class BypassSwitch {
public:
    // Audio thread (or the message thread while no block runs). True when
    // the switch changed.
    bool set(bool on, EngineContext& context, PendingMidiEvents& events);
    // Audio thread, first in a block: carries out a switch a state load left.
    bool takeRestored(EngineContext& context, PendingMidiEvents& events);
    bool on() const { return on_; }

    // Message thread: the switch for a save, and a loaded state's switch.
    bool saved() const { return saved_.load(std::memory_order_acquire); }
    void restore(bool on);

private:
    bool on_ = false;
    std::atomic<bool> saved_{false};
    std::atomic<int> restored_{-1}; // -1: none waiting
};

} // namespace kest::tolvane::plugin
