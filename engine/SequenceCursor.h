// SPDX-License-Identifier: GPL-3.0-or-later
// Where a voice stands in one of its tone's sequences, moved on tick by tick.
// While the key is held the held part plays and, at its end, returns to the
// loop point when that lies in it, or holds its last step. A key release
// moves the sequence past the release point at the next step boundary; the
// released part plays, loops when the loop point lies in it, and then holds.
#pragma once

#include "ToneExpression.h"

namespace kest::tolvane::synth {

class SequenceCursor {
public:
    enum class Move { None, NewStep, Held };

    // At note-on: the delay begins, or the first step.
    void start(const ToneSequence& sequence);
    // One tick on; NewStep when a step begins (the same step again on a
    // loop of one), Held when the part playing has just run out and its last
    // value now holds.
    Move tick(const ToneSequence& sequence);
    // The key was released: the next step boundary moves past the release point.
    void release() { released_ = true; }

    // The step sounding, or -1 before the first (during the delay).
    int step() const { return step_; }
    bool holding() const { return holding_; }
    // Holding for good: nothing the key does moves the sequence any more.
    bool ended(const ToneSequence& sequence) const;

private:
    Move advance(const ToneSequence& sequence);

    int step_ = -1;
    int ticksToBoundary_ = 0;
    bool holding_ = false;
    bool released_ = false;
};

} // namespace kest::tolvane::synth
