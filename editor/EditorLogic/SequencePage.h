// SPDX-License-Identifier: GPL-3.0-or-later
// The sequences page without a window: what the step editor shows and where,
// what a stroke, a marker or typed notation sends, and the page's texts.
#pragma once

#include "EditorLogic/ControlTable.h"
#include "ToneExpression.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kest::tolvane::editor {

using synth::SequenceKind;

// What the bars show: values from min (bottom) to max (top), one band each.
struct ValueSpan {
    int min = 0;
    int max = 0;
    int bands() const { return max - min + 1; }
    bool operator==(const ValueSpan&) const = default;
};

// The spans the RANGE menu offers for a kind in a mode, narrowest first; the
// last is the kind's whole range.
std::span<const ValueSpan> displaySpans(SequenceKind kind, int mode);
// The narrowest of them that shows every step of the sequence.
int fittingSpan(SequenceKind kind, const synth::ToneSequence& sequence);
std::string spanText(ValueSpan span); // "-12..+12", "0..15"
// One end of the span as the bars label it: signed when the span is.
std::string spanEndText(ValueSpan span, int value);

const char* kindName(SequenceKind kind); // "VOL", "ARP", "PITCH", "WAVE"
// The MODE menu's two entries; VOL and WAVE have none.
std::span<const char* const> modeEntries(SequenceKind kind);

// How many steps the editor shows: the sequence and room to draw past its
// end, in eights, 16 to 64.
int visibleSteps(int length);

// The step editor in its own coordinates: two marker lanes (loop, then
// release) above the bars, `visible` steps across.
class SequenceGeometry {
public:
    enum class Area { LoopLane, ReleaseLane, Bars };

    SequenceGeometry(double width, double height, int visible, ValueSpan span);

    Area areaAt(double y) const;
    int stepAt(double x) const;     // 0..visible-1
    int boundaryAt(double x) const; // the step edge nearest x, 0..visible
    int valueAt(double y) const;    // the band under y, held to the span
    double stepLeft(int step) const;
    double bandTop(int value) const;
    double barsTop() const { return 2.0 * kSequenceLaneHeight; }
    double height() const { return height_; }
    int visible() const { return visible_; }
    ValueSpan span() const { return span_; }

private:
    double width_, height_;
    int visible_;
    ValueSpan span_;
};

// A marker dragged to step edge `boundary` of a sequence of `length` steps:
// the plain point to send (held inside the sequence; -1 when it has none).
int loopPointAt(int boundary, int length);
int releasePointAt(int boundary, int length);

// One value change for the processor.
struct ValueChange {
    int id;
    float value;
    bool operator==(const ValueChange&) const = default;
};

// Tracker notation typed or pasted for the current sequence: the changes of
// its steps, then its length and points, that make it hold the notation; or
// why the notation is refused (then nothing is sent).
struct NotationChanges {
    std::vector<ValueChange> changes;
    std::string refusal; // "ARP: 'x' is not a number"
};
NotationChanges notationChanges(std::string_view text, SequenceKind kind, int mode);

// A sequences-page slider's plain value at a normalised position, and back.
int plainOfSlider(const ControlRow& row, float normalized);
float sliderOfPlain(const ControlRow& row, int plain);
// A typed number held to the row's range.
int plainOfTyped(const ControlRow& row, std::string_view text);

// "16.67 ms (800 samples)", "4.17 ms (183-184 samples)".
std::string tickLengthText(int sampleRate, int tickRate);
// The title bar's "TONE 89  Square Lead" (the name without its padding).
std::string sequenceToneText(int tone, const char* presetName);

} // namespace kest::tolvane::editor
