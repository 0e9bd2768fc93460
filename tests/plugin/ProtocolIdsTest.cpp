// SPDX-License-Identifier: GPL-3.0-or-later
// The shared vocabulary by its wire values: the other tests name ids through
// the header, so a renumbered or renamed entry would pass them unnoticed.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ProtocolIds.h"

namespace kest::tolvane::plugin {
namespace {

using Pairs = std::vector<std::pair<int, int>>;

void expectWire(const Pairs& pairs)
{
    for (const auto& [named, wire] : pairs)
        EXPECT_EQ(named, wire) << std::hex << "0x" << wire;
}

TEST(ProtocolIds, ValueIdsKeepTheirWireNumbers)
{
    // Each page's consecutive items, from its first id.
    const std::vector<std::pair<std::vector<int>, int>> runs = {
        {{ids::system::kMenuButton, ids::system::kMasterVolume, ids::system::kMasterTune}, 0x0000},
        {{ids::part::kMenuButton, ids::part::kSelect, ids::part::kMode, ids::part::kProgram, ids::part::kBendRange,
          ids::part::kPitchBend, ids::part::kModulation, ids::part::kVolume, ids::part::kPan, ids::part::kExpression},
         0x0100},
        {{ids::tone::kMenuButton, ids::tone::kSelect, ids::tone::kName, ids::tone::kStrc, ids::tone::kKey,
          ids::tone::kPan, ids::tone::kLfoFreq, ids::tone::kLms, ids::tone::kTune, ids::tone::kWave, ids::tone::kTl,
          ids::tone::kAr, ids::tone::kDr, ids::tone::kSl, ids::tone::kRr, ids::tone::kKf, ids::tone::kKfStart},
         0x1000},
        {{ids::sampler::kMenuButton, ids::sampler::kSelect, ids::sampler::kName, ids::sampler::kSampleNumber,
          ids::sampler::kPan, ids::sampler::kOctave, ids::sampler::kTune, ids::sampler::kTl, ids::sampler::kAr,
          ids::sampler::kDr, ids::sampler::kSl, ids::sampler::kRr},
         0x2000},
        {{ids::sampleData::kMenuButton, ids::sampleData::kSelect, ids::sampleData::kFramesLabel,
          ids::sampleData::kChannelCountLabel, ids::sampleData::kSourceRate, ids::sampleData::kPitch,
          ids::sampleData::kLoopableLabel, ids::sampleData::kPlaybackStart, ids::sampleData::kPlaybackEnd,
          ids::sampleData::kLoopStart, ids::sampleData::kLoopEnd, ids::sampleData::kSourceLabel},
         0x3000},
        {{ids::waveTable::kMenuButton, ids::waveTable::kSelect, ids::waveTable::kBarIndexLabel,
          ids::waveTable::kBarValueLabel},
         0x5000},
        {{ids::waveTable::kGeneratorPeriod, ids::waveTable::kGeneratorLevel}, 0x5010},
        {{ids::waveTable::kInvert, ids::waveTable::kReverse, ids::waveTable::kRotateLeft, ids::waveTable::kRotateRight,
          ids::waveTable::kSine, ids::waveTable::kTriangle, ids::waveTable::kSquare, ids::waveTable::kSaw,
          ids::waveTable::kFlat, ids::waveTable::kNoise},
         0x5020},
        {{ids::logo::kLogo, ids::logo::kLibraryLogo}, 0x8000},
        {{ids::sequence::kMenuButton, ids::sequence::kKind, ids::sequence::kMode, ids::sequence::kLength,
          ids::sequence::kLoop, ids::sequence::kRelease, ids::sequence::kStepTicks, ids::sequence::kDelay,
          ids::sequence::kLfoDelay, ids::sequence::kLfoFade, ids::sequence::kLfoDepth, ids::sequence::kTickRate,
          ids::sequence::kTickLengthLabel, ids::sequence::kNotation, ids::sequence::kRange, ids::sequence::kToneTab,
          ids::sequence::kLfoTitle},
         0x1100},
    };
    for (const auto& [named, first] : runs)
        for (std::size_t i = 0; i < named.size(); ++i)
            EXPECT_EQ(named[i], first + static_cast<int>(i)) << std::hex << "0x" << first << " + " << i;

    expectWire({{ids::system::kPopupMenu, 0x0080},
                {ids::system::kReset, 0x0081},
                {ids::system::kReceiveSysEx, 0x0083},
                {ids::system::kNrpn, 0x0084},
                {ids::system::kStoreSamples, 0x0085},
                {ids::system::kPolyphonyMenu, 0x0090},
                {ids::system::kZoomMenu, 0x00A0},
                {ids::part::kPopupMenu, 0x0180},
                {ids::part::kReset, 0x0181},
                {ids::part::kResetControllers, 0x0182},
                {ids::part::kAllSoundOff, 0x0183},
                {ids::part::kOutputMenu, 0x0190},
                {ids::tone::kPopupMenu, 0x1080},
                {ids::tone::kReset, 0x1081},
                {ids::sampler::kPopupMenu, 0x2080},
                {ids::sampler::kReset, 0x2081},
                {ids::sampleData::kPopupMenu, 0x3080},
                {ids::sampleData::kClear, 0x3081},
                {ids::waveTable::kPopupMenu, 0x5080},
                {ids::waveTable::kSizeMenu, 0x5090},
                {ids::waveTable::kBitDepthMenu, 0x50A0},
                {ids::waveTable::kFirstTool, 0x5020},
                {ids::waveTable::kToolCount, 10},
                {ids::wavePoint::id(0), 0x5100},
                {ids::wavePoint::id(127), 0x517F},
                {ids::wavePoint::indexOf(0x51FF), 127},
                {ids::pageOf(0x517F), 0x51},
                {ids::itemOf(0x517F), 0x7F},
                {ids::tone::kSequencesTab, 0x1040},
                {ids::sequence::kPopupMenu, 0x1180},
                {ids::sequence::kClear, 0x1181},
                {ids::sequence::kClearAll, 0x1182},
                {ids::sequenceStep::id(0), 0x1200},
                {ids::sequenceStep::id(63), 0x123F},
                {ids::sequenceStep::indexOf(0x123F), 63}});
}

TEST(ProtocolIds, FileActionsAndHostParametersKeepTheirNumbers)
{
    expectWire({{ids::file::kImportToneText, 0x1100},
                {ids::file::kImportSamplerText, 0x1200},
                {ids::file::kImportSampleDataText, 0x1500},
                {ids::file::kImportWaveTableText, 0x1600},
                {ids::file::kImportWavPcm, 0x2100},
                {ids::file::kImportWavDpcm, 0x2200},
                {ids::file::kImportWavAdpcm, 0x2300},
                {ids::file::kExportToneText, 0x9100},
                {ids::file::kExportSamplerText, 0x9200},
                {ids::file::kExportToneSysEx, 0x9300},
                {ids::file::kExportSamplerSysEx, 0x9400},
                {ids::file::kExportSampleDataText, 0x9500},
                {ids::file::kExportWaveTableText, 0x9600},
                {ids::file::kExportWaveTableSysEx, 0x9700},
                {ids::file::actionOf(0x237F), 0x2300},
                {ids::file::slotOf(0x23FF), 0x7F}});
    EXPECT_EQ(ids::hostParam::midi(15, ids::hostParam::kProgramItem), 0x10F82u);
    EXPECT_EQ(ids::hostParam::midi(2, ids::hostParam::kPitchBendItem), 0x10281u);
    EXPECT_EQ(ids::hostParam::midi(0, 7), 0x10007u);
    // The processor decodes what the controller composed; the bypass switch
    // and the unit ids are not MIDI parameters.
    EXPECT_TRUE(ids::hostParam::isMidi(0x10F82u));
    EXPECT_EQ(ids::hostParam::channelOf(0x10F82u), 15);
    EXPECT_EQ(ids::hostParam::itemOf(0x10F82u), ids::hostParam::kProgramItem);
    EXPECT_FALSE(ids::hostParam::isMidi(0x1000001u));
    EXPECT_FALSE(ids::hostParam::isMidi(0x100000u));
    EXPECT_TRUE(ids::hostParam::isMappedItem(127));
    EXPECT_FALSE(ids::hostParam::isMappedItem(0x80));
    EXPECT_FALSE(ids::hostParam::isMappedItem(0x83));
}

TEST(ProtocolIds, MessageNamesAttributeKeysAndVersionKeepTheirTexts)
{
    const std::vector<std::pair<const char*, std::string>> texts = {
        {ids::message::kValueChange, "GUIEditor:tvValueChange"},
        {ids::message::kFileSelect, "GUIEditor:tvFileSelect"},
        {ids::message::kEditorOpened, "GUIEditor:openGUI"},
        {ids::message::kValueUpdate, "GUIEditor:tvValueUpdate"},
        {ids::message::kUiUpdate, "Processor:uiUpdate"},
        {ids::message::kOpenGui, "Processor:openGUI"},
        {ids::message::kSetState, "Processor:setState"},
        {ids::message::kGetState, "Processor:getState"},
        {ids::attr::kTag, "tag"},
        {ids::attr::kValue, "val"},
        {ids::attr::kPath, "path"},
        {ids::attr::kContext, "tvset"},
        {ids::kVersion, "23.1.6"},
        {ids::kLibraryVersion, "22.12.4"},
    };
    for (const auto& [named, wire] : texts)
        EXPECT_EQ(named, wire);
}

} // namespace
} // namespace kest::tolvane::plugin
