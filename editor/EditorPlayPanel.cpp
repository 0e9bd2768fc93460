// SPDX-License-Identifier: GPL-3.0-or-later
// The PLAY panel: shown from the PART menu, closed by its CLOSE button, a
// click on the shaded page below it or Escape, and refreshed from the current
// part's stored play like the part section. Its edits are value changes like
// every other part value's.
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/PlayPanel.h"
#include "EditorLogic/ValueText.h"
#include "EditorViews.h"

#include "EngineContext.h"

#include "vstgui/lib/events.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace kest::tolvane::editor;

bool TolvaneVSTGUIEditor::isPlayPanelVisible() const { return views_ && views_->playPanel->isVisible(); }

void TolvaneVSTGUIEditor::showPlayPanel(bool shown)
{
    if (!views_ || views_->playPanel->isVisible() == shown)
        return;
    // A field left half typed in the closed panel would keep the keyboard.
    if (!shown && frame)
        frame->setFocusView(nullptr);
    views_->playPanel->setVisible(shown);
    updatePlayPanel();
}

void TolvaneVSTGUIEditor::updatePlayPanel()
{
    if (!context_ || !views_ || !views_->playPanel->isVisible() || !context_->currentPartState)
        return;
    const auto& play = context_->currentPartState->storedPlay;
    const std::string part = "PART " + partText(context_->currentPart);
    if (views_->playPartLabel->getText() != part.c_str()) {
        views_->playPartLabel->setText(part.c_str());
        views_->playPartLabel->invalid();
    }
    for (int mode = 0; mode < kPlayModeCount; ++mode)
        showNormalized(views_->playModeButtons[static_cast<std::size_t>(mode)], mode == play.mode ? 1.0f : 0.0f);
    showPlain(ids::part::kPortamentoTime, play.portamentoTime);
    const int ticks = kest::tolvane::synth::portamentoTicks(play.portamentoTime, context_->synth->getTickRate());
    setText(playPanel::kGlideTime, glideTimeText(play.portamentoTime, ticks));
    setMenuIndex(views_->optionMenu(ids::part::kArpPattern), play.arpPattern);
    showPlain(ids::part::kArpOctaves, play.arpOctaves);
    showPlain(ids::part::kArpRate, play.arpRate);
    setMenuIndex(views_->optionMenu(ids::part::kArpNoteValue), play.arpNoteValue);
    if (CControl* retrigger = views_->control(kTagControl | ids::part::kArpRetrigger))
        showNormalized(retrigger, play.arpRetrigger ? 1.0f : 0.0f);
}

void TolvaneVSTGUIEditor::onKeyboardEvent(KeyboardEvent& event, CFrame* keyFrame)
{
    // An open menu is a modal view: Escape is its own, and closes it alone.
    if (event.type != EventType::KeyDown || event.virt != VirtualKey::Escape || !isPlayPanelVisible() ||
        keyFrame->getModalView() != nullptr)
        return;
    // Escape in a field being typed into gives up the typing only.
    if (auto* field = dynamic_cast<CTextEdit*>(keyFrame->getFocusView()); field && field->getPlatformTextEdit())
        return;
    showPlayPanel(false);
    event.consumed = true;
}

} // namespace Steinberg::Vst
