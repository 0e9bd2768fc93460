// SPDX-License-Identifier: GPL-3.0-or-later
// The views of an open editor window, shared by the editor's source files.
#pragma once

#include "TolvaneVSTGUIEditor.h"
#include "WaveEdit.h"

#include "vstgui/lib/cfont.h"
#include "vstgui/lib/clayeredviewcontainer.h"
#include "vstgui/lib/controls/coptionmenu.h"
#include "vstgui/lib/controls/cslider.h"
#include "vstgui/lib/controls/ctextedit.h"
#include "vstgui/lib/controls/ctextlabel.h"

#include <array>
#include <map>
#include <string>

namespace Steinberg::Vst {

// Shows `value` on a control, which is redrawn only when what it shows changes.
inline void showNormalized(VSTGUI::CControl* control, float value)
{
    const float before = control->getValue();
    control->setValueNormalized(value);
    if (control->getValue() != before)
        control->invalid();
}

struct TolvaneVSTGUIEditor::Views {
    VSTGUI::CViewContainer* top = nullptr;
    VSTGUI::CLayeredViewContainer* lower = nullptr;
    VSTGUI::CLayeredViewContainer* tonePage = nullptr;
    VSTGUI::CLayeredViewContainer* samplerPage = nullptr;
    VSTGUI::CLayeredViewContainer* sequencesPage = nullptr;
    VSTGUI::CLayeredViewContainer* aboutOverlay = nullptr;
    // The PLAY panel: the shaded lower area, the sheet in it, the part's
    // number on the sheet's title bar and its three play mode buttons.
    VSTGUI::CViewContainer* playPanel = nullptr;
    VSTGUI::CTextLabel* playPartLabel = nullptr;
    std::array<VSTGUI::CControl*, 3> playModeButtons{};
    kest::tolvane::editor::WaveEdit* waveEdit = nullptr;
    kest::tolvane::editor::SequenceEdit* sequenceEdit = nullptr;
    std::array<VSTGUI::CControl*, 4> sequenceKindButtons{};
    VSTGUI::CTextLabel* sequenceToneLabel = nullptr; // the tone's number and name on the SEQUENCES bar
    // Why an import refused its file, one label on each page (hidden when empty).
    VSTGUI::CTextLabel* toneNotice = nullptr;
    VSTGUI::CTextLabel* samplerNotice = nullptr;
    VSTGUI::CTextLabel* sequencesNotice = nullptr;

    // Every control by its full tag (kTagControl / kTagValueText | id); the
    // read-only labels by their table id.
    std::map<int, VSTGUI::CControl*> controls;
    std::map<int, VSTGUI::CTextLabel*> labels;
    // Pop-up menus and sub-menus by 16-bit id; owned here, never in a container.
    std::map<int, VSTGUI::COptionMenu*> menus;

    VSTGUI::SharedPointer<VSTGUI::CFontDesc> font;

    ~Views();

    VSTGUI::CControl* control(int tag) const;
    VSTGUI::CSlider* slider(int id) const;
    VSTGUI::CTextLabel* textOf(int tag) const; // value fields and text edits are labels too
    VSTGUI::COptionMenu* optionMenu(int id) const;
    VSTGUI::COptionMenu* menu(int id) const;
};

} // namespace Steinberg::Vst
