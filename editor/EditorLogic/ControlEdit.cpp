// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlEdit.h"

#include "EditorLogic/EditorIds.h"

namespace kest::tolvane::editor {

namespace {

bool pressed(float value) { return value > 0.5f; }

bool inRange(int id, int first, int last) { return id >= first && id <= last; }

bool sendsNormalized(int id)
{
    return id == ids::system::kMasterVolume || id == ids::system::kMasterTune ||
           inRange(id, ids::part::kSelect, ids::part::kExpression) || id == ids::tone::kSelect ||
           inRange(id, ids::tone::kStrc, ids::tone::kKfStart) || id == ids::sampler::kSelect ||
           inRange(id, ids::sampler::kSampleNumber, ids::sampler::kRr) || id == ids::sampleData::kSelect ||
           id == ids::waveTable::kSelect || id == ids::waveTable::kGeneratorPeriod ||
           id == ids::waveTable::kGeneratorLevel || inRange(id, ids::part::kPlayMode, ids::part::kArpRetrigger);
}

ControlEdit classifySequencePage(int id, float value)
{
    switch (id) {
    case ids::sequence::kNotation: return {EditKind::SendNotation, id};
    case ids::sequence::kRange: return {EditKind::ChooseRange, id};
    case ids::sequence::kToneTab: return pressed(value) ? ControlEdit{EditKind::ShowTonePage, id} : ControlEdit{};
    case ids::sequence::kMode:
    case ids::sequence::kLength:
    case ids::sequence::kStepTicks:
    case ids::sequence::kDelay:
    case ids::sequence::kLfoDelay:
    case ids::sequence::kLfoFade:
    case ids::sequence::kLfoDepth:
    case ids::sequence::kTickRate: return {EditKind::SendPlain, id};
    default: return {};
    }
}

ControlEdit classifyControl(int id, float value)
{
    const int item = ids::itemOf(id);
    if (id == ids::logo::kLogo || id == ids::logo::kLibraryLogo) {
        if (!pressed(value))
            return {};
        return {id == ids::logo::kLogo ? EditKind::ShowOverlay : EditKind::HideOverlay, id};
    }
    // Bar ids use every low byte, so they must not be read as menu items.
    if (ids::pageOf(id) == ids::page::kWavePoint)
        return {EditKind::SendValue, id};
    if (item == ids::item::kMenuButton)
        return pressed(value) ? ControlEdit{EditKind::OpenPopupMenu, id} : ControlEdit{};
    if (id == playPanel::kClose || id == playPanel::kShade)
        return pressed(value) ? ControlEdit{EditKind::HidePlayPanel, id} : ControlEdit{};
    if (id == ids::tone::kSequencesTab)
        return pressed(value) ? ControlEdit{EditKind::ShowSequencesPage, id} : ControlEdit{};
    if (item == ids::item::kPopupMenu || item == ids::item::kSubMenuA || item == ids::item::kSubMenuB)
        return {EditKind::MenuChoice, id};
    if (ids::pageOf(id) == ids::page::kSequence)
        return classifySequencePage(id, value);
    if (id == ids::tone::kName)
        return {EditKind::StoreToneName, id};
    if (id == ids::sampler::kName)
        return {EditKind::StoreSamplerName, id};
    if (id == ids::sampleData::kSourceRate || id == ids::sampleData::kPitch)
        return {EditKind::SendRawFloat, id};
    if (inRange(id, ids::sampleData::kPlaybackStart, ids::sampleData::kLoopEnd))
        return {EditKind::SendRawInteger, id};
    if (inRange(id, ids::waveTable::kFirstTool, ids::waveTable::kFirstTool + ids::waveTable::kToolCount - 1))
        return pressed(value) ? ControlEdit{EditKind::SendToolPress, id} : ControlEdit{};
    if (sendsNormalized(id))
        return {EditKind::SendValue, id};
    return {};
}

} // namespace

ControlEdit classifyControlEdit(int tag, float value)
{
    const int id = tag & kValueIdMask;
    // A kind button pressed again switches itself off; it still chooses its kind.
    if ((tag & kTagSequenceKind) != 0)
        return {EditKind::SelectSequenceKind, ids::sequence::kKind};
    // Likewise a play mode button: pressed again, its mode stays chosen.
    if ((tag & kTagPlayMode) != 0)
        return {EditKind::SelectPlayMode, ids::part::kPlayMode};
    if ((tag & kTagValueText) != 0)
        return {ids::pageOf(id) == ids::page::kSequence ? EditKind::SendTypedPlain : EditKind::SendTypedNumber, id};
    if ((tag & kTagControl) != 0)
        return classifyControl(id, value);
    return {};
}

bool editsCurrentTone(int id)
{
    if (ids::pageOf(id) == ids::page::kSequenceStep)
        return true;
    if (ids::pageOf(id) == ids::page::kSequence)
        return id != ids::sequence::kKind && id != ids::sequence::kTickRate && id != ids::sequence::kRange &&
               id != ids::sequence::kToneTab;
    return inRange(id, ids::tone::kStrc, ids::tone::kKfStart) || id == ids::tone::kReset;
}

std::optional<unsigned> partParameterId(int id, int currentPart)
{
    int item = 0;
    switch (id) {
    case ids::part::kProgram: item = ids::hostParam::kProgramItem; break;
    case ids::part::kPitchBend: item = ids::hostParam::kPitchBendItem; break;
    case ids::part::kModulation: item = 1; break;
    case ids::part::kVolume: item = 7; break;
    case ids::part::kPan: item = 10; break;
    case ids::part::kExpression: item = 11; break;
    default: return std::nullopt;
    }
    return ids::hostParam::midi(currentPart, item);
}

} // namespace kest::tolvane::editor
