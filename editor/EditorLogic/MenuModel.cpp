// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/MenuModel.h"

#include "EditorLogic/EditorIds.h"
#include "EditorLogic/Zoom.h"

#include <array>

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
    send("System Reset", 0x0081),
    MenuEntryDef{"Polyphony", A::None, 0, 0x0090, true},
    send("Recieve sysEx", 0x0083),
    send("NRPN Controlle", 0x0084),
    MenuEntryDef{"Zoom", A::None, 0, kIdZoomMenu, false},
};
// In the order of ZoomChoice: the entry's index is the menu's value.
constexpr std::array kZoomMenu = {
    zoom("As Host", kZoomAsHost), zoom("100 %", kZoom100), zoom("150 %", kZoom150), zoom("200 %", kZoom200),
};
constexpr std::array kPolyphonyMenu = {
    choice("4"), choice("8"), choice("16"), choice("32"), choice("64"),
    choice("128"), choice("256"), choice("512"), choice("1024"),
};
constexpr std::array kPartMenu = {
    send("Reset Part", 0x0181),
    kSeparator,
    send("Reset All Controller", 0x0182),
    kSeparator,
    send("All Sound Off", 0x0183),
    MenuEntryDef{"OutPut", A::None, 0, 0x0190, false},
};
constexpr std::array kOutputMenu = {
    choice("Out 1 [Main]"), choice("Out 2"), choice("Out 3"), choice("Out 4"),
    choice("Out 5"), choice("Out 6"), choice("Out 7"), choice("Out 8"),
    choice("Out 9"), choice("Out 10"), choice("Out 11"), choice("Out 12"),
    choice("Out 13"), choice("Out 14"), choice("Out 15"), choice("Out 16"),
};
constexpr std::array kToneMenu = {
    send("Reset Preset", 0x1081),
    import("Import Presets", 0x1100),
    exportTo("Export Presets", 0x9100),
    exportTo("Export SysEx Text", 0x9300),
};
constexpr std::array kSamplerMenu = {
    send("Reset Preset", 0x2081),
    import("Import Presets", 0x1200),
    exportTo("Export Presets", 0x9200),
    exportTo("Export SysEx Text", 0x9400),
};
constexpr std::array kSampleDataMenu = {
    send("Clear SampleData", 0x3081),
    import("Import WAV File", 0x2100),
    import("Import WAV File (DPCM enocode)", 0x2200),
    import("Import WAV File (ADPCM encode)", 0x2300),
    import("Import SampleData Parameters", 0x1500),
    kSeparator,
    exportTo("Export SampleData Parameters", 0x9500),
};
constexpr std::array kWaveTableMenu = {
    MenuEntryDef{"Table Size", A::None, 0, 0x5090, false},
    MenuEntryDef{"Bit Depth", A::None, 0, 0x50A0, false},
    kSeparator,
    import("Import WaveTable Presets", 0x1600),
    exportTo("Export WaveTable Presets", 0x9600),
    kSeparator,
    exportTo("Export WaveTable SysEx", 0x9700),
};
constexpr std::array kTableSizeMenu = {choice("8"), choice("16"), choice("32"), choice("64"), choice("128")};
constexpr std::array kBitDepthMenu = {
    choice("1"), choice("2"), choice("3"), choice("4"), choice("5"), choice("6"), choice("7"), choice("8"),
};

const std::array kMenus = {
    MenuDef{0x0080, MenuCheckStyle::MultipleCheck, kSystemMenu},
    MenuDef{0x0090, MenuCheckStyle::CheckCurrent, kPolyphonyMenu},
    MenuDef{kIdZoomMenu, MenuCheckStyle::CheckCurrent, kZoomMenu},
    MenuDef{0x0180, MenuCheckStyle::None, kPartMenu},
    MenuDef{0x0190, MenuCheckStyle::CheckCurrent, kOutputMenu},
    MenuDef{0x1080, MenuCheckStyle::None, kToneMenu},
    MenuDef{0x2080, MenuCheckStyle::None, kSamplerMenu},
    MenuDef{0x3080, MenuCheckStyle::None, kSampleDataMenu},
    MenuDef{0x5080, MenuCheckStyle::None, kWaveTableMenu},
    MenuDef{0x5090, MenuCheckStyle::CheckCurrent, kTableSizeMenu},
    MenuDef{0x50A0, MenuCheckStyle::CheckCurrent, kBitDepthMenu},
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
        return {A::SendValue, entry->code, 0.0f, menu->style == MenuCheckStyle::MultipleCheck && entry->code == 0x0081};
    case A::SendIndex:
        return {A::SendIndex, menu->id, static_cast<float>(index) / static_cast<float>(menuEntryCount(*menu) - 1), false};
    case A::ImportFile:
    case A::ExportFile:
    case A::SetZoom:
        return {entry->action, entry->code, 0.0f, false};
    case A::None:
        break;
    }
    return {};
}

} // namespace kest::tolvane::editor
