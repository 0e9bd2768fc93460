// SPDX-License-Identifier: GPL-3.0-or-later
// The tone preset text format: one "@I:" record per TonePreset, its columns
// the rows of kToneFields, then the records of the tones' expressions
// (ExpressionText.h) when any tone has one.
#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include "ExpressionText.h"
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

// A tone file's valid records, each kind in file order (later ones overwrite
// earlier ones on apply).
struct ParsedTones {
    std::vector<ToneRecord> tones;
    ExpressionRecords expressions;
};

ParsedTones parseToneText(std::string_view text);
// Copies the "@I:" records into the engine's tones, each with a neutral
// expression, then applies the expression records; allocates nothing.
void applyToneRecords(synth::SynthesizerWT& engine, const ParsedTones& parsed);
// Header line and all 256 tones; the expression records only when a tone has
// an expression, so a bank without any is written as it always was.
void writeToneText(std::ostream& out, const synth::SynthesizerWT& engine);

} // namespace kest::tolvane::formats
