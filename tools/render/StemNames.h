// SPDX-License-Identifier: GPL-3.0-or-later
// File names of per-part stems: the part number and what the part plays,
// e.g. part01-acoustic-grand.wav, part10-drums.wav.
#pragma once

#include <string>

#include "SynthesizerWT.h"

namespace kest::tolvane::tools {

// "part10-drums" and the like, from the part's mode and, in Instrument mode,
// the name of its program's tone as it is when the part first sounds.
std::string partStemName(synth::SynthesizerWT& engine, int part);

} // namespace kest::tolvane::tools
