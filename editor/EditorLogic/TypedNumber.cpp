// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/TypedNumber.h"

#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "PortableMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kest::tolvane::editor {

namespace {

// At or above max sends 1, a negative number 0, anything else number / max.
float clampToMax(long number, long max)
{
    if (max <= 0 || number >= max)
        return 1.0f;
    if (number < 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(number) / static_cast<double>(max));
}

float decibelsToGain(double db)
{
    if (db >= 0.0)
        return 1.0f;
    if (db < -96.0)
        return 0.0f;
    return static_cast<float>(portablePow10(db / 20.0));
}

float hertzToValue(double hz)
{
    if (hz >= 480.0)
        return 1.0f;
    if (hz < 400.0)
        return 0.0f;
    return static_cast<float>((hz - 400.0) / 80.0);
}

// A signed number shown as lo..hi, sent as (number - lo) / (hi - lo).
float signedToValue(long number, long lo, long hi)
{
    if (number >= hi)
        return 1.0f;
    if (number < lo)
        return 0.0f;
    return static_cast<float>(static_cast<double>(number - lo) / static_cast<double>(hi - lo));
}

// Largest typed value of an id whose field reads a clamped integer; 0 when the
// id has no such field.
long integerFieldMax(int id, int bitMask)
{
    switch (id) {
    case ids::part::kProgram:
    case ids::part::kBendRange:
    case ids::part::kModulation:
    case ids::part::kVolume:
    case ids::part::kExpression: return 127;
    case ids::tone::kSelect: return 255;
    case ids::tone::kLfoFreq:
    case ids::tone::kTune:
    case ids::sampler::kTune: return 16383;
    case ids::tone::kLms:
    case ids::sampler::kOctave: return 15;
    case ids::tone::kKf: return 3;
    case ids::sampleData::kSelect:
    case ids::waveTable::kSelect: return 127;
    case ids::waveTable::kGeneratorPeriod: return 256;
    case ids::waveTable::kGeneratorLevel: return bitMask;
    default: break;
    }
    if ((id >= ids::tone::kKey && id <= ids::tone::kKfStart) || id == ids::sampler::kSelect ||
        (id >= ids::sampler::kSampleNumber && id <= ids::sampler::kRr))
        return 127;
    return 0;
}

} // namespace

double leadingFloat(std::string_view text)
{
    const std::string copy(text); // strtod needs a terminated string
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end == copy.c_str() || !std::isfinite(value))
        return 0.0;
    return value;
}

long leadingInteger(std::string_view text)
{
    const std::string copy(text);
    char* end = nullptr;
    const long value = std::strtol(copy.c_str(), &end, 10);
    return end == copy.c_str() ? 0 : value;
}

std::optional<float> typedNumberToValue(int id, std::string_view text, int bitMask)
{
    switch (id) {
    case ids::system::kMasterVolume: return decibelsToGain(leadingFloat(text));
    case ids::system::kMasterTune: return hertzToValue(leadingFloat(text));
    case ids::part::kPitchBend: return signedToValue(leadingInteger(text), -8192, 8191);
    case ids::part::kPan: return signedToValue(leadingInteger(text), -64, 63);
    default: break;
    }
    // The PLAY panel's fields read plain values between their row's ends.
    if (const ControlRow* row = findControlRow(id);
        row && row->page == Page::Play && row->kind == ControlKind::Slider) {
        const long plain = std::clamp<long>(leadingInteger(text), row->min, row->min + row->steps);
        return static_cast<float>(plain - row->min) / static_cast<float>(row->steps);
    }
    const long max = integerFieldMax(id, bitMask);
    if (max == 0 && id != ids::waveTable::kGeneratorLevel)
        return std::nullopt;
    return clampToMax(leadingInteger(text), max);
}

} // namespace kest::tolvane::editor
