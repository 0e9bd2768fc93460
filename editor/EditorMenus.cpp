// SPDX-License-Identifier: GPL-3.0-or-later
// The sections' pop-up menus and the file selectors they open.
#include "EditorLogic/ControlEdit.h"
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/FileSelection.h"
#include "EditorLogic/MenuModel.h"
#include "EditorViews.h"

#include "EngineContext.h"

#include "vstgui/lib/cfileselector.h"
#include "vstgui/lib/cframe.h"

#include <string>
#include <vector>

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace kest::tolvane::editor;

void TolvaneVSTGUIEditor::openPopupMenu(int section)
{
    COptionMenu* menu = views_->menu(ids::valueId(section, ids::item::kPopupMenu));
    if (menu == nullptr || frame == nullptr)
        return;
    const Point at = popupMenuPoint(section);
    menu->popup(frame, CPoint(at.x, at.y));
}

void TolvaneVSTGUIEditor::onMenuChoice(COptionMenu* menu)
{
    int32_t index = -1;
    COptionMenu* chosenIn = menu->getLastItemMenu(index);
    if (chosenIn == nullptr || index < 0)
        return;
    CMenuItem* entry = chosenIn->getEntry(index);
    if (entry == nullptr)
        return;
    const int menuId = chosenIn->getTag() & kValueIdMask;
    const int entryId = entry->getTag() & kValueIdMask;
    const MenuAction action = menuChoice(menuId, entryId);
    switch (action.kind) {
    case MenuActionKind::SendValue:
    case MenuActionKind::SendIndex:
        if (editsCurrentTone(action.code))
            pinShownTone();
        sendValueChange(action.code, action.value);
        if (action.clearCheck)
            chosenIn->checkEntry(index, false);
        break;
    case MenuActionKind::ImportFile:
    case MenuActionKind::ExportFile: openFileSelector(action.code); break;
    case MenuActionKind::SetZoom:
        setZoomChoice(action.code);
        if (zoomChoiceListener_)
            zoomChoiceListener_(zoomChoice_);
        break;
    case MenuActionKind::OpenPlayPanel: showPlayPanel(true); break;
    case MenuActionKind::None: break;
    }
    // The wavetable and sequences menus are command lists: they keep no selection of their own.
    if ((menu->getTag() & kValueIdMask) == ids::waveTable::kPopupMenu ||
        (menu->getTag() & kValueIdMask) == ids::sequence::kPopupMenu)
        menu->setValue(0.0f);
}

void TolvaneVSTGUIEditor::openFileSelector(int code)
{
    pendingFileAction_ = 0;
    // A new choice of file makes the last refusal old news.
    hideFileNotice();
    const FileSelectorInfo* selectorInfo = findFileSelector(code);
    if (selectorInfo == nullptr || frame == nullptr)
        return;
    CNewFileSelector* selector = CNewFileSelector::create(frame, selectorInfo->save ? CNewFileSelector::kSelectSaveFile
                                                                                    : CNewFileSelector::kSelectFile);
    if (selector == nullptr)
        return;
    pendingFileAction_ = code;
    selector->setAllowMultiFileSelection(selectorInfo->multipleFiles);
    selector->setTitle(selectorInfo->title);
    for (const FileFilter& filter : selectorInfo->filters)
        selector->addFileExtension(CFileExtension(filter.description, filter.extension));
    if (selectorInfo->defaultName)
        selector->setDefaultSaveName(selectorInfo->defaultName);
    // No text field may keep an edit open behind a modal dialog.
    frame->setFocusView(nullptr);
    selector->run(this);
    selector->forget();
}

bool TolvaneVSTGUIEditor::onFileSelectorEnd(CNewFileSelector* selector)
{
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < selector->getNumSelectedFiles(); ++i)
        if (const char* path = selector->getSelectedFile(i))
            paths.emplace_back(path);
    const int currentSlot = context_ ? context_->currentSampleData : 0;
    for (const FileSelectMessage& message : fileSelectMessages(pendingFileAction_, paths, currentSlot))
        sendFileSelect(message.code, message.path);
    pendingFileAction_ = 0;
    return true;
}

} // namespace Steinberg::Vst
