// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/MenuModel.h"

#include "EditorLogic/EditorIds.h"
#include "EditorLogic/Zoom.h"

#include <array>
#include <string>

namespace kest::tolvane::editor {

namespace {

using A = MenuActionKind;

constexpr MenuEntryDef kSeparator{nullptr, A::None, 0, 0, false};

constexpr MenuEntryDef send(const char* title, int id) { return {title, A::SendValue, id, 0, false}; }
constexpr MenuEntryDef import(const char* title, int code) { return {title, A::ImportFile, code, 0, false}; }
constexpr MenuEntryDef exportTo(const char* title, int code) { return {title, A::ExportFile, code, 0, false}; }
constexpr MenuEntryDef choice(const char* title) { return {title, A::SendIndex, 0, 0, false}; }
constexpr MenuEntryDef zoom(const char* title, int zoomChoice) { return {title, A::SetZoom, zoomChoice, 0, false}; }

constexpr std::array kSystemMenu = {
    send("System Reset", ids::system::kReset),
    MenuEntryDef{"Polyphony", A::None, 0, ids::system::kPolyphonyMenu, true},
    send("Recieve sysEx", ids::system::kReceiveSysEx),
    send("NRPN Controlle", ids::system::kNrpn),
    send("Store samples in the project", ids::system::kStoreSamples),
    MenuEntryDef{"Zoom", A::None, 0, ids::system::kZoomMenu, false},
    kSeparator,
    // Says why Polyphony is greyed, and what it is now (the editor keeps it current).
    MenuEntryDef{"128 voices, set by a preset or project", A::None, 0, 0, true},
};
// In the order of ZoomChoice: the entry's index is the menu's value.
constexpr std::array kZoomMenu = {
    zoom("As Host", kZoomAsHost),
    zoom("100 %", kZoom100),
    zoom("150 %", kZoom150),
    zoom("200 %", kZoom200),
};
constexpr std::array kPolyphonyMenu = {
    choice("4"),   choice("8"),   choice("16"),  choice("32"),   choice("64"),
    choice("128"), choice("256"), choice("512"), choice("1024"),
};
constexpr std::array kPartMenu = {
    send("Reset Part", ids::part::kReset),
    kSeparator,
    send("Reset All Controller", ids::part::kResetControllers),
    kSeparator,
    send("All Sound Off", ids::part::kAllSoundOff),
    MenuEntryDef{"OutPut", A::None, 0, ids::part::kOutputMenu, false},
    kSeparator,
    MenuEntryDef{"Play\xE2\x80\xA6", A::OpenPlayPanel, 0, 0, false},
};
constexpr std::array kOutputMenu = {
    choice("Out 1 [Main]"), choice("Out 2"),  choice("Out 3"),  choice("Out 4"),  choice("Out 5"),  choice("Out 6"),
    choice("Out 7"),        choice("Out 8"),  choice("Out 9"),  choice("Out 10"), choice("Out 11"), choice("Out 12"),
    choice("Out 13"),       choice("Out 14"), choice("Out 15"), choice("Out 16"),
};
constexpr std::array kToneMenu = {
    send("Reset Preset", ids::tone::kReset),
    import("Import Presets", ids::file::kImportToneText),
    exportTo("Export Presets", ids::file::kExportToneText),
    exportTo("Export SysEx Text", ids::file::kExportToneSysEx),
};
constexpr std::array kSequenceMenu = {
    send("Clear Sequence", ids::sequence::kClear),
    send("Clear All Sequences", ids::sequence::kClearAll),
};
constexpr std::array kSamplerMenu = {
    send("Reset Preset", ids::sampler::kReset),
    import("Import Presets", ids::file::kImportSamplerText),
    exportTo("Export Presets", ids::file::kExportSamplerText),
    exportTo("Export SysEx Text", ids::file::kExportSamplerSysEx),
};
constexpr std::array kSampleDataMenu = {
    send("Clear SampleData", ids::sampleData::kClear),
    import("Import WAV File", ids::file::kImportWavPcm),
    import("Import WAV File (DPCM enocode)", ids::file::kImportWavDpcm),
    import("Import WAV File (ADPCM encode)", ids::file::kImportWavAdpcm),
    import("Import SampleData Parameters", ids::file::kImportSampleDataText),
    kSeparator,
    exportTo("Export SampleData Parameters", ids::file::kExportSampleDataText),
};
constexpr std::array kWaveTableMenu = {
    MenuEntryDef{"Table Size", A::None, 0, ids::waveTable::kSizeMenu, false},
    MenuEntryDef{"Bit Depth", A::None, 0, ids::waveTable::kBitDepthMenu, false},
    kSeparator,
    import("Import WaveTable Presets", ids::file::kImportWaveTableText),
    exportTo("Export WaveTable Presets", ids::file::kExportWaveTableText),
    kSeparator,
    exportTo("Export WaveTable SysEx", ids::file::kExportWaveTableSysEx),
};
constexpr std::array kTableSizeMenu = {choice("8"), choice("16"), choice("32"), choice("64"), choice("128")};
constexpr std::array kBitDepthMenu = {
    choice("1"), choice("2"), choice("3"), choice("4"), choice("5"), choice("6"), choice("7"), choice("8"),
};

const std::array kMenus = {
    MenuDef{ids::system::kPopupMenu, MenuCheckStyle::MultipleCheck, kSystemMenu},
    MenuDef{ids::system::kPolyphonyMenu, MenuCheckStyle::CheckCurrent, kPolyphonyMenu},
    MenuDef{ids::system::kZoomMenu, MenuCheckStyle::CheckCurrent, kZoomMenu},
    MenuDef{ids::part::kPopupMenu, MenuCheckStyle::None, kPartMenu},
    MenuDef{ids::part::kOutputMenu, MenuCheckStyle::CheckCurrent, kOutputMenu},
    MenuDef{ids::tone::kPopupMenu, MenuCheckStyle::None, kToneMenu},
    MenuDef{ids::sequence::kPopupMenu, MenuCheckStyle::None, kSequenceMenu},
    MenuDef{ids::sampler::kPopupMenu, MenuCheckStyle::None, kSamplerMenu},
    MenuDef{ids::sampleData::kPopupMenu, MenuCheckStyle::None, kSampleDataMenu},
    MenuDef{ids::waveTable::kPopupMenu, MenuCheckStyle::None, kWaveTableMenu},
    MenuDef{ids::waveTable::kSizeMenu, MenuCheckStyle::CheckCurrent, kTableSizeMenu},
    MenuDef{ids::waveTable::kBitDepthMenu, MenuCheckStyle::CheckCurrent, kBitDepthMenu},
};

} // namespace

std::span<const MenuDef> menuDefs() { return kMenus; }

const MenuDef* findMenuDef(int menuId)
{
    for (const auto& menu : kMenus)
        if (menu.id == menuId)
            return &menu;
    return nullptr;
}

std::string voicesNote(int polyphony) { return std::to_string(polyphony) + " voices, set by a preset or project"; }

int menuEntryCount(const MenuDef& menu)
{
    int count = 0;
    for (const auto& entry : menu.entries)
        count += entry.title != nullptr;
    return count;
}

const MenuEntryDef* menuEntry(const MenuDef& menu, int index)
{
    for (const auto& entry : menu.entries) {
        if (entry.title == nullptr)
            continue;
        if (index-- == 0)
            return &entry;
    }
    return nullptr;
}

MenuAction menuChoice(int menuId, int entryId)
{
    const MenuDef* menu = findMenuDef(menuId);
    if (menu == nullptr)
        return {};
    const int index = entryId - menuId - 1;
    const MenuEntryDef* entry = menuEntry(*menu, index);
    if (entry == nullptr)
        return {};
    switch (entry->action) {
    case A::SendValue:
        // "System Reset" is a command, not a setting: its mark never stays.
        return {A::SendValue, entry->code, 0.0f,
                menu->style == MenuCheckStyle::MultipleCheck && entry->code == ids::system::kReset};
    case A::SendIndex:
        return {A::SendIndex, menu->id, static_cast<float>(index) / static_cast<float>(menuEntryCount(*menu) - 1),
                false};
    case A::ImportFile:
    case A::ExportFile:
    case A::SetZoom:
    case A::OpenPlayPanel: return {entry->action, entry->code, 0.0f, false};
    case A::None: break;
    }
    return {};
}

} // namespace kest::tolvane::editor
