// SPDX-License-Identifier: GPL-3.0-or-later
// What a user's edit of a control asks for, decided from the control's tag and
// value alone so that the editor's listener stays a plain switch.
#pragma once

#include <optional>

namespace kest::tolvane::editor {

enum class EditKind {
    Ignore,
    SendValue,        // value change (id, v)
    SendTypedNumber,  // value change (id, typed number converted)
    StoreToneName,    // write the name field into the current tone
    StoreSamplerName, // write the name field into the current sampler preset
    SendRawFloat,     // value change (id, field text as a decimal number)
    SendRawInteger,   // value change (id, field text as a base-10 integer)
    SendToolPress,    // value change (id, 0)
    OpenPopupMenu,    // section's menu button pressed
    MenuChoice,       // an entry of a pop-up menu or sub-menu was chosen
    ShowOverlay,
    HideOverlay,
    SendPlain,          // sequences page: value change (id, the row's plain value of the control)
    SendTypedPlain,     // sequences page: value change (id, the typed number held to the row's range)
    SelectSequenceKind, // a kind button: value change (sequence kind, the button's kind)
    SendNotation,       // the notation field: its steps and points, or the reason it is refused
    ChooseRange,        // the RANGE menu: the editor's own setting
    ShowSequencesPage,
    ShowTonePage,
    SelectPlayMode, // a PLAY panel mode button: value change (play mode, the button's mode)
    HidePlayPanel,  // its CLOSE button, or a click on the page below it
};

struct ControlEdit {
    EditKind kind = EditKind::Ignore;
    int id = 0; // 16-bit value id
};

ControlEdit classifyControlEdit(int tag, float value);

// Whether an edit changes the current tone (its fields, sequences or LFO
// timing): the editor first makes sure it lands on the tone it shows.
bool editsCurrentTone(int id);

// The controller's hidden parameter that mirrors a part value (PROGRAM,
// PITCHBEND, MODULATION, VOLUME, PAN, EXPRESSION), or nothing.
std::optional<unsigned> partParameterId(int id, int currentPart);

} // namespace kest::tolvane::editor
