// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/TypedNumber.h"

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
    return static_cast<float>(std::pow(10.0, db / 20.0));
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
    case 0x0103: case 0x0104: case 0x0106: case 0x0107: case 0x0109: return 127;
    case 0x1001: return 255;
    case 0x1006: case 0x1008: case 0x2006: return 16383;
    case 0x1007: case 0x2005: return 15;
    case 0x100F: return 3;
    case 0x3001: case 0x5001: return 127;
    case 0x5010: return 256;
    case 0x5011: return bitMask;
    default: break;
    }
    if ((id >= 0x1004 && id <= 0x1010) || id == 0x2001 || (id >= 0x2003 && id <= 0x200B))
        return 127;
    return 0;
}

} // namespace

double leadingFloat(std::string_view text)
{
    const std::string copy(text);  // strtod needs a terminated string
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
    case 0x0001: return decibelsToGain(leadingFloat(text));
    case 0x0002: return hertzToValue(leadingFloat(text));
    case 0x0105: return signedToValue(leadingInteger(text), -8192, 8191);
    case 0x0108: return signedToValue(leadingInteger(text), -64, 63);
    default: break;
    }
    const long max = integerFieldMax(id, bitMask);
    if (max == 0 && id != 0x5011)
        return std::nullopt;
    return clampToMax(leadingInteger(text), max);
}

} // namespace kest::tolvane::editor
