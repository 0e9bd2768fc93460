// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ValueText.h"

#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"

#include <cmath>
#include <cstdio>

namespace kest::tolvane::editor {

namespace {

std::string fixedText(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

int truncated(double value) { return static_cast<int>(value); }

// Values echoed as k / max arrive as floats a hair below k / max; truncating
// max * x would then show k - 1, so these displays round to the nearest step.
int nearestStep(int max, double x) { return truncated(max * x + 0.5); }

} // namespace

std::string decibelText(float gain)
{
    if (gain == 0.0f)
        return "inf";
    return fixedText(20.0 * std::log10(static_cast<double>(gain)), 2);
}

std::string hertzText(float hz) { return fixedText(hz, 1); }

std::string toneNumberText(int tone)
{
    if (tone > 127)
        return std::to_string(tone) + " [" + std::to_string(tone - 128) + "]";
    return std::to_string(tone);
}

std::string partText(int part) { return std::to_string(part) + " [MIDI CH " + std::to_string(part + 1) + "]"; }

std::string generatorLevelText(int bitMask, int bitDepth, float level)
{
    const int unsignedValue = nearestStep(bitMask, level);
    const int signedValue = unsignedValue - (1 << (bitDepth - 1));
    return std::to_string(unsignedValue) + " [" + std::to_string(signedValue) + "]";
}

int barValue(int bitMask, float x) { return nearestStep(bitMask, x); }

std::string loopableText(int loopLength) { return loopLength > 0 ? "true" : "false"; }

std::optional<int> updatedFieldNumber(int id, float x)
{
    const double v = x;
    switch (id) {
    case ids::part::kProgram:
    case ids::part::kModulation:
    case ids::part::kVolume:
    case ids::part::kExpression: return truncated(127.5 * v);
    case ids::part::kBendRange: return nearestStep(127, v);
    case ids::part::kPitchBend: return truncated(16383.5 * v) - 8192;
    case ids::part::kPan: return truncated(127.5 * v) - 64;
    default: break;
    }
    const bool toneSlider = id >= ids::tone::kKey && id <= ids::tone::kKfStart;
    const bool samplerSlider = id >= ids::sampler::kSampleNumber && id <= ids::sampler::kRr;
    if (toneSlider || samplerSlider) {
        if (const ControlRow* row = findControlRow(id); row && row->kind == ControlKind::Slider)
            return nearestStep(row->steps, v);
    }
    return std::nullopt;
}

} // namespace kest::tolvane::editor
