// SPDX-License-Identifier: GPL-3.0-or-later
// One sequence's steps as trackers write them, so that they paste between the
// two: integers separated by blanks or commas, "|" before the step the loop
// returns to, "/" between the held and the released part ("0 4 7 | 12 / 0").
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ToneExpression.h"

namespace kest::tolvane::formats {

// What the notation holds: the steps and their two marks, nothing of the
// sequence's mode, step length or delay.
struct SequenceSteps {
    std::array<std::int16_t, synth::kSequenceSteps> values{};
    std::uint8_t length = 0;
    std::uint8_t loop = synth::ToneSequence::kNone;
    std::uint8_t release = synth::ToneSequence::kNone;

    // Replaces the sequence's steps and marks; its other settings stay.
    void applyTo(synth::ToneSequence& sequence) const;
    bool operator==(const SequenceSteps&) const = default;
};

// The steps, or why the text is not a sequence. Values are held to the kind's
// range in the mode; steps past the 64th are dropped, and a mark past them too.
struct SequenceParse {
    std::optional<SequenceSteps> steps;
    std::string reason; // empty when there are steps
};

SequenceParse parseSequenceText(std::string_view text, synth::SequenceKind kind, int mode);

// The canonical form: one space between tokens, "/" before "|" when both stand
// before the same step, "0 4 7 /" for a release after the last step. The
// parser reads it back to the same steps.
std::string sequenceText(const synth::ToneSequence& sequence);

} // namespace kest::tolvane::formats
