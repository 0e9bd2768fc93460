// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's editor window: system and part section, tone page with the
// wavetable editor, the current tone's sequences page, sampler page, the
// current part's PLAY panel and the about overlay.
//
// Contract with the edit controller:
//  - createView("editor") creates it with `new TolvaneVSTGUIEditor(this)` and keeps
//    the pointer; the controller clears that pointer in its editorDestroyed()
//    override (the SDK's EditorView calls it from its destructor). open()/close()
//    are driven by the SDK (attached/removed); a closed editor can be opened again.
//  - "Processor:openGUI": setEngineContext(address), then fullRefresh() when the
//    address is not null.
//  - "Processor:uiUpdate" / "Processor:setState": fullRefresh() when
//    engineContext() is not null.
//  - "GUIEditor:tvValueUpdate": onValueUpdate(tag, val).
// The editor itself sends "GUIEditor:openGUI", "GUIEditor:tvValueChange" and
// "GUIEditor:tvFileSelect" through controller->allocateMessage()/sendMessage().
//
// Zoom: the whole window (size, fonts, hit areas, bitmaps) is drawn through
// the frame's zoom transform. VSTGUI's X11 frame reports scale 1 whatever the
// screen, so the host's content scale factor is applied as a zoom too. The
// user's choice (ZoomChoice) comes from the controller at creation and goes
// back through the zoom-choice listener, which keeps it with the controller's
// state.
#pragma once

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/vst/vstguieditor.h"
#include "vstgui/lib/cframe.h"

#include "SequenceEdit.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace VSTGUI {
class CViewContainer;
class CLayeredViewContainer;
class COptionMenu;
class CTextEdit;
class CTextLabel;
class CSlider;
class CKickButton;
class CNewFileSelector;
} // namespace VSTGUI

namespace kest::tolvane::editor {
class WaveEdit;
enum class Page;
struct Rect;
} // namespace kest::tolvane::editor

namespace Steinberg::Vst {

class TolvaneVSTGUIEditor : public VSTGUIEditor,
                            public VSTGUI::IControlListener,
                            public IPlugViewContentScaleSupport,
                            public kest::tolvane::editor::SequenceEditListener,
                            public VSTGUI::IKeyboardHook {
public:
    using EngineContext = kest::tolvane::plugin::EngineContext;

    explicit TolvaneVSTGUIEditor(EditController* controller);
    ~TolvaneVSTGUIEditor() override;

    bool PLUGIN_API open(void* parent, const VSTGUI::PlatformType& platformType) override;
    void PLUGIN_API close() override;
    VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, const char* message) override;
    void valueChanged(VSTGUI::CControl* control) override;
    // What the host hands the view directly (not as X events) may invalidate
    // anything: each asks for a redraw afterwards (X11RunLoop.h).
    tresult PLUGIN_API onSize(ViewRect* newSize) override;
    tresult PLUGIN_API onKeyDown(char16 key, int16 keyMsg, int16 modifiers) override;
    tresult PLUGIN_API onKeyUp(char16 key, int16 keyMsg, int16 modifiers) override;
    tresult PLUGIN_API onWheel(float distance) override;
    // The controls' tags are not host parameters: no begin/end edit reaches the host.
    void beginEdit(int32_t) override {}
    void endEdit(int32_t) override {}

    // The processor's shared edit record; null until "Processor:openGUI".
    void setEngineContext(EngineContext* context);
    EngineContext* engineContext() const { return context_; }

    // Redraws every page from the EngineContext and hides the about overlay.
    void fullRefresh();
    // Applies one "GUIEditor:tvValueUpdate" (tag = 16-bit value id).
    void onValueUpdate(int tag, float value);

    // IPlugViewContentScaleSupport: the host's scale factor for the screen.
    tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;
    // The user's zoom choice (ZoomChoice); anything else means "as host".
    void setZoomChoice(int choice);
    int zoomChoice() const { return zoomChoice_; }
    void setZoomChoiceListener(std::function<void(int)> listener) { zoomChoiceListener_ = std::move(listener); }
    // The factor the window is drawn at now.
    double zoom() const;

    // For tests and the controller: whether a window is built, which page shows.
    bool isOpen() const { return frame != nullptr; }
    bool isSamplerPageVisible() const;
    bool isSequencesPageVisible() const;
    // The step the sequences page's playhead marks, -1 for none.
    int sequencePlayhead() const;
    bool isAboutOverlayVisible() const;
    // The PLAY panel (PART menu, "Play…"): shown over the page, or closed.
    bool isPlayPanelVisible() const;
    void showPlayPanel(bool shown);
    // The notice on show (a refused import or notation), empty when none.
    std::string fileNoticeText() const;

    // The sequences page's step editor tells what the pointer does.
    void sequenceEditBegins() override;
    void sequenceStepDrawn(int step, int value) override;
    void sequenceLoopMoved(int point) override;
    void sequenceReleaseMoved(int point) override;

    // Escape closes the PLAY panel, unless a menu is open over it.
    void onKeyboardEvent(VSTGUI::KeyboardEvent& event, VSTGUI::CFrame* frame) override;

    // How long a refused import's notice stays on its section's title bar.
    static constexpr std::chrono::seconds kFileNoticeTime{15};

    OBJ_METHODS(TolvaneVSTGUIEditor, VSTGUIEditor)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(VSTGUIEditor)
    REFCOUNT_METHODS(VSTGUIEditor)

private:
    struct Views;

    // Sizes the frame for the zoom now in force and, when `tellHost`, asks
    // the host to resize its window to match.
    void applyZoom(bool tellHost);

    void buildWindow();
    void buildMenus();
    void addRowControls(VSTGUI::CViewContainer* container, kest::tolvane::editor::Page page);
    VSTGUI::CLayeredViewContainer* makePage(const char* backgroundName);
    void buildTopSection();
    void buildTonePage();
    void buildSamplerPage();
    void buildSequencesPage();
    void buildWaveTableEditor();
    void buildPlayPanel();
    void buildOverlay();
    VSTGUI::CTextLabel* makeFileNotice(VSTGUI::CViewContainer* page);

    void updateSystemSection();
    void updatePartSection();
    void updatePageVisibility();
    void updateTonePage();
    void updateSamplerPage();
    void updateSequencesPage();
    void updateSequenceModeAndRange(int kind, const kest::tolvane::synth::ToneSequence& sequence);
    void updatePlayhead();
    void updatePlayPanel();
    void updateSampleDataSection();
    void updateWaveTablePage();
    void showWaveSamples();
    void followWaveTable();
    void updateWaveGenerator();
    void updateSampleRateFields();
    void updatePlaybackFields();
    void updateLoopFields();
    void refreshPartPages();
    // Shows a new notice of the EngineContext's, or hides one whose time is up.
    void updateFileNotice();
    void showNotice(VSTGUI::CTextLabel* label, const kest::tolvane::editor::Rect& place, const std::string& text);
    void hideFileNotice();

    void setSlider(int id, float value);
    void setText(int tag, const std::string& text);
    void setSliderAndField(int id, float value, const std::string& text);
    // A sequences-page slider and its field from the plain value.
    void showPlain(int id, int value);
    void setMenuIndex(VSTGUI::COptionMenu* menu, int index);

    void sendMessageWithoutAttributes(const char* id);
    void sendValueChange(int id, float value);
    void sendFileSelect(int code, const std::string& path);
    void performPartParameterEdit(int id, float value);
    // Before an edit of the current tone: while the tone on show follows the
    // part, it is picked (as by hand), so the edit lands on the tone shown.
    void pinShownTone();
    void sendNotation(const std::string& text);
    // The plain value a sequences-page control stands for.
    int plainValueOf(VSTGUI::CControl* control, int id) const;
    void setPartParameter(int id, float value);
    void onMenuChoice(VSTGUI::COptionMenu* menu);
    void openPopupMenu(int section);
    void openFileSelector(int code);
    bool onFileSelectorEnd(VSTGUI::CNewFileSelector* selector);

    bool isSamplerMode() const;

    EngineContext* context_ = nullptr;
    Views* views_ = nullptr;
    int pendingFileAction_ = 0;
    bool sequencesShown_ = false; // the sequences page instead of the tone page (outside Sampler mode)
    int shownTone_ = -1;          // the tone the tone and sequences pages last showed
    int shownWaveTable_ = -1;
    // The RANGE menu's choice, kept while the same tone's same kind and mode show.
    int rangeChoice_ = 0;
    int rangeKey_ = -1;
    int modeMenuKind_ = -1;              // whose entries the MODE menu holds
    std::uint32_t fileNoticeSerial_ = 0; // the last notice taken from the EngineContext
    std::chrono::steady_clock::time_point fileNoticeUntil_{};
    int zoomChoice_ = 0;
    double hostScale_ = 1.0;
    std::function<void(int)> zoomChoiceListener_;
};

} // namespace Steinberg::Vst
