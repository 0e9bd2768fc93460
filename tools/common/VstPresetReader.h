// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a .vstpreset file as a host does, without the VST 3 SDK: the 'VST3'
// header, the chunk list and the component state ('Comp') it points at.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ByteSource.h"

namespace kest::tolvane::tools {

// The processor's class id as preset files spell it (never changes).
inline constexpr std::string_view kTolvaneProcessorClassId = "E5D81B64EAB5462591714E728E9A4147";

struct VstPresetContents {
    std::string classId;                 // 32 characters
    std::vector<std::uint8_t> component; // the processor's saved state
};

// Where a preset file keeps the processor's state, found from its header and
// chunk list alone: a file is checked before its state is read.
struct VstPresetLayout {
    std::string classId; // 32 characters
    std::uint64_t componentOffset = 0;
    std::uint64_t componentSize = 0;
};

// Nothing, with error filled in, when the source is no preset file or any
// offset or size points outside it.
std::optional<VstPresetLayout> locateVstPresetState(formats::ByteSource& file, std::string& error);

// The same with the component state copied out of bytes in memory.
std::optional<VstPresetContents> parseVstPreset(std::span<const std::uint8_t> file, std::string& error);

// A preset file as hosts write them: the header, the component state and a
// chunk list naming it. The plug-in's controller keeps no state, so there is
// no controller chunk.
std::vector<std::uint8_t> encodeVstPreset(std::string_view classId, std::span<const std::uint8_t> component);

} // namespace kest::tolvane::tools
