// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlTable.h"

#include "EditorLogic/EditorIds.h"
#include "RecordFields.h"

#include <array>

namespace kest::tolvane::editor {

namespace {

// Where the title bars' line ends, or their page tab begins.
constexpr int kNoticeRight = 520;
constexpr int kNoticeRightOfTabBar = kPageTabRect.left - 4;

using K = ControlKind;
using P = Page;

constexpr std::array kRows = {
    // Top section.
    ControlRow{ids::system::kMenuButton, P::Top, K::MenuButton, 8, 50, 0, "SYNTH", ""},
    ControlRow{ids::system::kMasterVolume, P::Top, K::Slider, 8, 72, 200, "MAIN VOLUME", "0"},
    ControlRow{ids::system::kMasterTune, P::Top, K::Slider, 264, 72, 800, "REF PITCH", "0"},
    ControlRow{ids::part::kMenuButton, P::Top, K::MenuButton, 8, 98, 0, "PART", ""},
    ControlRow{ids::part::kSelect, P::Top, K::OptionMenu, 8, 120, 15, "PART", ""},
    ControlRow{ids::part::kMode, P::Top, K::OptionMenu, 264, 120, 3, "MODE", ""},
    ControlRow{ids::part::kProgram, P::Top, K::Slider, 8, 144, 127, "PROGRAM", "0"},
    ControlRow{ids::part::kBendRange, P::Top, K::Slider, 264, 144, 127, "BENDSENS", "0"},
    ControlRow{ids::part::kPitchBend, P::Top, K::Slider, 8, 168, 16383, "PITCHBEND", "0"},
    ControlRow{ids::part::kModulation, P::Top, K::Slider, 264, 168, 127, "MODULATION", "0"},
    ControlRow{ids::part::kVolume, P::Top, K::Slider, 8, 192, 127, "VOLUME", "0"},
    ControlRow{ids::part::kPan, P::Top, K::Slider, 264, 192, 127, "PAN", "0"},
    ControlRow{ids::part::kExpression, P::Top, K::Slider, 8, 216, 127, "EXPRESSION", "0"},
    // Tone page: tone preset section.
    ControlRow{ids::tone::kMenuButton, P::Tone, K::MenuButton, 8, 2, 0, "TONE PRESET", ""},
    ControlRow{ids::tone::kSelect, P::Tone, K::Slider, 8, 24, 255, "PRESET NUM", "0"},
    ControlRow{ids::tone::kName, P::Tone, K::NameField, 264, 24, 0, "TONE NAME", "preset Name"},
    ControlRow{ids::tone::kStrc, P::Tone, K::OptionMenu, 8, 48, 3, "STRC", ""},
    ControlRow{ids::tone::kKey, P::Tone, K::Slider, 8, 72, 127, "KEY", "0"},
    ControlRow{ids::tone::kPan, P::Tone, K::Slider, 8, 96, 127, "PAN", "0"},
    ControlRow{ids::tone::kLfoFreq, P::Tone, K::Slider, 8, 120, 16383, "LFO FREQ", "0"},
    ControlRow{ids::tone::kLms, P::Tone, K::Slider, 8, 144, 15, "LMS", "0"},
    ControlRow{ids::tone::kTune, P::Tone, K::Slider, 8, 168, 16383, "TUNE", "0"},
    ControlRow{ids::tone::kWave, P::Tone, K::Slider, 8, 192, 127, "WAVE", "0"},
    ControlRow{ids::tone::kTl, P::Tone, K::Slider, 264, 48, 127, "TL", "0"},
    ControlRow{ids::tone::kAr, P::Tone, K::Slider, 264, 72, 127, "AR", "0"},
    ControlRow{ids::tone::kDr, P::Tone, K::Slider, 264, 96, 127, "DR", "0"},
    ControlRow{ids::tone::kSl, P::Tone, K::Slider, 264, 120, 127, "SL", "0"},
    ControlRow{ids::tone::kRr, P::Tone, K::Slider, 264, 144, 127, "RR", "0"},
    ControlRow{ids::tone::kKf, P::Tone, K::Slider, 264, 168, 3, "KF", "0"},
    ControlRow{ids::tone::kKfStart, P::Tone, K::Slider, 264, 192, 127, "KF START", "0"},
    // Tone page: wavetable editor.
    ControlRow{ids::waveTable::kMenuButton, P::Tone, K::MenuButton, 8, 218, 0, "WAVE TABLE EDITOR", ""},
    ControlRow{ids::waveTable::kSelect, P::Tone, K::Slider, 8, 240, 127, "TABLE NUM", "0"},
    ControlRow{ids::waveTable::kBarIndexLabel, P::Tone, K::ReadOnly, 264, 240, 0, "INDEX", "---"},
    ControlRow{ids::waveTable::kBarValueLabel, P::Tone, K::ReadOnly, 392, 240, 0, "VALUE", "---"},
    ControlRow{ids::waveTable::kGeneratorPeriod, P::Tone, K::Slider, 8, 432, 256, "WAVE SIZE", "0"},
    ControlRow{ids::waveTable::kGeneratorLevel, P::Tone, K::Slider, 264, 432, 100, "LEVEL", "0"},
    // Sampler page: sampler preset section.
    ControlRow{ids::sampler::kMenuButton, P::Sampler, K::MenuButton, 8, 2, 0, "SAMPLER PRESET", ""},
    ControlRow{ids::sampler::kSelect, P::Sampler, K::Slider, 8, 24, 127, "KEY NUM", "0"},
    ControlRow{ids::sampler::kName, P::Sampler, K::NameField, 264, 24, 0, "toneName", "preset Name"},
    ControlRow{ids::sampler::kSampleNumber, P::Sampler, K::Slider, 8, 48, 127, "SAMPLE NUM", "0"},
    ControlRow{ids::sampler::kPan, P::Sampler, K::Slider, 264, 48, 127, "PAN", "0"},
    ControlRow{ids::sampler::kOctave, P::Sampler, K::Slider, 8, 72, 15, "OCTV", "0"},
    ControlRow{ids::sampler::kTune, P::Sampler, K::Slider, 264, 72, 16383, "TUNE", "0"},
    ControlRow{ids::sampler::kTl, P::Sampler, K::Slider, 8, 96, 127, "TL", "0"},
    ControlRow{ids::sampler::kAr, P::Sampler, K::Slider, 264, 96, 127, "AR", "0"},
    ControlRow{ids::sampler::kDr, P::Sampler, K::Slider, 8, 120, 127, "DR", "0"},
    ControlRow{ids::sampler::kSl, P::Sampler, K::Slider, 264, 120, 127, "SL", "0"},
    ControlRow{ids::sampler::kRr, P::Sampler, K::Slider, 8, 144, 127, "RR", "0"},
    // Sampler page: sample data section.
    ControlRow{ids::sampleData::kMenuButton, P::Sampler, K::MenuButton, 8, 170, 0, "SAMPLE DATA", ""},
    ControlRow{ids::sampleData::kSelect, P::Sampler, K::Slider, 8, 192, 127, "SAMPLE NUM", "0"},
    ControlRow{ids::sampleData::kFramesLabel, P::Sampler, K::ReadOnly, 264, 192, 0, "SAMPLE FRAMES", "0"},
    ControlRow{ids::sampleData::kChannelCountLabel, P::Sampler, K::ReadOnly, 264, 216, 0, "CHANNEL COUNT", "0"},
    ControlRow{ids::sampleData::kSourceRate, P::Sampler, K::RawField, 264, 240, 0, "SAMPLE RATE (Hz)", "0.0"},
    ControlRow{ids::sampleData::kPitch, P::Sampler, K::RawField, 264, 264, 0, "PITCH (Hz)", "0.0"},
    ControlRow{ids::sampleData::kLoopableLabel, P::Sampler, K::ReadOnly, 264, 288, 0, "LOOPABLE", "false"},
    ControlRow{ids::sampleData::kPlaybackStart, P::Sampler, K::RawField, 8, 216, 0, "PLAYBACK START", "0"},
    ControlRow{ids::sampleData::kPlaybackEnd, P::Sampler, K::RawField, 8, 240, 0, "PLAYBACK END", "0"},
    ControlRow{ids::sampleData::kLoopStart, P::Sampler, K::RawField, 8, 264, 0, "LOOP START", "0"},
    ControlRow{ids::sampleData::kLoopEnd, P::Sampler, K::RawField, 8, 288, 0, "LOOP END", "0"},
    // Sequences page: the current tone's sequence of the chosen kind (plain
    // values: a slider spans min to min + steps).
    ControlRow{ids::sequence::kMenuButton, P::Sequences, K::MenuButton, 8, 2, 0, "SEQUENCES", ""},
    ControlRow{ids::sequence::kMode, P::Sequences, K::OptionMenu, 264, 24, 1, "MODE", ""},
    ControlRow{ids::sequence::kLength, P::Sequences, K::Slider, 8, 48, 64, "LENGTH", "0"},
    ControlRow{ids::sequence::kStepTicks, P::Sequences, K::Slider, 264, 48, 15, "TICKS/STEP", "1", 1},
    ControlRow{ids::sequence::kDelay, P::Sequences, K::Slider, 8, 72, 255, "DELAY", "0"},
    ControlRow{ids::sequence::kRange, P::Sequences, K::OptionMenu, 264, 72, 0, "RANGE", ""},
    ControlRow{ids::sequence::kNotation, P::Sequences, K::TextField, 8, 96, 0, "NOTATION", ""},
    ControlRow{ids::sequence::kLfoTitle, P::Sequences, K::TitleBar, 8, 338, 0, "LFO TIMING AND TICK CLOCK", ""},
    ControlRow{ids::sequence::kLfoDelay, P::Sequences, K::Slider, 8, 360, 255, "LFO DELAY", "0"},
    ControlRow{ids::sequence::kLfoFade, P::Sequences, K::Slider, 264, 360, 255, "LFO FADE", "0"},
    ControlRow{ids::sequence::kLfoDepth, P::Sequences, K::Slider, 8, 384, 127, "LFO DEPTH", "0"},
    ControlRow{ids::sequence::kTickRate, P::Sequences, K::Slider, 264, 384, 239, "TICK RATE", "60", 1},
    ControlRow{ids::sequence::kTickLengthLabel, P::Sequences, K::ReadOnly, 8, 408, 0, "TICK LENGTH", ""},
    // The PLAY panel: the current part's stored play (plain values on a
    // slider span min to min + steps, as on the sequences page).
    ControlRow{playPanel::kTitle, P::Play, K::TitleBar, 8, 2, 0, "PLAY", ""},
    ControlRow{playPanel::kModeRow, P::Play, K::Buttons, 8, 24, 2, "PLAY MODE", ""},
    ControlRow{ids::part::kPortamentoTime, P::Play, K::Slider, 264, 24, 127, "PORTAMENTO", "0"},
    ControlRow{playPanel::kGlideTime, P::Play, K::ReadOnly, 264, 48, 0, "GLIDE TIME", ""},
    ControlRow{playPanel::kArpTitle, P::Play, K::TitleBar, 8, 76, 0, "ARPEGGIATOR", ""},
    ControlRow{ids::part::kArpPattern, P::Play, K::OptionMenu, 8, 98, 5, "PATTERN", ""},
    ControlRow{ids::part::kArpOctaves, P::Play, K::Slider, 264, 98, 3, "OCTAVES", "1", 1},
    ControlRow{ids::part::kArpNoteValue, P::Play, K::OptionMenu, 8, 122, 7, "NOTE VALUE", ""},
    ControlRow{ids::part::kArpRate, P::Play, K::Slider, 264, 122, 15, "RATE (TICKS)", "1", 1},
    ControlRow{ids::part::kArpRetrigger, P::Play, K::Toggle, 8, 146, 1, "RETRIGGER", ""},
};

// Every field of a record's table has its control, whose steps span the field's range.
template <typename Record> constexpr bool controlsSpanTheFields(int page)
{
    for (const auto& field : synth::fieldsOf<Record>()) {
        bool spans = false;
        for (const ControlRow& row : kRows)
            if (row.id == ids::valueId(page, field.valueItem))
                spans = row.steps == field.mask;
        if (!spans)
            return false;
    }
    return true;
}
static_assert(controlsSpanTheFields<synth::TonePreset>(ids::page::kTone));
static_assert(controlsSpanTheFields<synth::SamplerPreset>(ids::page::kSampler));

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
        // Wide enough for "-46.02" dB and "16383"; the two system rows show
        // their unit left of the field.
        return rowRect(row, 97, 64);
    case ControlKind::OptionMenu:
    case ControlKind::Buttons: return rowRect(row, 97, 142);
    case ControlKind::Toggle: return rowRect(row, 97, 64);
    case ControlKind::NameField: return rowRect(row, 97, 160);
    case ControlKind::RawField: return rowRect(row, 129, row.x < 264 ? 128 : 96);
    case ControlKind::ReadOnly:
        if (row.id == ids::waveTable::kBarIndexLabel || row.id == ids::waveTable::kBarValueLabel)
            return rowRect(row, 65, 64);
        if (row.id == ids::sequence::kTickLengthLabel)
            return rowRect(row, 97, 200);
        return rowRect(row, 129, 128);
    case ControlKind::TextField: return rowRect(row, 97, 414);
    case ControlKind::MenuButton:
    case ControlKind::TitleBar: break;
    }
    return {};
}

Rect labelRect(const ControlRow& row)
{
    const Rect field = valueFieldRect(row);
    if (row.kind == ControlKind::MenuButton || row.kind == ControlKind::TitleBar)
        return {row.x + 34, row.y, row.x + 250, row.y + 20};
    return {row.x, row.y + 1, field.left, row.y + 1 + kControlHeight};
}

Rect menuButtonRect(const ControlRow& row) { return {row.x, row.y, row.x + 28, row.y + 20}; }

Rect playModeButtonRect(int mode)
{
    constexpr int kGap = 2;
    const Rect row = valueFieldRect(*findControlRow(playPanel::kModeRow));
    const int width = (row.width() - kGap * (kPlayModeCount - 1)) / kPlayModeCount;
    const int left = row.left + mode * (width + kGap);
    return {left, row.top, left + width, row.bottom};
}

Point popupMenuPoint(int section)
{
    switch (section) {
    case ids::page::kSystem: return {8, 72};
    case ids::page::kPart: return {8, 120};
    case ids::page::kTone: return {8, 264};
    case ids::page::kSampler: return {8, 264};
    case ids::page::kSampleData: return {8, 432};
    case ids::page::kWaveTable: return {8, 480};
    case ids::page::kSequence: return {8, 264};
    default: return {8, 72};
    }
}

std::optional<NoticePlace> noticePlace(int fileAction)
{
    // The section's menu button, and where the line after its title (drawn
    // into the artwork) begins: the notice covers that line.
    struct Section {
        int menuButton;
        int lineStart;
    };
    Section section{};
    switch (ids::file::actionOf(fileAction)) {
    case ids::file::kImportToneText: section = {ids::tone::kMenuButton, 140}; break;
    case ids::file::kImportSamplerText: section = {ids::sampler::kMenuButton, 165}; break;
    case ids::file::kImportWaveTableText: section = {ids::waveTable::kMenuButton, 186}; break;
    case ids::file::kImportSampleDataText:
    case ids::file::kImportWavPcm:
    case ids::file::kImportWavDpcm:
    case ids::file::kImportWavAdpcm: section = {ids::sampleData::kMenuButton, 144}; break;
    default: return std::nullopt;
    }
    const ControlRow* row = findControlRow(section.menuButton);
    if (row == nullptr)
        return std::nullopt;
    const Rect button = menuButtonRect(*row);
    const int right = section.menuButton == ids::tone::kMenuButton ? kNoticeRightOfTabBar : kNoticeRight;
    return NoticePlace{row->page, {section.lineStart, button.top, right, button.bottom}};
}

NoticePlace notationNoticePlace()
{
    const Rect button = menuButtonRect(*findControlRow(ids::sequence::kMenuButton));
    return {Page::Sequences, {kSequenceToneLabelRect.left, button.top, kNoticeRightOfTabBar, button.bottom}};
}

} // namespace kest::tolvane::editor
