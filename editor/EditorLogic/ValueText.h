// SPDX-License-Identifier: GPL-3.0-or-later
// The texts that the editor's value fields and labels show.
#pragma once

#include <optional>
#include <string>

namespace kest::tolvane::editor {

// Numbers show the precision they have: decibels with two decimals, hertz
// with one, counts as integers.
// 20 * log10(gain), two decimals; "inf" for a gain of 0.
std::string decibelText(float gain);
// A frequency (a reference pitch, a sample's rate or pitch), one decimal.
std::string hertzText(float hz);
// A part as the PART menu lists it: "0 [MIDI CH 1]".
std::string partText(int part);
// 0..127 alone; 128..255 as "130 [2]" (number, then the percussion key).
std::string toneNumberText(int tone);
// Generator level as unsigned and signed sample value: "255 [127]".
std::string generatorLevelText(int bitMask, int bitDepth, float level);
std::string loopableText(int loopLength);
// A wavetable bar's value in sample units (VALUE label).
int barValue(int bitMask, float x);

// The number that a slider's value field shows after the processor's update
// (x normalised), or nothing for ids that are not plain slider-and-field updates.
std::optional<int> updatedFieldNumber(int id, float x);

} // namespace kest::tolvane::editor
