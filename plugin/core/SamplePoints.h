// SPDX-License-Identifier: GPL-3.0-or-later
// Edits of a sample slot's playback and loop points that keep the slot's
// order 0 <= start < end <= frames and start <= loop start < loop end <= end.
#pragma once

#include "Records.h"

namespace kest::tolvane::plugin {

// Each returns whether the requested point was taken.
bool setPlaybackStart(synth::SampleData& slot, int x);
bool setPlaybackEnd(synth::SampleData& slot, int x);
// A loop start or end that breaks the order clears the loop instead.
bool setLoopStart(synth::SampleData& slot, int x);
bool setLoopEnd(synth::SampleData& slot, int x);
// Stored points from a saved state. The playback points are taken only when
// they fit the slot's frames (the loop is then cleared); the loop is taken
// when it lies inside the playback range and cleared otherwise.
void restorePlaybackPoints(synth::SampleData& slot, int start, int end);
void restoreLoop(synth::SampleData& slot, int loopStart, int loopEnd);

} // namespace kest::tolvane::plugin
