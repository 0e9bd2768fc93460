// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's edit controller: publishes the host parameters that carry MIDI
// controllers, pitch bend and program changes to the processor, answers the
// host's MIDI mapping questions, creates the editor and relays the
// processor's messages to it.
#pragma once

#include <array>
#include <string>

#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace Steinberg::Vst {

class TolvaneVSTGUIEditor;

class TolvaneVSTController : public EditControllerEx1, public IMidiMapping {
public:
    TolvaneVSTController() = default;

    static FUnknown* createInstance(void*) { return static_cast<IEditController*>(new TolvaneVSTController); }

    tresult PLUGIN_API initialize(FUnknown* context) override;
    IPlugView* PLUGIN_API createView(FIDString name) override;
    tresult PLUGIN_API notify(IMessage* message) override;
    tresult PLUGIN_API setComponentState(IBStream* state) override;
    tresult PLUGIN_API setState(IBStream* state) override;
    tresult PLUGIN_API getState(IBStream* state) override;
    tresult PLUGIN_API openHelp(TBool) override { return kResultFalse; }
    tresult PLUGIN_API openAboutBox(TBool) override { return kResultFalse; }
    tresult PLUGIN_API getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                    UnitID& unitId) override;
    tresult PLUGIN_API setUnitProgramData(int32, int32, IBStream*) override { return kResultFalse; }

    tresult PLUGIN_API getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber midiControllerNumber,
                                                   ParamID& id) override;

    void editorAttached(EditorView* editor) override;
    void editorRemoved(EditorView* editor) override;
    void editorDestroyed(EditorView* editor) override;

    // The editor messages are relayed to, or null.
    TolvaneVSTGUIEditor* openEditor() const { return editor_; }

    // The editor's zoom choice; saved with the controller's state, never with
    // the processor's.
    int editorZoomChoice() const { return editorZoomChoice_; }
    void setEditorZoomChoice(int choice) { editorZoomChoice_ = choice; }

    // Reads the tone names of the processor's engine into the 16 program lists
    // and tells the host about the lists that changed.
    void refreshProgramNames(const kest::tolvane::plugin::EngineContext& context);

    OBJ_METHODS(TolvaneVSTController, EditControllerEx1)
    DEFINE_INTERFACES
    DEF_INTERFACE(IMidiMapping)
    END_DEFINE_INTERFACES(EditControllerEx1)
    REFCOUNT_METHODS(EditControllerEx1)

private:
    void registerParametersAndUnits();
    void noteContext(IMessage* message);

    TolvaneVSTGUIEditor* editor_ = nullptr;
    int editorZoomChoice_ = 0;
    // The processor's engine, as its messages announce it; read on the message thread.
    const kest::tolvane::plugin::EngineContext* context_ = nullptr;
    // The names the program lists show, program by program.
    std::array<std::u16string, 128> programNames_;
};

} // namespace Steinberg::Vst
