// SPDX-License-Identifier: GPL-3.0-or-later
// The controller: its parameter and unit tables, MIDI mapping, views, and the
// bypass switch it shows from a saved state.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EngineContext.h"

#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "VstTestSupport.h"
#include "public.sdk/source/common/memorystream.h"

using namespace tolvane_vst_test;
using Steinberg::Vst::TolvaneVSTController;
namespace ids = Steinberg::Vst::Tolvane;

namespace {

std::u16string text(const String128 s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); }
std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controller = new TolvaneVSTController;
        ASSERT_EQ(controller->initialize(&host), kResultOk);
    }
    void TearDown() override
    {
        controller->terminate();
        controller->release();
    }
    ParameterInfo info(int32 index)
    {
        ParameterInfo i{};
        EXPECT_EQ(controller->getParameterInfo(index, i), kResultOk);
        return i;
    }

    HostApplication host;
    TolvaneVSTController* controller = nullptr;
};

TEST_F(ControllerTest, ParameterTableInRegistrationOrder)
{
    ASSERT_EQ(controller->getParameterCount(), 2081);
    const int32 hidden = ParameterInfo::kIsReadOnly | ParameterInfo::kIsHidden;

    const ParameterInfo bypass = info(0);
    EXPECT_EQ(bypass.id, ids::kBypassId);
    EXPECT_EQ(text(bypass.title), u"bypass");
    EXPECT_EQ(bypass.stepCount, 1);
    EXPECT_EQ(bypass.flags, ParameterInfo::kIsBypass);
    EXPECT_EQ(bypass.unitId, kRootUnitId);

    int32 index = 1;
    for (int channel = 0; channel < 16; ++channel) {
        for (int n = 0; n < 128; ++n, ++index) {
            const ParameterInfo cc = info(index);
            ASSERT_EQ(cc.id, static_cast<ParamID>(0x10000 | channel << 8 | n));
            ASSERT_EQ(text(cc.title), wide("CC : " + std::to_string(n)));
            ASSERT_EQ(text(cc.units), u"...");
            ASSERT_EQ(text(cc.shortTitle), u"");
            ASSERT_EQ(cc.stepCount, 127);
            ASSERT_EQ(cc.defaultNormalizedValue, n == 10 ? 0.5 : 0.0);
            ASSERT_EQ(cc.flags, hidden);
            ASSERT_EQ(cc.unitId, 0x10000);
        }
    }
    for (int channel = 0; channel < 16; ++channel, ++index) {
        const ParameterInfo bend = info(index);
        EXPECT_EQ(bend.id, static_cast<ParamID>(0x10081 | channel << 8));
        EXPECT_EQ(text(bend.title), u"Pitchbend");
        EXPECT_EQ(bend.stepCount, 16383);
        EXPECT_EQ(bend.defaultNormalizedValue, 0.5);
        EXPECT_EQ(bend.flags, hidden);
        EXPECT_EQ(bend.unitId, 0x10000);
    }
    for (int channel = 0; channel < 16; ++channel, ++index) {
        const ParameterInfo program = info(index);
        const ParamID id = 0x10082 | channel << 8;
        EXPECT_EQ(program.id, id);
        EXPECT_EQ(text(program.title), wide(std::to_string(id)));
        EXPECT_EQ(program.stepCount, 127);
        EXPECT_EQ(program.defaultNormalizedValue, 0.0);
        // Not read-only: hosts reject a read-only program-change parameter.
        EXPECT_EQ(program.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList | ParameterInfo::kIsHidden);
        EXPECT_EQ(program.unitId, 0x100000 | channel);
    }
    EXPECT_EQ(text(info(2080).title), u"69506");
    for (int32 i = 0; i < 2081; ++i)
        ASSERT_EQ(info(i).flags & ParameterInfo::kCanAutomate, 0) << i;
}

TEST_F(ControllerTest, UnitsAndTheirProgramLists)
{
    ASSERT_EQ(controller->getUnitCount(), 17); // the controllers' unit, then 16 program units
    UnitInfo unit{};
    ASSERT_EQ(controller->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, 0x10000);
    EXPECT_EQ(text(unit.name), u"MIDI Contloller");
    EXPECT_EQ(unit.parentUnitId, kRootUnitId);
    EXPECT_EQ(unit.programListId, kNoProgramListId);
    for (int channel = 0; channel < 16; ++channel) {
        ASSERT_EQ(controller->getUnitInfo(1 + channel, unit), kResultOk);
        EXPECT_EQ(unit.id, 0x100000 | channel);
        EXPECT_EQ(text(unit.name), u"program");
        EXPECT_EQ(unit.parentUnitId, kRootUnitId);
        EXPECT_EQ(unit.programListId, 0x100000 | channel);
    }
    // Each program unit has its list: the 128 tones, unnamed at power-on so that a
    // host taking a list for its preset menu adds no "Program N" entries.
    ASSERT_EQ(controller->getProgramListCount(), 16);
    for (int channel = 0; channel < 16; ++channel) {
        ProgramListInfo list{};
        ASSERT_EQ(controller->getProgramListInfo(channel, list), kResultTrue);
        EXPECT_EQ(list.id, 0x100000 | channel);
        EXPECT_EQ(list.programCount, 128);
    }
    String128 name{};
    EXPECT_EQ(controller->getProgramName(0x100003, 127, name), kResultFalse);
    ASSERT_EQ(controller->getParamStringByValue(ids::midiParamId(0, ids::kProgramItem), 1.0, name), kResultOk);
    EXPECT_EQ(text(name), u"");
    // Controllers and the bend show the numbers they send, and take them typed.
    const struct {
        ParamID id;
        ParamValue value;
        const char16_t* shown;
    } values[] = {{ids::midiParamId(3, 7), 100.0 / 127.0, u"100"},
                  {ids::midiParamId(0, 10), 64.0 / 127.0, u"64"},
                  {ids::midiParamId(15, ids::kPitchBendItem), 0.0, u"-8192"},
                  {ids::midiParamId(1, ids::kPitchBendItem), 0.5, u"0"}};
    for (const auto& [id, value, shown] : values) {
        ASSERT_EQ(controller->getParamStringByValue(id, value, name), kResultOk);
        EXPECT_EQ(text(name), shown);
        ParamValue typed = -1.0;
        ASSERT_EQ(controller->getParamValueByString(id, name, typed), kResultOk);
        EXPECT_NEAR(typed, value, 0.5 / 16383.0) << id;
    }

    UnitID found = -1;
    EXPECT_EQ(controller->getUnitByBus(kEvent, kInput, 0, 9, found), kResultTrue);
    EXPECT_EQ(found, 0x100009);
    EXPECT_NE(controller->getUnitByBus(kEvent, kInput, 1, 9, found), kResultTrue);
    EXPECT_NE(controller->getUnitByBus(kAudio, kOutput, 0, 0, found), kResultTrue);
    EXPECT_NE(controller->getUnitByBus(kEvent, kInput, 0, 16, found), kResultTrue);
}

// The processor announces its engine with a loaded state; the lists then show
// the bank's tone names, and the program parameters show them as their values.
TEST_F(ControllerTest, ProgramListsFollowTheToneNames)
{
    kest::tolvane::plugin::EngineContext context;
    std::memcpy(context.synth->tone(0).presetName, "Grand Piano     ", 16);
    std::memcpy(context.synth->tone(5).presetName, "E.Piano 2\x01      ", 16);
    std::memcpy(context.synth->tone(200).presetName, "Kick            ", 16); // a drum: in no list

    IPtr<IMessage> loaded = owned(makeMessage(host, ids::kMsgSetState));
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&context));
    loaded->getAttributes()->setBinary(ids::kAttrContext, &address, sizeof address);
    EXPECT_EQ(controller->notify(loaded), kResultOk);

    String128 name{};
    ASSERT_EQ(controller->getProgramName(0x10000F, 0, name), kResultTrue);
    EXPECT_EQ(text(name), u"Grand Piano");
    ASSERT_EQ(controller->getProgramName(0x100000, 5, name), kResultTrue);
    EXPECT_EQ(text(name), u"E.Piano 2?");
    EXPECT_EQ(controller->getProgramName(0x100000, 72, name), kResultFalse);
    ASSERT_EQ(controller->getParamStringByValue(ids::midiParamId(2, ids::kProgramItem), 5.0 / 127.0, name), kResultOk);
    EXPECT_EQ(text(name), u"E.Piano 2?");

    // Renamed later (an import, an edit): the next message from the processor brings the new name.
    std::memcpy(context.synth->tone(0).presetName, "Honky-tonk      ", 16);
    IPtr<IMessage> imported = owned(makeMessage(host, ids::kMsgUiUpdate));
    EXPECT_EQ(controller->notify(imported), kResultOk);
    ASSERT_EQ(controller->getProgramName(0x100009, 0, name), kResultTrue);
    EXPECT_EQ(text(name), u"Honky-tonk");
}

TEST_F(ControllerTest, MidiMapping)
{
    ParamID id = 0;
    EXPECT_EQ(controller->getMidiControllerAssignment(0, 3, 7, id), kResultTrue);
    EXPECT_EQ(id, 0x10307u);
    EXPECT_EQ(controller->getMidiControllerAssignment(5, 17, 7, id), kResultTrue);
    EXPECT_EQ(id, 0x10107u); // only the channel's low 4 bits count; the bus is ignored
    EXPECT_EQ(controller->getMidiControllerAssignment(0, 0, kPitchBend, id), kResultTrue);
    EXPECT_EQ(id, 0x10081u);
    EXPECT_EQ(controller->getMidiControllerAssignment(0, 15, kCtrlProgramChange, id), kResultTrue);
    EXPECT_EQ(id, 0x10F82u);
    // Channel aftertouch has no parameter, so it is not mapped.
    EXPECT_NE(controller->getMidiControllerAssignment(0, 0, kAfterTouch, id), kResultTrue);
    EXPECT_NE(controller->getMidiControllerAssignment(0, 0, 131, id), kResultTrue);
    EXPECT_NE(controller->getMidiControllerAssignment(0, 0, -1, id), kResultTrue);
}

TEST_F(ControllerTest, ViewsHelpAndMessages)
{
    EXPECT_EQ(controller->createView("editor2"), nullptr);
    EXPECT_EQ(controller->createView("Editor"), nullptr);
    EXPECT_EQ(controller->createView(nullptr), nullptr);
    EXPECT_EQ(controller->openHelp(false), kResultFalse);
    EXPECT_EQ(controller->openAboutBox(false), kResultFalse);
    EXPECT_STREQ(controller->isA(), "TolvaneVSTController");

    FUnknownPtr<IMidiMapping> mapping(static_cast<IEditController*>(controller));
    EXPECT_TRUE(mapping);

    // Without an open editor, the processor's messages are accepted and dropped.
    EXPECT_EQ(controller->notify(nullptr), kInvalidArgument);
    for (const char* id : {ids::kMsgValueUpdate, ids::kMsgOpenGui, ids::kMsgUiUpdate, ids::kMsgSetState}) {
        IPtr<IMessage> message = owned(makeMessage(host, id));
        EXPECT_EQ(controller->notify(message), kResultOk) << id;
    }
}

TEST_F(ControllerTest, BypassFollowsSavedStates)
{
    MemoryStream processorState;
    processorState.write(const_cast<char*>("engine bytes"), 12, nullptr);
    processorState.write(const_cast<char*>("TVBY\x01\0\0\0"), 8, nullptr);
    processorState.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setComponentState(&processorState), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(ids::kBypassId), 1.0);

    MemoryStream own;
    ASSERT_EQ(controller->getState(&own), kResultOk);
    controller->setParamNormalized(ids::kBypassId, 0.0);
    own.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setState(&own), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(ids::kBypassId), 1.0);

    // A state without the trailer leaves the switch alone.
    MemoryStream foreign;
    foreign.write(const_cast<char*>("12345678"), 8, nullptr);
    foreign.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_NE(controller->setComponentState(&foreign), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(ids::kBypassId), 1.0);
}

TEST_F(ControllerTest, EditorZoomTravelsWithTheControllersOwnState)
{
    controller->setEditorZoomChoice(3);
    controller->setParamNormalized(ids::kBypassId, 1.0);
    MemoryStream own;
    ASSERT_EQ(controller->getState(&own), kResultOk);
    // The editor's record comes first, the bypass trailer stays last.
    int64 size = 0;
    own.seek(0, IBStream::kIBSeekEnd, &size);
    EXPECT_EQ(size, 16);

    controller->setEditorZoomChoice(0);
    controller->setParamNormalized(ids::kBypassId, 0.0);
    own.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setState(&own), kResultOk);
    EXPECT_EQ(controller->editorZoomChoice(), 3);
    EXPECT_EQ(controller->getParamNormalized(ids::kBypassId), 1.0);

    // A controller state saved before the editor had settings (the trailer
    // alone) still restores the switch and leaves the zoom as it is.
    MemoryStream older;
    older.write(const_cast<char*>("TVBY\0\0\0\0"), 8, nullptr);
    older.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setState(&older), kResultOk);
    EXPECT_EQ(controller->editorZoomChoice(), 3);
    EXPECT_EQ(controller->getParamNormalized(ids::kBypassId), 0.0);
}

TEST(ControllerLifecycle, ReinitialiseDoesNotDuplicate)
{
    HostApplication host;
    auto* controller = new TolvaneVSTController;
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    controller->terminate();
    ASSERT_EQ(controller->initialize(&host), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 2081);
    EXPECT_EQ(controller->getUnitCount(), 17);
    controller->terminate();
    controller->release();
}

} // namespace
