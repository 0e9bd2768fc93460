// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlTable.h"

#include "EditorLogic/EditorIds.h"

#include <array>

namespace kest::tolvane::editor {

namespace {

using K = ControlKind;
using P = Page;

constexpr std::array kRows = {
    // Top section.
    ControlRow{0x0000, P::Top, K::MenuButton, 8, 50, 0, "SYNTH", ""},
    ControlRow{0x0001, P::Top, K::Slider, 8, 72, 200, "MAIN VOLUME", "0"},
    ControlRow{0x0002, P::Top, K::Slider, 264, 72, 800, "REF PITCH", "0"},
    ControlRow{0x0100, P::Top, K::MenuButton, 8, 98, 0, "PART", ""},
    ControlRow{0x0101, P::Top, K::OptionMenu, 8, 120, 15, "PART", ""},
    ControlRow{0x0102, P::Top, K::OptionMenu, 264, 120, 3, "MODE", ""},
    ControlRow{0x0103, P::Top, K::Slider, 8, 144, 127, "PROGRAM", "0"},
    ControlRow{0x0104, P::Top, K::Slider, 264, 144, 127, "BENDSENS", "0"},
    ControlRow{0x0105, P::Top, K::Slider, 8, 168, 16383, "PITCHBEND", "0"},
    ControlRow{0x0106, P::Top, K::Slider, 264, 168, 127, "MODULATION", "0"},
    ControlRow{0x0107, P::Top, K::Slider, 8, 192, 127, "VOLUME", "0"},
    ControlRow{0x0108, P::Top, K::Slider, 264, 192, 127, "PAN", "0"},
    ControlRow{0x0109, P::Top, K::Slider, 8, 216, 127, "EXPRESSION", "0"},
    // Tone page: tone preset section.
    ControlRow{0x1000, P::Tone, K::MenuButton, 8, 2, 0, "TONE PRESET", ""},
    ControlRow{0x1001, P::Tone, K::Slider, 8, 24, 255, "PRESET NUM", "0"},
    ControlRow{0x1002, P::Tone, K::NameField, 264, 24, 0, "TONE NAME", "preset Name"},
    ControlRow{0x1003, P::Tone, K::OptionMenu, 8, 48, 3, "STRC", ""},
    ControlRow{0x1004, P::Tone, K::Slider, 8, 72, 127, "KEY", "0"},
    ControlRow{0x1005, P::Tone, K::Slider, 8, 96, 127, "PAN", "0"},
    ControlRow{0x1006, P::Tone, K::Slider, 8, 120, 16383, "LFO FREQ", "0"},
    ControlRow{0x1007, P::Tone, K::Slider, 8, 144, 15, "LMS", "0"},
    ControlRow{0x1008, P::Tone, K::Slider, 8, 168, 16383, "TUNE", "0"},
    ControlRow{0x1009, P::Tone, K::Slider, 8, 192, 127, "WAVE", "0"},
    ControlRow{0x100A, P::Tone, K::Slider, 264, 48, 127, "TL", "0"},
    ControlRow{0x100B, P::Tone, K::Slider, 264, 72, 127, "AR", "0"},
    ControlRow{0x100C, P::Tone, K::Slider, 264, 96, 127, "DR", "0"},
    ControlRow{0x100D, P::Tone, K::Slider, 264, 120, 127, "SL", "0"},
    ControlRow{0x100E, P::Tone, K::Slider, 264, 144, 127, "RR", "0"},
    ControlRow{0x100F, P::Tone, K::Slider, 264, 168, 3, "KF", "0"},
    ControlRow{0x1010, P::Tone, K::Slider, 264, 192, 127, "KF START", "0"},
    // Tone page: wavetable editor.
    ControlRow{0x5000, P::Tone, K::MenuButton, 8, 218, 0, "WAVE TABLE EDITOR", ""},
    ControlRow{0x5001, P::Tone, K::Slider, 8, 240, 127, "TABLE NUM", "0"},
    ControlRow{kIdBarIndexLabel, P::Tone, K::ReadOnly, 264, 240, 0, "INDEX", "---"},
    ControlRow{kIdBarValueLabel, P::Tone, K::ReadOnly, 392, 240, 0, "VALUE", "---"},
    ControlRow{0x5010, P::Tone, K::Slider, 8, 432, 256, "WAVE SIZE", "0"},
    ControlRow{0x5011, P::Tone, K::Slider, 264, 432, 100, "LEVEL", "0"},
    // Sampler page: sampler preset section.
    ControlRow{0x2000, P::Sampler, K::MenuButton, 8, 2, 0, "SAMPLER PRESET", ""},
    ControlRow{0x2001, P::Sampler, K::Slider, 8, 24, 127, "KEY NUM", "0"},
    ControlRow{0x2002, P::Sampler, K::NameField, 264, 24, 0, "toneName", "preset Name"},
    ControlRow{0x2003, P::Sampler, K::Slider, 8, 48, 127, "SAMPLE NUM", "0"},
    ControlRow{0x2004, P::Sampler, K::Slider, 264, 48, 127, "PAN", "0"},
    ControlRow{0x2005, P::Sampler, K::Slider, 8, 72, 15, "OCTV", "0"},
    ControlRow{0x2006, P::Sampler, K::Slider, 264, 72, 16383, "TUNE", "0"},
    ControlRow{0x2007, P::Sampler, K::Slider, 8, 96, 127, "TL", "0"},
    ControlRow{0x2008, P::Sampler, K::Slider, 264, 96, 127, "AR", "0"},
    ControlRow{0x2009, P::Sampler, K::Slider, 8, 120, 127, "DR", "0"},
    ControlRow{0x200A, P::Sampler, K::Slider, 264, 120, 127, "SL", "0"},
    ControlRow{0x200B, P::Sampler, K::Slider, 8, 144, 127, "RR", "0"},
    // Sampler page: sample data section.
    ControlRow{0x3000, P::Sampler, K::MenuButton, 8, 170, 0, "SAMPLE DATA", ""},
    ControlRow{0x3001, P::Sampler, K::Slider, 8, 192, 127, "SAMPLE NUM", "0"},
    ControlRow{kIdSampleFramesLabel, P::Sampler, K::ReadOnly, 264, 192, 0, "SAMPLE FRAMES", "0"},
    ControlRow{kIdChannelCountLabel, P::Sampler, K::ReadOnly, 264, 216, 0, "CHANNEL COUNT", "0"},
    ControlRow{0x3004, P::Sampler, K::RawField, 264, 240, 0, "SAMPLE RATE (Hz)", "0.0"},
    ControlRow{0x3005, P::Sampler, K::RawField, 264, 264, 0, "PITCH (Hz)", "0.0"},
    ControlRow{kIdLoopableLabel, P::Sampler, K::ReadOnly, 264, 288, 0, "LOOPABLE", "false"},
    ControlRow{0x3007, P::Sampler, K::RawField, 8, 216, 0, "PLAYBACK START", "0"},
    ControlRow{0x3008, P::Sampler, K::RawField, 8, 240, 0, "PLAYBACK END", "0"},
    ControlRow{0x3009, P::Sampler, K::RawField, 8, 264, 0, "LOOP START", "0"},
    ControlRow{0x300A, P::Sampler, K::RawField, 8, 288, 0, "LOOP END", "0"},
};

Rect rowRect(const ControlRow& row, int left, int width)
{
    return {row.x + left, row.y + 1, row.x + left + width, row.y + 1 + kControlHeight};
}

} // namespace

std::span<const ControlRow> controlRows() { return kRows; }

const ControlRow* findControlRow(int id)
{
    for (const auto& row : kRows)
        if (row.id == id)
            return &row;
    return nullptr;
}

Rect sliderRect(const ControlRow& row) { return rowRect(row, 161, 94); }

Rect valueFieldRect(const ControlRow& row)
{
    switch (row.kind) {
    case ControlKind::Slider:
        // Wide enough for a whole "%f" text such as "-46.020600"; the two system
        // rows show their unit left of the field.
        return rowRect(row, 97, 64);
    case ControlKind::OptionMenu:
        return rowRect(row, 97, 142);
    case ControlKind::NameField:
        return rowRect(row, 97, 160);
    case ControlKind::RawField:
        return rowRect(row, 129, row.x < 264 ? 128 : 96);
    case ControlKind::ReadOnly:
        if (row.id == kIdBarIndexLabel || row.id == kIdBarValueLabel)
            return rowRect(row, 65, 64);
        return rowRect(row, 129, 128);
    case ControlKind::MenuButton:
        break;
    }
    return {};
}

Rect labelRect(const ControlRow& row)
{
    const Rect field = valueFieldRect(row);
    if (row.kind == ControlKind::MenuButton)
        return {row.x + 34, row.y, row.x + 250, row.y + 20};
    return {row.x, row.y + 1, field.left, row.y + 1 + kControlHeight};
}

Rect menuButtonRect(const ControlRow& row) { return {row.x, row.y, row.x + 28, row.y + 20}; }

Point popupMenuPoint(int section)
{
    switch (section) {
    case kSectionSystem: return {8, 72};
    case kSectionPart: return {8, 120};
    case kSectionTone: return {8, 264};
    case kSectionSampler: return {8, 264};
    case kSectionSampleData: return {8, 432};
    case kSectionWaveTable: return {8, 480};
    default: return {8, 72};
    }
}

} // namespace kest::tolvane::editor
