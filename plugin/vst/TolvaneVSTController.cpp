// SPDX-License-Identifier: GPL-3.0-or-later
#include "TolvaneVSTController.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include "BypassTrailer.h"
#include "EditorSettingsRecord.h"
#include "EngineContext.h"
#include "TolvaneIds.h"

#if TOLVANE_HAS_EDITOR
#include "TolvaneVSTGUIEditor.h"
#endif

namespace Steinberg::Vst {

namespace {

using Tolvane::midiParamId;

constexpr const char* kUnitsText = "...";
constexpr int32 kHiddenMidiFlags = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;

// Parameter titles are wide strings; all of ours are plain ASCII.
std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A controller or the pitch bend shows the integer it stands for (0..127,
// -8192..8191), not its normalised value, and takes one typed in.
class MidiValueParameter : public Parameter {
public:
    MidiValueParameter(const ParameterInfo& info, int32 offset) : Parameter(info), offset_(offset) {}
    void toString(ParamValue normalised, String128 string) const override
    {
        UString(string, str16BufferSize(String128)).printInt(toPlain(normalised));
    }
    bool fromString(const TChar* string, ParamValue& normalised) const override
    {
        int64 value = 0;
        if (!UString(const_cast<TChar*>(string), _tstrlen(string)).scanInt(value))
            return false;
        normalised = std::clamp(static_cast<ParamValue>(value - offset_) / info.stepCount, 0.0, 1.0);
        return true;
    }
    ParamValue toPlain(ParamValue normalised) const override
    {
        return std::floor(std::clamp(normalised, 0.0, 1.0) * info.stepCount + 0.5) + offset_;
    }

private:
    int32 offset_;
};

void addParameter(ParameterContainer& parameters, const std::string& title, int32 stepCount, ParamValue normalised,
                  int32 flags, ParamID id, UnitID unit, int32 offset = 0)
{
    ParameterInfo info{};
    const std::u16string wideTitle = wide(title);
    const std::u16string wideUnits = wide(kUnitsText);
    std::copy(wideTitle.begin(), wideTitle.end() + 1, reinterpret_cast<char16_t*>(info.title));
    std::copy(wideUnits.begin(), wideUnits.end() + 1, reinterpret_cast<char16_t*>(info.units));
    info.id = id;
    info.stepCount = stepCount;
    info.defaultNormalizedValue = normalised;
    info.flags = flags;
    info.unitId = unit;
    if (stepCount > 1)
        parameters.addParameter(new MidiValueParameter(info, offset));
    else
        parameters.addParameter(info);
}

void registerUnit(EditControllerEx1& controller, const char* name, UnitID id, ProgramListID programList)
{
    const std::u16string wideName = wide(name);
    controller.addUnit(new Unit(reinterpret_cast<const TChar*>(wideName.c_str()), id, kRootUnitId, programList));
}

// A program's name in the host: the tone's name without its padding, or
// nothing while the tone has no name (the power-on sound).
std::u16string programName(const char* toneName)
{
    std::string name(toneName, strnlen(toneName, kest::tolvane::synth::kPresetNameLength));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            c = '?'; // names come from files and SysEx: show plain ASCII only
    return wide(name);
}

// A part's list of the bank's tones. A program whose tone has no name has no
// name to give: hosts that offer a program list as their preset menu (Ardour
// takes one part's list) then list the factory presets alone instead of 128
// "Program N" entries, and hosts that show each part's list show the tone
// names once a bank is loaded.
class ToneProgramList : public ProgramList {
public:
    using ProgramList::ProgramList;
    tresult getProgramName(int32 programIndex, String128 name) override
    {
        const tresult result = ProgramList::getProgramName(programIndex, name);
        return result == kResultTrue && name[0] == 0 ? kResultFalse : result;
    }
};

// The program parameter shows the name of its program in the part's list.
class ProgramParameter : public Parameter {
public:
    ProgramParameter(const ParameterInfo& info, ProgramList& list) : Parameter(info), list_(list) {}
    // An unnamed program reads as nothing: a host that fills its preset menu
    // from the value strings of a program change when the list has no names
    // (Ardour again) then adds no entries either.
    void toString(ParamValue normalised, String128 string) const override
    {
        const auto program = static_cast<int32>(std::clamp(normalised, 0.0, 1.0) * 127.0 + 0.5);
        if (list_.getProgramName(program, string) != kResultTrue)
            string[0] = 0;
    }

private:
    ProgramList& list_;
};

} // namespace

tresult PLUGIN_API TolvaneVSTController::initialize(FUnknown* context)
{
    const tresult result = EditControllerEx1::initialize(context);
    if (result != kResultOk)
        return result;
    // A repeated initialize after terminate must not register everything twice.
    if (parameters.getParameterCount() == 0)
        registerParametersAndUnits();
    return kResultOk;
}

void TolvaneVSTController::registerParametersAndUnits()
{
    addParameter(parameters, "bypass", 1, 0.0, ParameterInfo::kIsBypass, Tolvane::kBypassId, kRootUnitId);

    registerUnit(*this, "MIDI Contloller", Tolvane::kControllerUnitId, kNoProgramListId);
    for (int channel = 0; channel < Tolvane::kChannelCount; ++channel)
        for (int controller = 0; controller < 128; ++controller)
            addParameter(parameters, "CC : " + std::to_string(controller), 127, controller == 10 ? 0.5 : 0.0,
                         kHiddenMidiFlags, midiParamId(channel, controller), Tolvane::kControllerUnitId);
    for (int channel = 0; channel < Tolvane::kChannelCount; ++channel)
        addParameter(parameters, "Pitchbend", 16383, 0.5, kHiddenMidiFlags,
                     midiParamId(channel, Tolvane::kPitchBendItem), Tolvane::kControllerUnitId, -8192);

    programNames_.fill(std::u16string{});
    for (int channel = 0; channel < Tolvane::kChannelCount; ++channel) {
        const UnitID unit = Tolvane::kProgramUnitBase | channel;
        registerUnit(*this, "program", unit, unit);
        // Each part's list of the bank's tones, so hosts show names for programs.
        const std::u16string listName = wide("Part " + std::to_string(channel + 1) + " tones");
        auto* list = new ToneProgramList(reinterpret_cast<const TChar*>(listName.c_str()), unit, unit);
        for (const auto& name : programNames_)
            list->addProgram(reinterpret_cast<const TChar*>(name.c_str()));
        addProgramList(list);

        const ParamID id = midiParamId(channel, Tolvane::kProgramItem);
        ParameterInfo info{};
        info.id = id;
        const std::u16string title = wide(std::to_string(id));
        const std::u16string units = wide(kUnitsText);
        std::copy(title.begin(), title.end() + 1, reinterpret_cast<char16_t*>(info.title));
        std::copy(units.begin(), units.end() + 1, reinterpret_cast<char16_t*>(info.units));
        info.stepCount = 127;
        info.defaultNormalizedValue = 0.0;
        info.unitId = unit;
        // Hidden but not read-only: hosts refuse a read-only program-change parameter.
        // A list, as the SDK expects of a program change: hosts show its names.
        info.flags = ParameterInfo::kIsProgramChange | ParameterInfo::kIsList | ParameterInfo::kIsHidden;
        parameters.addParameter(new ProgramParameter(info, *list));
    }
}

tresult PLUGIN_API TolvaneVSTController::getMidiControllerAssignment(int32 /*busIndex*/, int16 channel,
                                                                     CtrlNumber midiControllerNumber, ParamID& id)
{
    // Channel aftertouch (128) has no parameter; mapping it would hand the host an unknown id.
    if (midiControllerNumber < 0 || midiControllerNumber > Tolvane::kLastMappedController ||
        midiControllerNumber == kAfterTouch)
        return kResultFalse;
    id = midiParamId(channel, midiControllerNumber);
    return kResultTrue;
}

tresult PLUGIN_API TolvaneVSTController::setComponentState(IBStream* state)
{
    // Only the bypass switch is shown from the processor's state; sound data stays there.
    bool bypassed = false;
    if (!state || !Tolvane::readBypassTrailer(*state, bypassed))
        return kResultFalse;
    setParamNormalized(Tolvane::kBypassId, bypassed ? 1.0 : 0.0);
    return kResultOk;
}

tresult PLUGIN_API TolvaneVSTController::setState(IBStream* state)
{
    // The controller's own state is the editor's settings and the bypass
    // switch (a host may keep it apart from the processor's state); it holds
    // no sound data.
    if (!state)
        return kResultFalse;
    Tolvane::EditorSettings settings;
    if (Tolvane::readEditorSettingsRecord(*state, settings)) {
        editorZoomChoice_ = settings.zoomChoice;
#if TOLVANE_HAS_EDITOR
        if (editor_)
            editor_->setZoomChoice(editorZoomChoice_);
#endif
    }
    return setComponentState(state);
}

tresult PLUGIN_API TolvaneVSTController::getState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    Tolvane::writeEditorSettingsRecord(*state, Tolvane::EditorSettings{editorZoomChoice_});
    Tolvane::writeBypassTrailer(*state, getParamNormalized(Tolvane::kBypassId) >= 0.5);
    return kResultOk;
}

tresult PLUGIN_API TolvaneVSTController::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                                      UnitID& unitId)
{
    // Channels beyond 16 would name a unit that does not exist.
    if (type != MediaTypes::kEvent || dir != BusDirections::kInput || busIndex != 0 || channel < 0 ||
        channel >= Tolvane::kChannelCount)
        return kResultFalse;
    unitId = Tolvane::kProgramUnitBase | channel;
    return kResultTrue;
}

IPlugView* PLUGIN_API TolvaneVSTController::createView(FIDString name)
{
#if TOLVANE_HAS_EDITOR
    if (name && std::strcmp(name, "editor") == 0) {
        editor_ = new TolvaneVSTGUIEditor(this);
        editor_->setZoomChoice(editorZoomChoice_);
        editor_->setZoomChoiceListener([this](int choice) { editorZoomChoice_ = choice; });
        return editor_;
    }
#else
    (void)name;
#endif
    return nullptr;
}

void TolvaneVSTController::editorAttached(EditorView* editor)
{
#if TOLVANE_HAS_EDITOR
    // A view the host re-attaches after removing it gets its messages again.
    if (!editor_)
        editor_ = dynamic_cast<TolvaneVSTGUIEditor*>(editor);
#else
    (void)editor;
#endif
}

void TolvaneVSTController::editorRemoved(EditorView* editor)
{
#if TOLVANE_HAS_EDITOR
    if (editor_ && static_cast<EditorView*>(editor_) == editor)
        editor_ = nullptr;
#else
    (void)editor;
#endif
}

void TolvaneVSTController::editorDestroyed(EditorView* editor) { editorRemoved(editor); }

namespace {

// The processor sends the EngineContext's address as 8 raw bytes.
bool readContextAddress(IAttributeList* attributes, void*& address)
{
    const void* data = nullptr;
    uint32 size = 0;
    if (!attributes || attributes->getBinary(Tolvane::kAttrContext, data, size) != kResultOk || !data ||
        size != sizeof(std::uint64_t))
        return false;
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, sizeof bits);
    address = reinterpret_cast<void*>(static_cast<std::uintptr_t>(bits));
    return true;
}

} // namespace

void TolvaneVSTController::noteContext(IMessage* message)
{
    void* address = nullptr;
    if (readContextAddress(message->getAttributes(), address))
        context_ = static_cast<const kest::tolvane::plugin::EngineContext*>(address);
}

void TolvaneVSTController::refreshProgramNames(const kest::tolvane::plugin::EngineContext& context)
{
    bool changed = false;
    for (int program = 0; program < 128; ++program) {
        std::u16string name = programName(context.synth->tone(program).presetName);
        auto& shown = programNames_[static_cast<std::size_t>(program)];
        if (name == shown)
            continue;
        shown = std::move(name);
        changed = true;
        for (int channel = 0; channel < Tolvane::kChannelCount; ++channel)
            if (ProgramList* list = getProgramList(Tolvane::kProgramUnitBase | channel))
                list->setProgramName(program, reinterpret_cast<const TChar*>(shown.c_str()));
    }
    if (!changed)
        return;
    for (int channel = 0; channel < Tolvane::kChannelCount; ++channel)
        notifyProgramListChange(Tolvane::kProgramUnitBase | channel);
}

tresult PLUGIN_API TolvaneVSTController::notify(IMessage* message)
{
    if (!message)
        return kInvalidArgument;
    const char* id = message->getMessageID();
    if (!id)
        return kInvalidArgument;
    const bool isValueUpdate = std::strcmp(id, Tolvane::kMsgValueUpdate) == 0;
    const bool isOpenGui = std::strcmp(id, Tolvane::kMsgOpenGui) == 0;
    const bool isRefresh = std::strcmp(id, Tolvane::kMsgUiUpdate) == 0 || std::strcmp(id, Tolvane::kMsgSetState) == 0;
    const bool isGetState = std::strcmp(id, Tolvane::kMsgGetState) == 0;
    if (!isValueUpdate && !isOpenGui && !isRefresh && !isGetState)
        return EditControllerEx1::notify(message);

    // Every message from the processor may follow a change of tone names (a
    // loaded state, an import, an edit); the lists follow the bank.
    if (isOpenGui || isGetState || std::strcmp(id, Tolvane::kMsgSetState) == 0)
        noteContext(message);
    if (context_)
        refreshProgramNames(*context_);
    if (isGetState)
        return kResultOk;

#if TOLVANE_HAS_EDITOR
    if (!editor_)
        return kResultOk;
    IAttributeList* attributes = message->getAttributes();
    if (isValueUpdate) {
        int64 tag = 0;
        double value = 0.0;
        if (attributes) {
            attributes->getInt(Tolvane::kAttrTag, tag);
            attributes->getFloat(Tolvane::kAttrValue, value);
        }
        editor_->onValueUpdate(static_cast<int>(static_cast<int32>(tag)), static_cast<float>(value));
    } else if (isOpenGui) {
        void* address = nullptr;
        if (!readContextAddress(attributes, address))
            return kResultOk;
        editor_->setEngineContext(static_cast<TolvaneVSTGUIEditor::EngineContext*>(address));
        if (address)
            editor_->fullRefresh();
    } else if (editor_->engineContext()) {
        editor_->fullRefresh();
    }
#endif
    return kResultOk;
}

} // namespace Steinberg::Vst
