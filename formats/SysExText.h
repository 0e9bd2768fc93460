// SPDX-License-Identifier: GPL-3.0-or-later
// System Exclusive messages for tones, sampler presets and wavetables, one
// message per line in hexadecimal text, as the engine itself receives them.
#pragma once

#include <ostream>
#include <string>

#include "FormatKinds.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

// Every tone; then, only when a tone has an expression, the tick rate and the
// expressions' records (ExpressionSysEx.h) of those tones.
void writeToneSysEx(std::ostream& out, const synth::SynthesizerWT& engine);
void writeSamplerSysEx(std::ostream& out, const synth::SynthesizerWT& engine);
// Every table at bit depth 7, whatever depth the editor keeps for it.
void writeWaveTableSysEx(std::ostream& out, const synth::SynthesizerWT& engine);
// The kind's messages; SampleData writes nothing.
void writeSysExText(std::ostream& out, TextKind kind, const synth::SynthesizerWT& engine);
// False when the file cannot be opened; for SampleData the file is left empty.
bool exportSysExTextFile(const std::string& path, TextKind kind, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
