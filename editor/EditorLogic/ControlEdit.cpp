// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlEdit.h"

#include "EditorLogic/EditorIds.h"

namespace kest::tolvane::editor {

namespace {

bool pressed(float value) { return value > 0.5f; }

bool inRange(int id, int first, int last) { return id >= first && id <= last; }

bool sendsNormalized(int id)
{
    return id == 0x0001 || id == 0x0002 || inRange(id, 0x0101, 0x0109) || id == 0x1001 ||
           inRange(id, 0x1003, 0x1010) || id == 0x2001 || inRange(id, 0x2003, 0x200B) || id == 0x3001 ||
           id == 0x5001 || id == 0x5010 || id == 0x5011;
}

ControlEdit classifyControl(int id, float value)
{
    const int item = itemOf(id);
    if (id == kIdLogo || id == kIdLibraryLogo) {
        if (!pressed(value))
            return {};
        return {id == kIdLogo ? EditKind::ShowOverlay : EditKind::HideOverlay, id};
    }
    // Bar ids use every low byte, so they must not be read as menu items.
    if (sectionOf(id) == kSectionWaveBars)
        return {EditKind::SendValue, id};
    if (item == kItemMenuButton)
        return pressed(value) ? ControlEdit{EditKind::OpenPopupMenu, id} : ControlEdit{};
    if (item == kItemPopupMenu || item == kItemSubMenuA || item == kItemSubMenuB)
        return {EditKind::MenuChoice, id};
    if (id == 0x1002)
        return {EditKind::StoreToneName, id};
    if (id == 0x2002)
        return {EditKind::StoreSamplerName, id};
    if (id == 0x3004 || id == 0x3005)
        return {EditKind::SendRawFloat, id};
    if (inRange(id, 0x3007, 0x300A))
        return {EditKind::SendRawInteger, id};
    if (inRange(id, kIdWaveToolFirst, kIdWaveToolFirst + kWaveToolCount - 1))
        return pressed(value) ? ControlEdit{EditKind::SendToolPress, id} : ControlEdit{};
    if (sendsNormalized(id))
        return {EditKind::SendValue, id};
    return {};
}

} // namespace

ControlEdit classifyControlEdit(int tag, float value)
{
    const int id = tag & kValueIdMask;
    if ((tag & kTagValueText) != 0)
        return {EditKind::SendTypedNumber, id};
    if ((tag & kTagControl) != 0)
        return classifyControl(id, value);
    return {};
}

std::optional<unsigned> partParameterId(int id, int currentPart)
{
    int n = 0;
    switch (id) {
    case 0x0103: n = 0x82; break;
    case 0x0105: n = 0x81; break;
    case 0x0106: n = 1; break;
    case 0x0107: n = 7; break;
    case 0x0108: n = 10; break;
    case 0x0109: n = 11; break;
    default: return std::nullopt;
    }
    return static_cast<unsigned>(0x10000 + (currentPart & 0x0F) * 256 + n);
}

} // namespace kest::tolvane::editor
