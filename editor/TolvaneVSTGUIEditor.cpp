// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's life cycle, its user edits and the messages it sends.
#include "TolvaneVSTGUIEditor.h"

#include "EditorLogic/ControlEdit.h"
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/FileSelection.h"
#include "EditorLogic/PresetName.h"
#include "EditorLogic/SequencePage.h"
#include "EditorLogic/TypedNumber.h"
#include "EditorLogic/Zoom.h"
#include "EditorViews.h"
#include "RedrawingContainer.h"
#include "ServerBitmap.h"
#include "X11RunLoop.h"

#include "EngineContext.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "vstgui/lib/cfileselector.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/cvstguitimer.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace kest::tolvane::editor;

namespace {

constexpr int kIdleMilliseconds = 33;

} // namespace

TolvaneVSTGUIEditor::TolvaneVSTGUIEditor(EditController* controller) : VSTGUIEditor(controller, nullptr)
{
    applyZoom(false);
}

TolvaneVSTGUIEditor::~TolvaneVSTGUIEditor() { close(); }

bool PLUGIN_API TolvaneVSTGUIEditor::open(void* parent, const PlatformType& platformType)
{
    if (frame)
        return false;
    frame = new CFrame(CRect(0, 0, kWindowWidth, kWindowHeight), this);
    buildWindow();
    if (context_)
        fullRefresh();
    VSTGUI::IPlatformFrameConfig* config = nullptr;
#if defined(__linux__)
    X11::FrameConfig x11Config;
    x11Config.runLoop = makeHostRunLoop(plugFrame);
    config = &x11Config;
#endif
    frame->registerKeyboardHook(this);
    frame->open(parent, platformType, config);
    // The host learns the zoomed size from attached(), which reads the frame's.
    applyZoom(false);
    setIdleRate(kIdleMilliseconds);
    sendMessageWithoutAttributes(ids::message::kEditorOpened);
    return true;
}

void PLUGIN_API TolvaneVSTGUIEditor::close()
{
    pendingFileAction_ = 0;
    if (frame) {
        // No rectangle may wait for (and keep) a closed frame.
        PendingRedraws::flush();
        // Closing the last window closes the library's X connection.
        ServerBitmap::releaseAllServerCopies();
        frame->unregisterKeyboardHook(this);
        frame->close(); // releases the frame and every view in it
        frame = nullptr;
    }
    // The pop-up menus were never in the frame; they go with the views record.
    delete views_;
    views_ = nullptr;
}

bool TolvaneVSTGUIEditor::isSamplerPageVisible() const
{
    return views_ && views_->samplerPage->isVisible() && !views_->tonePage->isVisible();
}

bool TolvaneVSTGUIEditor::isSequencesPageVisible() const { return views_ && views_->sequencesPage->isVisible(); }

int TolvaneVSTGUIEditor::sequencePlayhead() const { return views_ ? views_->sequenceEdit->playhead() : -1; }

bool TolvaneVSTGUIEditor::isAboutOverlayVisible() const { return views_ && views_->aboutOverlay->isVisible(); }

void TolvaneVSTGUIEditor::setEngineContext(EngineContext* context)
{
    context_ = context;
    // A notice left from before this editor opened is not news to its user.
    fileNoticeSerial_ = context ? context->fileNotice.serial : 0;
}

CMessageResult TolvaneVSTGUIEditor::notify(CBaseObject* sender, const char* message)
{
    if (message == CVSTGUITimer::kMsgTimer && context_ && views_) {
        // Echoes of value changes the audio thread applied after their sender stopped waiting.
        context_->deliverValueEchoes();
        // Each refresh compares before it draws: an unchanged window costs no drawing.
        updateSystemSection();
        updatePartSection();
        updateTonePage();
        updateSequencesPage();
        updateSamplerPage();
        updateSampleDataSection();
        followWaveTable();
        // A WAV import into another slot sends no update: its notice comes with the tick.
        updateFileNotice();
    }
    if (message == CNewFileSelector::kSelectEndMessage) {
        if (auto* selector = dynamic_cast<CNewFileSelector*>(sender)) {
            onFileSelectorEnd(selector);
            return kMessageNotified;
        }
    }
    const CMessageResult result = VSTGUIEditor::notify(sender, message);
    // What the tick changed is drawn in this wake-up, not in one of its own.
    if (message == CVSTGUITimer::kMsgTimer)
        redrawNow();
    return result;
}

tresult PLUGIN_API TolvaneVSTGUIEditor::onSize(ViewRect* newSize)
{
    const tresult result = VSTGUIEditor::onSize(newSize);
    wantRedraw();
    return result;
}

tresult PLUGIN_API TolvaneVSTGUIEditor::onKeyDown(char16 key, int16 keyMsg, int16 modifiers)
{
    const tresult result = VSTGUIEditor::onKeyDown(key, keyMsg, modifiers);
    wantRedraw();
    return result;
}

tresult PLUGIN_API TolvaneVSTGUIEditor::onKeyUp(char16 key, int16 keyMsg, int16 modifiers)
{
    const tresult result = VSTGUIEditor::onKeyUp(key, keyMsg, modifiers);
    wantRedraw();
    return result;
}

tresult PLUGIN_API TolvaneVSTGUIEditor::onWheel(float distance)
{
    const tresult result = VSTGUIEditor::onWheel(distance);
    wantRedraw();
    return result;
}

// ---- Zoom -----------------------------------------------------------------------------

tresult PLUGIN_API TolvaneVSTGUIEditor::setContentScaleFactor(ScaleFactor factor)
{
    hostScale_ = factor;
    applyZoom(true);
    return kResultTrue;
}

void TolvaneVSTGUIEditor::setZoomChoice(int choice)
{
    zoomChoice_ = isZoomChoice(choice) ? choice : kZoomAsHost;
    applyZoom(true);
}

double TolvaneVSTGUIEditor::zoom() const { return zoomFactor(zoomChoice_, hostScale_); }

void TolvaneVSTGUIEditor::applyZoom(bool tellHost)
{
    const double factor = zoom();
    const WindowSize size = zoomedWindowSize(factor);
    ViewRect rect(0, 0, size.width, size.height);
    const bool resized = rect.getWidth() != getRect().getWidth() || rect.getHeight() != getRect().getHeight();
    if (!frame) {
        setRect(rect); // what getSize() tells a host before the window opens
        return;
    }
    if (views_)
        if (COptionMenu* menu = views_->menu(ids::system::kZoomMenu))
            menu->setValue(static_cast<float>(zoomChoice_));
    if (frame->getZoom() != factor) {
        frame->setZoom(factor);
        wantRedraw(); // the resized window is drawn from the library's own list
    }
    // Hosts compare the request with getSize(): the view's rectangle changes
    // only after the request (or through the host's onSize()).
    if (tellHost && resized && plugFrame)
        plugFrame->resizeView(this, &rect);
    setRect(rect);
}

// ---- User edits ---------------------------------------------------------------------

void TolvaneVSTGUIEditor::valueChanged(CControl* control)
{
    if (!context_ || !views_ || control == nullptr)
        return;
    const float v = control->getValueNormalized();
    const ControlEdit edit = classifyControlEdit(control->getTag(), v);
    switch (edit.kind) {
    case EditKind::Ignore: break;
    case EditKind::SendValue:
        if (editsCurrentTone(edit.id))
            pinShownTone();
        sendValueChange(edit.id, v);
        performPartParameterEdit(edit.id, v);
        break;
    case EditKind::SendTypedNumber:
        if (auto* field = dynamic_cast<CTextLabel*>(control)) {
            const auto value = typedNumberToValue(edit.id, field->getText().getString(), context_->currentBitMask);
            if (value) {
                if (editsCurrentTone(edit.id))
                    pinShownTone();
                performPartParameterEdit(edit.id, *value);
                sendValueChange(edit.id, *value);
            }
        }
        break;
    case EditKind::SendPlain:
    case EditKind::SendTypedPlain:
        if (editsCurrentTone(edit.id))
            pinShownTone();
        sendValueChange(edit.id, static_cast<float>(plainValueOf(control, edit.id)));
        break;
    case EditKind::SelectSequenceKind:
        sendValueChange(edit.id, static_cast<float>(control->getTag() & 3));
        updateSequencesPage(); // the button pressed again stays lit
        break;
    case EditKind::SendNotation:
        if (auto* field = dynamic_cast<CTextLabel*>(control))
            sendNotation(field->getText().getString());
        break;
    case EditKind::ChooseRange:
        if (auto* menu = dynamic_cast<COptionMenu*>(control))
            rangeChoice_ = std::max(0, static_cast<int>(menu->getCurrentIndex()));
        updateSequencesPage();
        break;
    case EditKind::ShowSequencesPage:
    case EditKind::ShowTonePage:
        sequencesShown_ = edit.kind == EditKind::ShowSequencesPage;
        refreshPartPages();
        break;
    case EditKind::StoreToneName:
    case EditKind::StoreSamplerName:
        if (auto* field = dynamic_cast<CTextLabel*>(control)) {
            char* name = edit.kind == EditKind::StoreToneName ? context_->currentTonePreset->presetName
                                                              : context_->currentSamplerPreset->presetName;
            field->setText(storePresetName(field->getText().getString(), name).c_str());
        }
        break;
    case EditKind::SendRawFloat:
        if (auto* field = dynamic_cast<CTextLabel*>(control))
            sendValueChange(edit.id, static_cast<float>(leadingFloat(field->getText().getString())));
        break;
    case EditKind::SendRawInteger:
        if (auto* field = dynamic_cast<CTextLabel*>(control))
            sendValueChange(edit.id, static_cast<float>(leadingInteger(field->getText().getString())));
        break;
    case EditKind::SendToolPress: sendValueChange(edit.id, 0.0f); break;
    case EditKind::OpenPopupMenu: openPopupMenu(ids::pageOf(edit.id)); break;
    case EditKind::MenuChoice:
        if (auto* menu = dynamic_cast<COptionMenu*>(control))
            onMenuChoice(menu);
        break;
    case EditKind::SelectPlayMode:
        sendValueChange(edit.id, static_cast<float>(control->getTag() & 3) / 2.0f);
        updatePlayPanel(); // the button pressed again stays lit
        break;
    case EditKind::HidePlayPanel: showPlayPanel(false); break;
    case EditKind::ShowOverlay: views_->aboutOverlay->setVisible(true); break;
    case EditKind::HideOverlay: views_->aboutOverlay->setVisible(false); break;
    }
}

// ---- Messages and controller parameters ---------------------------------------------

void TolvaneVSTGUIEditor::sendMessageWithoutAttributes(const char* id)
{
    if (!controller)
        return;
    IPtr<IMessage> message = owned(controller->allocateMessage());
    if (!message)
        return;
    message->setMessageID(id);
    controller->sendMessage(message);
}

void TolvaneVSTGUIEditor::sendValueChange(int id, float value)
{
    if (!controller)
        return;
    IPtr<IMessage> message = owned(controller->allocateMessage());
    if (!message)
        return;
    message->setMessageID(ids::message::kValueChange);
    message->getAttributes()->setInt(ids::attr::kTag, id);
    message->getAttributes()->setFloat(ids::attr::kValue, value);
    controller->sendMessage(message);
}

void TolvaneVSTGUIEditor::sendFileSelect(int code, const std::string& path)
{
    if (!controller)
        return;
    IPtr<IMessage> message = owned(controller->allocateMessage());
    if (!message)
        return;
    const std::vector<char> bytes = pathAttributeBytes(path);
    message->setMessageID(ids::message::kFileSelect);
    message->getAttributes()->setInt(ids::attr::kTag, code);
    message->getAttributes()->setBinary(ids::attr::kPath, bytes.data(), static_cast<uint32>(bytes.size()));
    controller->sendMessage(message);
}

// ---- Sequences page --------------------------------------------------------------------

int TolvaneVSTGUIEditor::plainValueOf(CControl* control, int id) const
{
    const ControlRow* row = findControlRow(id);
    if (row == nullptr)
        return 0;
    if (auto* menu = dynamic_cast<COptionMenu*>(control))
        return std::max(0, static_cast<int>(menu->getCurrentIndex()));
    if (auto* field = dynamic_cast<CTextLabel*>(control))
        return plainOfTyped(*row, field->getText().getString());
    return plainOfSlider(*row, control->getValueNormalized());
}

void TolvaneVSTGUIEditor::pinShownTone()
{
    if (context_ && shownTone_ >= 0 && context_->toneFollowsPart())
        sendValueChange(ids::tone::kSelect, static_cast<float>(shownTone_) / 255.0f);
}

void TolvaneVSTGUIEditor::sendNotation(const std::string& text)
{
    const auto kind = static_cast<SequenceKind>(std::clamp(context_->currentSequenceKind, 0, 3));
    const auto& sequence = context_->synth->toneExpression(context_->currentTone).sequence(kind);
    const NotationChanges notation = notationChanges(text, kind, sequence.mode);
    if (!notation.refusal.empty()) {
        // Nothing is sent; the field shows the sequence again once it is left.
        showNotice(views_->sequencesNotice, notationNoticePlace().rect, notation.refusal);
        return;
    }
    hideFileNotice();
    pinShownTone();
    for (const ValueChange& change : notation.changes)
        sendValueChange(change.id, change.value);
}

void TolvaneVSTGUIEditor::sequenceEditBegins() { pinShownTone(); }

void TolvaneVSTGUIEditor::sequenceStepDrawn(int step, int value)
{
    sendValueChange(ids::sequenceStep::id(step), static_cast<float>(value));
}

void TolvaneVSTGUIEditor::sequenceLoopMoved(int point)
{
    sendValueChange(ids::sequence::kLoop, static_cast<float>(point));
}

void TolvaneVSTGUIEditor::sequenceReleaseMoved(int point)
{
    sendValueChange(ids::sequence::kRelease, static_cast<float>(point));
}

void TolvaneVSTGUIEditor::performPartParameterEdit(int id, float value)
{
    if (const auto param = partParameterId(id, context_->currentPart); param && controller)
        controller->performEdit(*param, value);
}

void TolvaneVSTGUIEditor::setPartParameter(int id, float value)
{
    if (const auto param = partParameterId(id, context_->currentPart); param && controller)
        controller->setParamNormalized(*param, value);
}

} // namespace Steinberg::Vst
