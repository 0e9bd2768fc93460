// SPDX-License-Identifier: GPL-3.0-or-later
// The installed factory presets in the built plug-in, loaded through the SDK's
// hosting classes as a host loads them: each one sounds (parts 1-4 and 10
// struck), never clips, and program changes from the host and from MIDI still
// select programs on every part while each part's program list names the tones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "BundleSession.h"
#include "VstTestSupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

using namespace tolvane_vst_test;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
constexpr int kPartsOffset = 13, kPartRecordSize = 11, kProgramInRecord = 3; // the state's part records

std::vector<std::filesystem::path> factoryPresets()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TOLVANE_FACTORY_PRESET_DIR))
        if (entry.path().extension() == ".vstpreset")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Processor and controller from the bundle's factory, connected as a host connects them.
class HostedPlugin : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.ready()); }

    bool loadPreset(const std::filesystem::path& path)
    {
        IPtr<IBStream> file = owned(FileStream::open(path.c_str(), "rb"));
        return file && PresetFile::loadPreset(file, FUID::fromTUID(processorClass.data()), component, controller);
    }

    // Renders `blocks` blocks with `fill` adding each block's input; returns the peak of all outputs.
    template <typename Fill> float play(int blocks, Fill fill)
    {
        float peak = 0.0f;
        for (int b = 0; b < blocks; ++b) {
            Block block(kBlock);
            fill(block, b);
            EXPECT_EQ(processor->process(block.data), kResultOk);
            for (int bus = 0; bus < 16; ++bus)
                for (int side = 0; side < 2; ++side)
                    for (int i = 0; i < kBlock; ++i)
                        peak = std::max(peak, std::fabs(block.sample(bus, side, i)));
        }
        return peak;
    }

    std::vector<std::uint8_t> state()
    {
        MemoryStream stream;
        EXPECT_EQ(component->getState(&stream), kResultOk);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.getData());
        return {bytes, bytes + stream.getSize()};
    }

    BundleSession session{kBlock, double(kRate)};
    IPtr<IComponent>& component = session.component;
    IPtr<IEditController>& controller = session.controller;
    FUnknownPtr<IAudioProcessor>& processor = session.processor;
    VST3::UID& processorClass = session.processorClass;
};

// A chord on parts 1-4 and a kick, snare and hat on part 10 at velocity 100,
// held a second, then let go: every preset sounds and none reaches full scale.
TEST_F(HostedPlugin, EveryFactoryPresetLoadsAndSoundsWithoutClipping)
{
    const auto presets = factoryPresets();
    ASSERT_GE(presets.size(), 32u);
    for (const auto& path : presets) {
        SCOPED_TRACE(path.filename().string());
        ASSERT_TRUE(loadPreset(path));
        const float peak = play(140, [](Block& block, int b) {
            const int16 keys[] = {60, 64, 67, 48};
            for (int16 part = 0; part < 4; ++part)
                if (b == 0)
                    block.addNoteOn(part, keys[part], 100.0f / 127.0f);
                else if (b == 90)
                    block.addNoteOff(part, keys[part]);
            for (const int16 drum : {36, 38, 42})
                if (b == 0 || b == 40)
                    block.addNoteOn(9, drum, 100.0f / 127.0f);
        });
        EXPECT_GT(20.0f * std::log10(peak), -60.0f);
        EXPECT_LT(peak, 1.0f);
    }
}

TEST_F(HostedPlugin, ProgramChangesFromTheHostAndFromMidiSelectProgramsOnEveryPart)
{
    const auto presets = factoryPresets();
    const auto chipBank = std::find_if(presets.begin(), presets.end(),
                                       [](const auto& p) { return p.filename() == "Chip Bank.vstpreset"; });
    ASSERT_NE(chipBank, presets.end());
    ASSERT_TRUE(loadPreset(*chipBank));
    FUnknownPtr<IUnitInfo> units(controller);
    FUnknownPtr<IMidiMapping> mapping(controller);
    ASSERT_TRUE(units && mapping);

    // The host's program change: the program parameter of each part's unit.
    std::vector<ParamID> programParameters(16, kNoParamId);
    for (int32 i = 0; i < controller->getParameterCount(); ++i) {
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        for (int part = 0; part < 16; ++part) {
            UnitID unit = -1;
            ASSERT_EQ(units->getUnitByBus(kEvent, kInput, 0, part, unit), kResultTrue);
            if ((info.flags & ParameterInfo::kIsProgramChange) && info.unitId == unit)
                programParameters[static_cast<std::size_t>(part)] = info.id;
        }
    }
    auto programOf = [this](int part) { return state()[kPartsOffset + kPartRecordSize * part + kProgramInRecord]; };
    for (int part = 0; part < 16; ++part) {
        SCOPED_TRACE("part " + std::to_string(part + 1));
        ASSERT_NE(programParameters[static_cast<std::size_t>(part)], kNoParamId);
        const int fromHost = (part * 7 + 3) % 128;
        play(1, [&](Block& block, int) {
            block.addParameter(programParameters[static_cast<std::size_t>(part)], fromHost / 127.0);
        });
        EXPECT_EQ(programOf(part), fromHost);

        ParamID midiProgram = kNoParamId;
        ASSERT_EQ(mapping->getMidiControllerAssignment(0, static_cast<int16>(part), kCtrlProgramChange, midiProgram),
                  kResultTrue);
        const int fromMidi = (part * 11 + 40) % 128;
        play(1, [&](Block& block, int) { block.addParameter(midiProgram, fromMidi / 127.0); });
        EXPECT_EQ(programOf(part), fromMidi);

        // The part's list names the chip bank's tone, as does the parameter's value.
        UnitInfo unit{};
        ASSERT_EQ(units->getUnitInfo(1 + part, unit), kResultOk);
        String128 name{};
        ASSERT_EQ(units->getProgramName(unit.programListId, 24, name), kResultTrue);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name)), u"Tri Bass");
    }
}

} // namespace
