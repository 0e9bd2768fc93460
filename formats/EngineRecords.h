// SPDX-License-Identifier: GPL-3.0-or-later
// Read-only access to the engine's records for the writers. The engine hands
// out its records through non-const accessors only; the writers never modify.
#pragma once

#include <cstring>
#include <string_view>

#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

inline const synth::TonePreset& toneOf(const synth::SynthesizerWT& engine, int index)
{
    return const_cast<synth::SynthesizerWT&>(engine).tone(index);
}

inline const synth::SamplerPreset& samplerPresetOf(const synth::SynthesizerWT& engine, int index)
{
    return const_cast<synth::SynthesizerWT&>(engine).samplerPreset(index);
}

inline const synth::SampleData& sampleDataOf(const synth::SynthesizerWT& engine, int index)
{
    return const_cast<synth::SynthesizerWT&>(engine).sampleData(index);
}

// A stored name up to its terminating zero, never past its 16 characters.
inline std::string_view presetNameOf(const char* name) { return {name, strnlen(name, synth::kPresetNameLength)}; }

} // namespace kest::tolvane::formats
