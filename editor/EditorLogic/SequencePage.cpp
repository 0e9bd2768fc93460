// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/SequencePage.h"

#include "EditorLogic/EditorIds.h"
#include "EditorLogic/TypedNumber.h"
#include "Records.h"
#include "SequenceText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kest::tolvane::editor {

namespace {

// Narrow spans first: most sequences are a few semitones or volume steps, and
// a band must stay tall enough to hit with the pointer.
constexpr std::array<ValueSpan, 1> kVolumeSpans{{{0, synth::kMaxVolumeStep}}};
constexpr std::array<ValueSpan, 4> kArpeggioSpans{{{-12, 12}, {-24, 24}, {-48, 48}, {-96, 96}}};
constexpr std::array<ValueSpan, 3> kFixedArpeggioSpans{{{24, 71}, {12, 107}, {0, 127}}};
constexpr std::array<ValueSpan, 4> kPitchSpans{{{-16, 16}, {-64, 64}, {-192, 192}, {-768, 768}}};
constexpr std::array<ValueSpan, 3> kWaveSpans{{{0, 15}, {0, 31}, {0, 127}}};

constexpr const char* kArpeggioModes[] = {"relative", "fixed"};
constexpr const char* kPitchModes[] = {"relative", "absolute"};

bool holds(ValueSpan span, const synth::ToneSequence& sequence)
{
    for (int i = 0; i < sequence.length; ++i) {
        const int v = sequence.values[static_cast<std::size_t>(i)];
        if (v < span.min || v > span.max)
            return false;
    }
    return true;
}

std::string signedText(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, value == 0 ? "%d" : "%+d", value);
    return text;
}

} // namespace

std::span<const ValueSpan> displaySpans(SequenceKind kind, int mode)
{
    switch (kind) {
    case SequenceKind::Volume: return kVolumeSpans;
    case SequenceKind::Arpeggio:
        return mode == synth::kSequenceFixed ? std::span<const ValueSpan>(kFixedArpeggioSpans)
                                             : std::span<const ValueSpan>(kArpeggioSpans);
    case SequenceKind::Pitch: return kPitchSpans;
    case SequenceKind::Wave: return kWaveSpans;
    }
    return kVolumeSpans;
}

int fittingSpan(SequenceKind kind, const synth::ToneSequence& sequence)
{
    const auto spans = displaySpans(kind, sequence.mode);
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (holds(spans[i], sequence))
            return static_cast<int>(i);
    return static_cast<int>(spans.size()) - 1;
}

std::string spanEndText(ValueSpan span, int value) { return span.min < 0 ? signedText(value) : std::to_string(value); }

std::string spanText(ValueSpan span) { return spanEndText(span, span.min) + ".." + spanEndText(span, span.max); }

const char* kindName(SequenceKind kind)
{
    constexpr const char* kNames[] = {"VOL", "ARP", "PITCH", "WAVE"};
    return kNames[std::clamp(static_cast<int>(kind), 0, 3)];
}

std::span<const char* const> modeEntries(SequenceKind kind)
{
    if (kind == SequenceKind::Arpeggio)
        return kArpeggioModes;
    if (kind == SequenceKind::Pitch)
        return kPitchModes;
    return {};
}

int visibleSteps(int length) { return std::clamp((length / 8 + 1) * 8, 16, synth::kSequenceSteps); }

// ---- Geometry ---------------------------------------------------------------------

SequenceGeometry::SequenceGeometry(double width, double height, int visible, ValueSpan span)
    : width_(width), height_(height), visible_(std::clamp(visible, 1, synth::kSequenceSteps)), span_(span)
{
}

SequenceGeometry::Area SequenceGeometry::areaAt(double y) const
{
    if (y < kSequenceLaneHeight)
        return Area::LoopLane;
    return y < barsTop() ? Area::ReleaseLane : Area::Bars;
}

int SequenceGeometry::stepAt(double x) const
{
    return std::clamp(static_cast<int>(std::floor(x * visible_ / width_)), 0, visible_ - 1);
}

int SequenceGeometry::boundaryAt(double x) const
{
    return std::clamp(static_cast<int>(std::lround(x * visible_ / width_)), 0, visible_);
}

int SequenceGeometry::valueAt(double y) const
{
    const double fromBottom = (height_ - y) / (height_ - barsTop());
    const int band = static_cast<int>(std::floor(fromBottom * span_.bands()));
    return std::clamp(span_.min + band, span_.min, span_.max);
}

double SequenceGeometry::stepLeft(int step) const { return width_ * step / visible_; }

double SequenceGeometry::bandTop(int value) const
{
    const double band = (height_ - barsTop()) / span_.bands();
    return height_ - (std::clamp(value, span_.min, span_.max) - span_.min + 1) * band;
}

int loopPointAt(int boundary, int length) { return length > 0 ? std::clamp(boundary, 0, length - 1) : -1; }

int releasePointAt(int boundary, int length) { return length > 0 ? std::clamp(boundary, 0, length) : -1; }

// ---- Notation ---------------------------------------------------------------------

NotationChanges notationChanges(std::string_view text, SequenceKind kind, int mode)
{
    const formats::SequenceParse parse = formats::parseSequenceText(text, kind, mode);
    if (!parse.steps)
        return {{}, std::string(kindName(kind)) + ": " + parse.reason};
    const formats::SequenceSteps& steps = *parse.steps;
    NotationChanges result;
    // The steps first (each past the end lengthens the sequence), then the
    // exact length and the points, which must lie inside it.
    for (int i = 0; i < steps.length; ++i)
        result.changes.push_back(
            {ids::sequenceStep::id(i), static_cast<float>(steps.values[static_cast<std::size_t>(i)])});
    auto point = [](std::uint8_t p) { return p == synth::ToneSequence::kNone ? -1.0f : static_cast<float>(p); };
    result.changes.push_back({ids::sequence::kLength, static_cast<float>(steps.length)});
    result.changes.push_back({ids::sequence::kLoop, point(steps.loop)});
    result.changes.push_back({ids::sequence::kRelease, point(steps.release)});
    return result;
}

// ---- Fields -----------------------------------------------------------------------

int plainOfSlider(const ControlRow& row, float normalized)
{
    const float v = std::clamp(std::isfinite(normalized) ? normalized : 0.0f, 0.0f, 1.0f);
    return row.min + static_cast<int>(v * static_cast<float>(row.steps) + 0.5f);
}

float sliderOfPlain(const ControlRow& row, int plain)
{
    return row.steps > 0 ? static_cast<float>(std::clamp(plain - row.min, 0, row.steps)) / static_cast<float>(row.steps)
                         : 0.0f;
}

int plainOfTyped(const ControlRow& row, std::string_view text)
{
    return static_cast<int>(std::clamp<long>(leadingInteger(text), row.min, row.min + row.steps));
}

std::string tickLengthText(int sampleRate, int tickRate)
{
    tickRate = std::clamp(tickRate, synth::kMinTickRate, synth::kMaxTickRate);
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.2f ms", 1000.0 / tickRate);
    const int shortest = sampleRate / tickRate;
    // Ticks fall on whole samples: their lengths differ by one where the rate does not divide.
    const std::string samples = sampleRate % tickRate == 0
                                    ? std::to_string(shortest)
                                    : std::to_string(shortest) + "-" + std::to_string(shortest + 1);
    return std::string(ms) + " (" + samples + " samples)";
}

std::string sequenceToneText(int tone, const char* presetName)
{
    std::string name(presetName, strnlen(presetName, synth::kPresetNameLength));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (char& c : name)
        if (c < 0x20 || c > 0x7E)
            c = '?';
    return "TONE " + std::to_string(tone) + (name.empty() ? "" : "  " + name);
}

} // namespace kest::tolvane::editor
