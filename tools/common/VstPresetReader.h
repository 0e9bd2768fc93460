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

namespace kest::tolvane::tools {

// The processor's class id as preset files spell it (never changes).
inline constexpr std::string_view kTolvaneProcessorClassId = "E5D81B64EAB5462591714E728E9A4147";

struct VstPresetContents {
    std::string classId;                 // 32 characters
    std::vector<std::uint8_t> component; // the processor's saved state
};

// Nothing, with error filled in, when the bytes are no preset file or any
// offset or size points outside them.
std::optional<VstPresetContents> parseVstPreset(std::span<const std::uint8_t> file, std::string& error);

// A preset file as hosts write them: the header, the component state and a
// chunk list naming it. The plug-in's controller keeps no state, so there is
// no controller chunk.
std::vector<std::uint8_t> encodeVstPreset(std::string_view classId, std::span<const std::uint8_t> component);

} // namespace kest::tolvane::tools
