// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's seven pop-up menus and five sub-menus as data, and what a choice
// in them does.
#pragma once

#include <span>
#include <string>

namespace kest::tolvane::editor {

enum class MenuCheckStyle {
    None,          // no check marks
    MultipleCheck, // every entry shows its own check mark, set by the program
    CheckCurrent,  // the entry whose index equals the menu's value is checked
};

enum class MenuActionKind {
    None,          // an entry that only holds a sub-menu
    SendValue,     // value change (id, 0)
    SendIndex,     // sub-menu choice: value change (menu id, index / (entries - 1))
    ImportFile,    // open an import selector for the file action code
    ExportFile,    // open an export selector for the file action code
    SetZoom,       // the editor's own zoom setting; code is the ZoomChoice
    OpenPlayPanel, // the editor's PLAY panel for the current part
};

struct MenuEntryDef {
    const char* title; // nullptr marks a separator
    MenuActionKind action;
    int code;      // value id or file action code
    int subMenuId; // 16-bit id of the sub-menu the entry holds, 0 for none
    bool disabled;
};

struct MenuDef {
    int id; // 16-bit: 0xPP80 pop-up, 0xPP90 / 0xPPA0 sub-menu
    MenuCheckStyle style;
    std::span<const MenuEntryDef> entries;
};

std::span<const MenuDef> menuDefs();
const MenuDef* findMenuDef(int menuId);
// Entries that are not separators, in order; entry n has the tag id + n + 1.
int menuEntryCount(const MenuDef& menu);
const MenuEntryDef* menuEntry(const MenuDef& menu, int index);

struct MenuAction {
    MenuActionKind kind = MenuActionKind::None;
    int code = 0;            // value id, file action code or zoom choice
    float value = 0.0f;      // for value changes
    bool clearCheck = false; // clear the chosen entry's check mark afterwards
};

// What choosing the entry with 16-bit tag `entryId` in menu `menuId` does.
MenuAction menuChoice(int menuId, int entryId);

// The SYNTH menu's last entry, greyed like Polyphony above it: the voice
// count, which comes with the sound (a preset, a saved project, the
// renderer's --polyphony) and is not changed in the editor, where a new voice
// pool would end every sounding note at once.
std::string voicesNote(int polyphony);

} // namespace kest::tolvane::editor
