// SPDX-License-Identifier: GPL-3.0-or-later
// The four text formats behind one kind: parse first (slow, touches no engine
// state), apply afterwards (fast, allocation-free), and export to a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "FormatKinds.h"
#include "SampleDataText.h"
#include "SamplerText.h"
#include "ToneText.h"
#include "WaveTableText.h"

namespace kest::tolvane::formats {

using ParsedText =
    std::variant<ParsedTones, std::vector<SamplerRecord>, std::vector<SampleDataRecord>, std::vector<WaveTableRecord>>;

ParsedText parseText(TextKind kind, std::string_view text);
// Reads the file within the kind's size limit (TextLimits.h) and parses it;
// nothing, with `error` set, when it cannot be opened or is refused unread.
std::optional<ParsedText> parseTextFile(const std::string& path, TextKind kind, std::string& error);
// Wavetable records also set their tables' bit depths.
void applyText(synth::SynthesizerWT& engine, const ParsedText& parsed, WaveTableBitDepths& bitDepths);

// Writes the kind's header and every record; false when the file cannot be opened.
bool exportTextFile(const std::string& path, TextKind kind, const synth::SynthesizerWT& engine,
                    const WaveTableBitDepths& bitDepths);
void writeText(std::ostream& out, TextKind kind, const synth::SynthesizerWT& engine,
               const WaveTableBitDepths& bitDepths);

} // namespace kest::tolvane::formats
