// SPDX-License-Identifier: GPL-3.0-or-later
#include "SamplePoints.h"

namespace kest::tolvane::plugin {

namespace {

void clearLoop(synth::SampleData& slot)
{
    slot.loopEndPoint = slot.playBackEndPoint;
    slot.loopLength = 0;
    slot.releaseLoopLength = 0;
}

void setLoop(synth::SampleData& slot, int loopStart, int loopEnd)
{
    slot.loopEndPoint = loopEnd;
    slot.loopLength = loopEnd - loopStart;
    slot.releaseLoopLength = loopEnd == slot.playBackEndPoint ? slot.loopLength : 0;
}

bool hasLoop(const synth::SampleData& slot) { return slot.loopLength > 0; }

} // namespace

bool setPlaybackStart(synth::SampleData& slot, int x)
{
    // The engine reads from the start point: a negative one must never reach it.
    if (x < 0 || x >= slot.playBackEndPoint || slot.playBackEndPoint > slot.frames)
        return false;
    slot.playBackStartPoint = x;
    clearLoop(slot);
    return true;
}

bool setPlaybackEnd(synth::SampleData& slot, int x)
{
    if (slot.playBackStartPoint >= x || x > slot.frames)
        return false;
    slot.playBackEndPoint = x;
    clearLoop(slot);
    return true;
}

bool setLoopStart(synth::SampleData& slot, int x)
{
    const int loopEnd = hasLoop(slot) ? slot.loopEndPoint : 0;
    if (x < slot.playBackStartPoint || x >= loopEnd || slot.playBackEndPoint < loopEnd) {
        clearLoop(slot);
        return false;
    }
    setLoop(slot, x, loopEnd);
    return true;
}

bool setLoopEnd(synth::SampleData& slot, int x)
{
    const int loopStart = hasLoop(slot) ? slot.loopEndPoint - slot.loopLength : 0;
    if (loopStart < slot.playBackStartPoint || loopStart >= x || slot.playBackEndPoint < x) {
        clearLoop(slot);
        return false;
    }
    setLoop(slot, loopStart, x);
    return true;
}

void restorePlaybackPoints(synth::SampleData& slot, int start, int end)
{
    if (start >= 0 && start < end && end <= slot.frames) {
        slot.playBackStartPoint = start;
        slot.playBackEndPoint = end;
        clearLoop(slot);
    }
}

void restoreLoop(synth::SampleData& slot, int loopStart, int loopEnd)
{
    if (slot.playBackStartPoint <= loopStart && loopStart < loopEnd && loopEnd <= slot.playBackEndPoint)
        setLoop(slot, loopStart, loopEnd);
    else
        clearLoop(slot);
}

} // namespace kest::tolvane::plugin
