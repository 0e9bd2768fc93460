// SPDX-License-Identifier: GPL-3.0-or-later
// The tone preset text format: one "@I:" record per TonePreset, its columns
// the rows of kToneFields.
#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include "NamedRecordText.h"
#include "RecordScanner.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::formats {

inline constexpr int kToneFieldCount = static_cast<int>(synth::kToneFields.size());

// One parsed record, fields already reduced by their masks, in file order:
// key, pan, lfoFreq, strc, tune, lms, wave, tl, ar, dr, sl, rr, kf, kfStart.
using ToneRecord = NamedRecord<synth::TonePreset>;

// The record and token patterns, built once.
const RecordSyntax& toneSyntax();

// Every valid record in file order (later ones overwrite earlier ones on apply).
std::vector<ToneRecord> parseToneText(std::string_view text);
// Copies the records into the engine's tones; allocates nothing.
void applyToneRecords(synth::SynthesizerWT& engine, const std::vector<ToneRecord>& records);
// Header line and all 256 tones.
void writeToneText(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
