// SPDX-License-Identifier: GPL-3.0-or-later
// Every labelled control of the editor in one table: the editor builds its views
// from it and the artwork generator draws the labels at the same places.
#pragma once

#include <optional>
#include <span>

namespace kest::tolvane::editor {

enum class Page { Top, Tone, Sampler };

enum class ControlKind {
    MenuButton, // section title bar with its menu button
    Slider,     // slider with a value field (kTagValueText) beside it
    OptionMenu, // visible option menu
    NameField,  // 16-character preset name
    RawField,   // sample data text field that sends raw numbers
    ReadOnly,   // label that only shows a value
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct ControlRow {
    int id;
    Page page;
    ControlKind kind;
    int x;     // column: 8 or 264 (INDEX and VALUE labels sit elsewhere)
    int y;     // row top within the page
    int steps; // slider steps, which are also the slider's maximum value
    const char* label;
    const char* initialText; // value field text before the first refresh
};

std::span<const ControlRow> controlRows();
const ControlRow* findControlRow(int id);

// Where the parts of a row sit, relative to the page's container.
Rect sliderRect(const ControlRow& row);
Rect valueFieldRect(const ControlRow& row); // value field, option menu, name, raw field, label
Rect labelRect(const ControlRow& row);      // the background's label area
Rect menuButtonRect(const ControlRow& row);

// Pop-up menu points in window coordinates, by section.
struct Point {
    int x;
    int y;
};
Point popupMenuPoint(int section);

// Where the editor tells why an import refused its file: on the title bar of
// the section whose menu started the import, right of the title, relative to
// the page. Nothing for a file action that imports nothing.
struct NoticePlace {
    Page page;
    Rect rect;
};
std::optional<NoticePlace> noticePlace(int fileAction);

// The wavetable bar view and the ten tool buttons on the tone page.
inline constexpr Rect kWaveEditRect{9, 267, 519, 401};
inline constexpr int kWaveToolRow = 404;
inline constexpr int kWaveToolX[10] = {10, 61, 113, 164, 215, 266, 317, 368, 419, 469};
inline constexpr int kWaveToolWidth = 48;
inline constexpr int kWaveToolHeight = 26;

} // namespace kest::tolvane::editor
