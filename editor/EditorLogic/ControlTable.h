// SPDX-License-Identifier: GPL-3.0-or-later
// Every labelled control of the editor in one table: the editor builds its views
// from it and the artwork generator draws the labels at the same places.
#pragma once

#include <optional>
#include <span>

namespace kest::tolvane::editor {

// Play: the PLAY panel, a sheet over the top of whichever page shows.
enum class Page { Top, Tone, Sampler, Sequences, Play };

enum class ControlKind {
    MenuButton, // section title bar with its menu button
    Slider,     // slider with a value field (kTagValueText) beside it
    OptionMenu, // visible option menu
    NameField,  // 16-character preset name
    RawField,   // sample data text field that sends raw numbers
    ReadOnly,   // label that only shows a value
    TextField,  // a line of text across the page (the tracker notation)
    TitleBar,   // a section title without a menu: artwork only
    Buttons,    // a row of lit word buttons in the option menu's place, one of which is chosen
    Toggle,     // one word button that is on or off
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
    int min = 0;             // the plain value at the slider's left end (sequences page)
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
// Where a refused notation says why: the SEQUENCES title bar.
NoticePlace notationNoticePlace();

// The button at the right end of a title bar that switches between the tone
// and sequences pages, relative to the page.
inline constexpr Rect kPageTabRect{436, 2, 516, 20};
// The sequences page: the four kind buttons, the tone's number and name on
// the title bar, and the step editor (its two marker lanes above its bars).
inline constexpr int kSequenceTabRow = 25;
inline constexpr int kSequenceTabX[4] = {8, 70, 132, 194};
inline constexpr int kSequenceTabWidth = 60;
inline constexpr int kSequenceTabHeight = 22;
inline constexpr Rect kSequenceToneLabelRect{136, 2, 430, 20};
inline constexpr Rect kSequenceEditRect{9, 126, 519, 330};
inline constexpr int kSequenceLaneHeight = 12;

// The wavetable bar view and the ten tool buttons on the tone page.
inline constexpr Rect kWaveEditRect{9, 267, 519, 401};
inline constexpr int kWaveToolRow = 404;
inline constexpr int kWaveToolX[10] = {10, 61, 113, 164, 215, 266, 317, 368, 419, 469};
inline constexpr int kWaveToolWidth = 48;
inline constexpr int kWaveToolHeight = 26;

// The PLAY panel: a sheet as wide as the window over the top of the page,
// the part's number on its title bar, the CLOSE button at the page tab's
// place and the three play mode buttons in their row's field.
inline constexpr int kPlayPanelHeight = 176;
inline constexpr Rect kPlayPartLabelRect{64, 2, 430, 20};
inline constexpr int kPlayModeCount = 3;
Rect playModeButtonRect(int mode);

} // namespace kest::tolvane::editor
