// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlEdit.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/FileSelection.h"
#include "EditorLogic/MenuModel.h"
#include "EditorLogic/Zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

using namespace kest::tolvane::editor;

TEST(MenuModel, EntriesAreNumberedWithoutSeparators)
{
    const MenuDef* part = findMenuDef(ids::part::kPopupMenu);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(menuEntryCount(*part), 5);
    EXPECT_STREQ(menuEntry(*part, 1)->title, "Reset All Controller");
    EXPECT_STREQ(menuEntry(*part, 3)->title, "OutPut");
    EXPECT_EQ(menuEntry(*part, 3)->subMenuId, ids::part::kOutputMenu);
    EXPECT_STREQ(menuEntry(*part, 4)->title, "Play\xE2\x80\xA6");
    EXPECT_EQ(menuEntry(*part, 5), nullptr);

    const MenuDef* system = findMenuDef(ids::system::kPopupMenu);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->style, MenuCheckStyle::MultipleCheck);
    EXPECT_TRUE(menuEntry(*system, 1)->disabled);
    EXPECT_STREQ(menuEntry(*system, 2)->title, "Recieve sysEx");
    EXPECT_STREQ(menuEntry(*system, 3)->title, "NRPN Controlle");
    EXPECT_STREQ(menuEntry(*system, 4)->title, "Store samples in the project");
    EXPECT_EQ(menuEntry(*system, 5)->subMenuId, ids::system::kZoomMenu);
    // Last, greyed too: the voice count and why Polyphony is greyed.
    EXPECT_EQ(menuEntryCount(*system), 7);
    EXPECT_TRUE(menuEntry(*system, 6)->disabled);
    EXPECT_EQ(menuEntry(*system, 6)->title, voicesNote(128));
    EXPECT_EQ(voicesNote(1024), "1024 voices, set by a preset or project");

    EXPECT_EQ(menuEntryCount(*findMenuDef(ids::system::kPolyphonyMenu)), 9);
    EXPECT_EQ(menuEntryCount(*findMenuDef(ids::part::kOutputMenu)), 16);
    EXPECT_EQ(menuEntryCount(*findMenuDef(ids::waveTable::kSizeMenu)), 5);
    EXPECT_EQ(menuEntryCount(*findMenuDef(ids::waveTable::kBitDepthMenu)), 8);
    EXPECT_EQ(menuDefs().size(), 12u);
}

TEST(MenuModel, ChoicesSendValuesOrOpenSelectors)
{
    auto check = [](int menu, int entry, MenuActionKind kind, int code) {
        const MenuAction action = menuChoice(menu, entry);
        EXPECT_EQ(action.kind, kind) << std::hex << menu << " " << entry;
        EXPECT_EQ(action.code, code) << std::hex << menu << " " << entry;
    };
    check(ids::system::kPopupMenu, ids::system::kReset, MenuActionKind::SendValue, ids::system::kReset);
    check(ids::system::kPopupMenu, 0x0082, MenuActionKind::None, 0);
    check(ids::system::kPopupMenu, ids::system::kReceiveSysEx, MenuActionKind::SendValue, ids::system::kReceiveSysEx);
    check(ids::system::kPopupMenu, ids::system::kNrpn, MenuActionKind::SendValue, ids::system::kNrpn);
    check(ids::system::kPopupMenu, ids::system::kStoreSamples, MenuActionKind::SendValue, ids::system::kStoreSamples);
    check(ids::part::kPopupMenu, ids::part::kReset, MenuActionKind::SendValue, ids::part::kReset);
    check(ids::part::kPopupMenu, ids::part::kResetControllers, MenuActionKind::SendValue, ids::part::kResetControllers);
    check(ids::part::kPopupMenu, ids::part::kAllSoundOff, MenuActionKind::SendValue, ids::part::kAllSoundOff);
    check(ids::part::kPopupMenu, 0x0185, MenuActionKind::OpenPlayPanel, 0);
    check(ids::tone::kPopupMenu, ids::tone::kReset, MenuActionKind::SendValue, ids::tone::kReset);
    check(ids::tone::kPopupMenu, 0x1082, MenuActionKind::ImportFile, ids::file::kImportToneText);
    check(ids::tone::kPopupMenu, 0x1083, MenuActionKind::ExportFile, ids::file::kExportToneText);
    check(ids::tone::kPopupMenu, 0x1084, MenuActionKind::ExportFile, ids::file::kExportToneSysEx);
    check(ids::sampler::kPopupMenu, 0x2082, MenuActionKind::ImportFile, ids::file::kImportSamplerText);
    check(ids::sampler::kPopupMenu, 0x2084, MenuActionKind::ExportFile, ids::file::kExportSamplerSysEx);
    check(ids::sampleData::kPopupMenu, ids::sampleData::kClear, MenuActionKind::SendValue, ids::sampleData::kClear);
    check(ids::sampleData::kPopupMenu, 0x3084, MenuActionKind::ImportFile, ids::file::kImportWavAdpcm);
    check(ids::sampleData::kPopupMenu, 0x3085, MenuActionKind::ImportFile, ids::file::kImportSampleDataText);
    check(ids::sampleData::kPopupMenu, 0x3086, MenuActionKind::ExportFile, ids::file::kExportSampleDataText);
    check(ids::waveTable::kPopupMenu, 0x5083, MenuActionKind::ImportFile, ids::file::kImportWaveTableText);
    check(ids::waveTable::kPopupMenu, 0x5085, MenuActionKind::ExportFile, ids::file::kExportWaveTableSysEx);
    check(ids::waveTable::kPopupMenu, 0x5081, MenuActionKind::None, 0);
    check(ids::sampleData::kPopupMenu, 0x3087, MenuActionKind::None, 0); // past the last entry
    check(0x4080, 0x4081, MenuActionKind::None, 0);                      // no such menu

    EXPECT_TRUE(menuChoice(ids::system::kPopupMenu, ids::system::kReset).clearCheck);
    EXPECT_FALSE(menuChoice(ids::system::kPopupMenu, ids::system::kReceiveSysEx).clearCheck);
}

TEST(MenuModel, SubMenuChoicesSendTheirNormalizedIndex)
{
    const MenuAction poly = menuChoice(ids::system::kPolyphonyMenu, ids::system::kPolyphonyMenu + 5 + 1); // "128"
    EXPECT_EQ(poly.kind, MenuActionKind::SendIndex);
    EXPECT_EQ(poly.code, ids::system::kPolyphonyMenu);
    EXPECT_FLOAT_EQ(poly.value, 5.0f / 8.0f);
    EXPECT_FLOAT_EQ(menuChoice(ids::part::kOutputMenu, 0x01A0).value, 1.0f); // "Out 16"
    EXPECT_FLOAT_EQ(menuChoice(ids::part::kOutputMenu, 0x0191).value, 0.0f);
    EXPECT_FLOAT_EQ(menuChoice(ids::waveTable::kSizeMenu, 0x5093).value, 0.5f); // 32 samples
    EXPECT_EQ(menuChoice(ids::waveTable::kBitDepthMenu, 0x50A8).code, ids::waveTable::kBitDepthMenu);
    EXPECT_FLOAT_EQ(menuChoice(ids::waveTable::kBitDepthMenu, 0x50A8).value, 1.0f); // 8 bits
}

TEST(FileSelection, EverySelectorInTheMenusExists)
{
    for (const auto& menu : menuDefs())
        for (const auto& entry : menu.entries) {
            if (entry.action != MenuActionKind::ImportFile && entry.action != MenuActionKind::ExportFile)
                continue;
            const FileSelectorInfo* selectorInfo = findFileSelector(entry.code);
            ASSERT_NE(selectorInfo, nullptr) << entry.title;
            EXPECT_EQ(selectorInfo->save, entry.action == MenuActionKind::ExportFile) << entry.title;
            EXPECT_EQ(selectorInfo->save, selectorInfo->defaultName != nullptr) << entry.title;
            EXPECT_EQ(selectorInfo->multipleFiles, (selectorInfo->code & ids::file::kWavImportFlag) != 0)
                << entry.title;
        }
    EXPECT_EQ(findFileSelector(0x1300), nullptr);
    EXPECT_STREQ(findFileSelector(ids::file::kExportToneText)->defaultName, "TonePresets.txt");
    EXPECT_STREQ(findFileSelector(ids::file::kImportSampleDataText)->title, "Import SampleData Paarmeters File");
    ASSERT_EQ(findFileSelector(ids::file::kImportSampleDataText)->filters.size(), 3u);
    EXPECT_STREQ(findFileSelector(ids::file::kImportSampleDataText)->filters[2].description, "csv files(.csv)");
    EXPECT_STREQ(findFileSelector(ids::file::kImportToneText)->filters[2].description, "text files(.csv)");
}

TEST(FileSelection, WavFilesGoIntoConsecutiveSlotsUpTo127)
{
    const auto three = fileSelectMessages(ids::file::kImportWavPcm, {"a.wav", "b.wav", "c.wav"}, 126);
    ASSERT_EQ(three.size(), 2u);
    EXPECT_EQ(three[0].code, (ids::file::kImportWavPcm | 126));
    EXPECT_EQ(three[0].path, "a.wav");
    EXPECT_EQ(three[1].code, (ids::file::kImportWavPcm | 127));
    EXPECT_EQ(three[1].path, "b.wav");

    const auto adpcm = fileSelectMessages(ids::file::kImportWavAdpcm, {"x.wav"}, 5);
    ASSERT_EQ(adpcm.size(), 1u);
    EXPECT_EQ(adpcm[0].code, (ids::file::kImportWavAdpcm | 5));

    EXPECT_EQ(fileSelectMessages(ids::file::kImportWavDpcm, {"1", "2", "3", "4"}, 0).back().code,
              (ids::file::kImportWavDpcm | 3));
}

TEST(FileSelection, SingleFileActionsSendTheFirstPathOnly)
{
    const auto import = fileSelectMessages(ids::file::kImportToneText, {"first.txt", "second.txt"}, 9);
    ASSERT_EQ(import.size(), 1u);
    EXPECT_EQ(import[0].code, ids::file::kImportToneText);
    EXPECT_EQ(import[0].path, "first.txt");
    EXPECT_EQ(fileSelectMessages(ids::file::kExportToneText, {"out.txt"}, 0).at(0).code, ids::file::kExportToneText);

    EXPECT_TRUE(fileSelectMessages(ids::file::kExportToneText, {}, 0).empty()); // cancelled
    EXPECT_TRUE(fileSelectMessages(0, {"a"}, 0).empty());                       // no selector pending
}

TEST(FileSelection, PathBytesCarryTheTerminatingZero)
{
    const auto bytes = pathAttributeBytes("/tmp/a.wav");
    ASSERT_EQ(bytes.size(), 11u);
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(std::string(bytes.data()), "/tmp/a.wav");
}

TEST(ControlEdit, TagsSelectWhatAnEditDoes)
{
    auto kindOf = [](int tag, float v = 0.7f) { return classifyControlEdit(tag, v).kind; };
    EXPECT_EQ(kindOf(kTagValueText | ids::part::kPitchBend), EditKind::SendTypedNumber);
    EXPECT_EQ(kindOf(kTagControl | ids::system::kMasterVolume), EditKind::SendValue);
    EXPECT_EQ(kindOf(kTagControl | ids::part::kMode), EditKind::SendValue);
    EXPECT_EQ(kindOf(kTagControl | ids::tone::kName), EditKind::StoreToneName);
    EXPECT_EQ(kindOf(kTagControl | ids::sampler::kName), EditKind::StoreSamplerName);
    EXPECT_EQ(kindOf(kTagControl | ids::sampleData::kSourceRate), EditKind::SendRawFloat);
    EXPECT_EQ(kindOf(kTagControl | ids::sampleData::kLoopEnd), EditKind::SendRawInteger);
    EXPECT_EQ(kindOf(kTagControl | ids::sampleData::kFramesLabel), EditKind::Ignore);
    EXPECT_EQ(kindOf(kTagControl | ids::waveTable::kNoise), EditKind::SendToolPress);
    EXPECT_EQ(kindOf(kTagControl | ids::waveTable::kNoise, 0.0f), EditKind::Ignore); // release
    EXPECT_EQ(kindOf(kTagControl | ids::tone::kMenuButton), EditKind::OpenPopupMenu);
    EXPECT_EQ(kindOf(kTagControl | ids::tone::kMenuButton, 0.0f), EditKind::Ignore);
    EXPECT_EQ(kindOf(kTagControl | ids::waveTable::kBitDepthMenu), EditKind::MenuChoice);
    EXPECT_EQ(kindOf(kTagControl | ids::system::kPopupMenu), EditKind::MenuChoice);
    EXPECT_EQ(kindOf(kTagControl | ids::logo::kLogo), EditKind::ShowOverlay);
    EXPECT_EQ(kindOf(kTagControl | ids::logo::kLibraryLogo), EditKind::HideOverlay);
    EXPECT_EQ(kindOf(kTagControl | ids::logo::kLibraryLogo, 0.5f), EditKind::Ignore);
    EXPECT_EQ(kindOf(ids::system::kMasterVolume), EditKind::Ignore);
    // The sequences page: plain values, its own buttons and fields.
    EXPECT_EQ(kindOf(kTagControl | ids::sequence::kLength), EditKind::SendPlain);
    EXPECT_EQ(kindOf(kTagValueText | ids::sequence::kTickRate), EditKind::SendTypedPlain);
    EXPECT_EQ(kindOf(kTagSequenceKind | 2), EditKind::SelectSequenceKind);
    EXPECT_EQ(kindOf(kTagControl | ids::sequence::kNotation), EditKind::SendNotation);
    EXPECT_EQ(kindOf(kTagControl | ids::sequence::kRange), EditKind::ChooseRange);
    EXPECT_EQ(kindOf(kTagControl | ids::tone::kSequencesTab), EditKind::ShowSequencesPage);
    EXPECT_EQ(kindOf(kTagControl | ids::sequence::kToneTab), EditKind::ShowTonePage);
    EXPECT_EQ(kindOf(kTagControl | ids::sequence::kTickLengthLabel), EditKind::Ignore);
    // The PLAY panel: the stored play's values, its mode buttons and the ways to close it.
    for (int id : {ids::part::kPortamentoTime, ids::part::kArpPattern, ids::part::kArpOctaves, ids::part::kArpRate,
                   ids::part::kArpNoteValue, ids::part::kArpRetrigger})
        EXPECT_EQ(kindOf(kTagControl | id), EditKind::SendValue) << std::hex << id;
    EXPECT_EQ(kindOf(kTagValueText | ids::part::kArpRate), EditKind::SendTypedNumber);
    EXPECT_EQ(classifyControlEdit(kTagPlayMode | 2, 0.0f).kind, EditKind::SelectPlayMode);
    EXPECT_EQ(classifyControlEdit(kTagPlayMode | 2, 0.0f).id, ids::part::kPlayMode);
    EXPECT_EQ(kindOf(kTagControl | playPanel::kClose), EditKind::HidePlayPanel);
    EXPECT_EQ(kindOf(kTagControl | playPanel::kShade), EditKind::HidePlayPanel);
    EXPECT_EQ(kindOf(kTagControl | playPanel::kShade, 0.0f), EditKind::Ignore);
    EXPECT_EQ(kindOf(kTagControl | playPanel::kGlideTime), EditKind::Ignore);
    // Which edits change the tone on show (the editor picks it first while it follows the part).
    EXPECT_TRUE(editsCurrentTone(ids::tone::kTl));
    EXPECT_TRUE(editsCurrentTone(ids::sequenceStep::id(5)));
    EXPECT_TRUE(editsCurrentTone(ids::sequence::kLfoDepth));
    EXPECT_FALSE(editsCurrentTone(ids::sequence::kTickRate));
    EXPECT_FALSE(editsCurrentTone(ids::tone::kSelect));
    EXPECT_FALSE(editsCurrentTone(ids::part::kProgram));
}

TEST(ControlEdit, EveryWaveBarSendsItsValueEvenWhereItsByteLooksLikeAMenu)
{
    for (int index = 0; index < 128; ++index)
        EXPECT_EQ(classifyControlEdit(kTagControl | (ids::wavePoint::kFirst + index), 0.0f).kind, EditKind::SendValue)
            << index;
}

TEST(ControlEdit, PartParametersFollowTheCurrentPart)
{
    EXPECT_EQ(partParameterId(ids::part::kProgram, 0), 0x10082u);
    EXPECT_EQ(partParameterId(ids::part::kPitchBend, 2), 0x10281u);
    EXPECT_EQ(partParameterId(ids::part::kModulation, 15), 0x10F01u);
    EXPECT_EQ(partParameterId(ids::part::kVolume, 1), 0x10107u);
    EXPECT_EQ(partParameterId(ids::part::kPan, 1), 0x1010Au);
    EXPECT_EQ(partParameterId(ids::part::kExpression, 1), 0x1010Bu);
    EXPECT_FALSE(partParameterId(ids::part::kBendRange, 1).has_value()); // BENDSENS has none
    EXPECT_FALSE(partParameterId(ids::part::kSelect, 1).has_value());
}

// The Zoom sub-menu is the editor's own: its choices never become value
// changes, and an entry's index is the ZoomChoice saved with the controller.
TEST(MenuModel, ZoomEntriesSetTheEditorsZoomInSavedOrder)
{
    const MenuDef* zoomMenu = findMenuDef(ids::system::kZoomMenu);
    ASSERT_NE(zoomMenu, nullptr);
    EXPECT_EQ(zoomMenu->style, MenuCheckStyle::CheckCurrent);
    ASSERT_EQ(menuEntryCount(*zoomMenu), kZoomChoiceCount);
    for (int index = 0; index < kZoomChoiceCount; ++index) {
        const MenuAction action = menuChoice(ids::system::kZoomMenu, ids::system::kZoomMenu + index + 1);
        EXPECT_EQ(action.kind, MenuActionKind::SetZoom);
        EXPECT_EQ(action.code, index);
    }
    EXPECT_STREQ(menuEntry(*zoomMenu, kZoom200)->title, "200 %");
}

TEST(Zoom, TheUsersChoiceWinsAndOnlyAPlausibleHostFactorCounts)
{
    EXPECT_DOUBLE_EQ(zoomFactor(kZoom150, 2.0), 1.5);
    EXPECT_DOUBLE_EQ(zoomFactor(kZoom100, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(zoomFactor(kZoomAsHost, 1.25), 1.25);
    for (const double nonsense : {0.0, -2.0, 0.5, 100.0, std::nan("")})
        EXPECT_DOUBLE_EQ(zoomFactor(kZoomAsHost, nonsense), 1.0) << nonsense;
    // A stored byte from a newer or damaged state is not a choice.
    EXPECT_FALSE(isZoomChoice(kZoomChoiceCount));
    EXPECT_FALSE(isZoomChoice(-1));
    EXPECT_EQ(zoomedWindowSize(2.0).width, 1056);
    EXPECT_EQ(zoomedWindowSize(2.0).height, 1408);
    EXPECT_EQ(zoomedWindowSize(1.25).width, 660);
    EXPECT_EQ(zoomedWindowSize(1.25).height, 880);
}
