// SPDX-License-Identifier: GPL-3.0-or-later
#include "SequenceCursor.h"

namespace kest::tolvane::synth {

namespace {
// Steps of the part that `step` is in: [begin, end). The time before the first
// step belongs to the held part.
struct Part {
    int begin, end;
};
Part partOf(const ToneSequence& sequence, int step)
{
    if (!sequence.hasRelease())
        return {0, sequence.length};
    if (step < sequence.release)
        return {0, sequence.release};
    return {sequence.release, sequence.length};
}
} // namespace

void SequenceCursor::start(const ToneSequence& sequence)
{
    step_ = -1;
    holding_ = false;
    released_ = false;
    if (sequence.delay > 0) {
        ticksToBoundary_ = sequence.delay;
        return;
    }
    ticksToBoundary_ = 1;
    tick(sequence);
}

SequenceCursor::Move SequenceCursor::tick(const ToneSequence& sequence)
{
    if (--ticksToBoundary_ > 0)
        return Move::None;
    ticksToBoundary_ = sequence.stepTicks;
    return advance(sequence);
}

SequenceCursor::Move SequenceCursor::advance(const ToneSequence& sequence)
{
    if (released_ && sequence.hasRelease() && step_ < sequence.release) {
        step_ = sequence.release < sequence.length ? sequence.release : step_;
        holding_ = sequence.release >= sequence.length;
        return holding_ ? Move::Held : Move::NewStep;
    }
    if (holding_)
        return Move::None;
    const Part part = partOf(sequence, step_);
    if (step_ + 1 < part.end) {
        ++step_;
        return Move::NewStep;
    }
    if (sequence.hasLoop() && sequence.loop >= part.begin && sequence.loop < part.end) {
        step_ = sequence.loop;
        return Move::NewStep;
    }
    holding_ = true;
    return Move::Held;
}

bool SequenceCursor::ended(const ToneSequence& sequence) const
{
    if (!holding_)
        return false;
    if (!sequence.hasRelease() || step_ >= sequence.release)
        return true;
    // Holding in the held part: a release still moves on into a released part
    // at the next step boundary, so only an empty one is the end.
    return released_ && sequence.release >= sequence.length;
}

} // namespace kest::tolvane::synth
