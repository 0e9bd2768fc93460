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
    const MenuDef* part = findMenuDef(0x0180);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(menuEntryCount(*part), 4);
    EXPECT_STREQ(menuEntry(*part, 1)->title, "Reset All Controller");
    EXPECT_STREQ(menuEntry(*part, 3)->title, "OutPut");
    EXPECT_EQ(menuEntry(*part, 3)->subMenuId, 0x0190);
    EXPECT_EQ(menuEntry(*part, 4), nullptr);

    const MenuDef* system = findMenuDef(0x0080);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(system->style, MenuCheckStyle::MultipleCheck);
    EXPECT_TRUE(menuEntry(*system, 1)->disabled);
    EXPECT_STREQ(menuEntry(*system, 2)->title, "Recieve sysEx");
    EXPECT_STREQ(menuEntry(*system, 3)->title, "NRPN Controlle");
    EXPECT_STREQ(menuEntry(*system, 4)->title, "Store samples in the project");
    EXPECT_EQ(menuEntry(*system, 5)->subMenuId, ids::system::kZoomMenu);

    EXPECT_EQ(menuEntryCount(*findMenuDef(0x0090)), 9);
    EXPECT_EQ(menuEntryCount(*findMenuDef(0x0190)), 16);
    EXPECT_EQ(menuEntryCount(*findMenuDef(0x5090)), 5);
    EXPECT_EQ(menuEntryCount(*findMenuDef(0x50A0)), 8);
    EXPECT_EQ(menuDefs().size(), 11u);
}

TEST(MenuModel, ChoicesSendValuesOrOpenSelectors)
{
    auto check = [](int menu, int entry, MenuActionKind kind, int code) {
        const MenuAction action = menuChoice(menu, entry);
        EXPECT_EQ(action.kind, kind) << std::hex << menu << " " << entry;
        EXPECT_EQ(action.code, code) << std::hex << menu << " " << entry;
    };
    check(0x0080, 0x0081, MenuActionKind::SendValue, 0x0081);
    check(0x0080, 0x0082, MenuActionKind::None, 0);
    check(0x0080, 0x0083, MenuActionKind::SendValue, 0x0083);
    check(0x0080, 0x0084, MenuActionKind::SendValue, 0x0084);
    check(0x0080, 0x0085, MenuActionKind::SendValue, 0x0085);
    check(0x0180, 0x0181, MenuActionKind::SendValue, 0x0181);
    check(0x0180, 0x0182, MenuActionKind::SendValue, 0x0182);
    check(0x0180, 0x0183, MenuActionKind::SendValue, 0x0183);
    check(0x1080, 0x1081, MenuActionKind::SendValue, 0x1081);
    check(0x1080, 0x1082, MenuActionKind::ImportFile, 0x1100);
    check(0x1080, 0x1083, MenuActionKind::ExportFile, 0x9100);
    check(0x1080, 0x1084, MenuActionKind::ExportFile, 0x9300);
    check(0x2080, 0x2082, MenuActionKind::ImportFile, 0x1200);
    check(0x2080, 0x2084, MenuActionKind::ExportFile, 0x9400);
    check(0x3080, 0x3081, MenuActionKind::SendValue, 0x3081);
    check(0x3080, 0x3084, MenuActionKind::ImportFile, 0x2300);
    check(0x3080, 0x3085, MenuActionKind::ImportFile, 0x1500);
    check(0x3080, 0x3086, MenuActionKind::ExportFile, 0x9500);
    check(0x5080, 0x5083, MenuActionKind::ImportFile, 0x1600);
    check(0x5080, 0x5085, MenuActionKind::ExportFile, 0x9700);
    check(0x5080, 0x5081, MenuActionKind::None, 0);
    check(0x3080, 0x3087, MenuActionKind::None, 0);  // past the last entry
    check(0x4080, 0x4081, MenuActionKind::None, 0);  // no such menu

    EXPECT_TRUE(menuChoice(0x0080, 0x0081).clearCheck);
    EXPECT_FALSE(menuChoice(0x0080, 0x0083).clearCheck);
}

TEST(MenuModel, SubMenuChoicesSendTheirNormalizedIndex)
{
    const MenuAction poly = menuChoice(0x0090, 0x0090 + 5 + 1);  // "128"
    EXPECT_EQ(poly.kind, MenuActionKind::SendIndex);
    EXPECT_EQ(poly.code, 0x0090);
    EXPECT_FLOAT_EQ(poly.value, 5.0f / 8.0f);
    EXPECT_FLOAT_EQ(menuChoice(0x0190, 0x01A0).value, 1.0f);  // "Out 16"
    EXPECT_FLOAT_EQ(menuChoice(0x0190, 0x0191).value, 0.0f);
    EXPECT_FLOAT_EQ(menuChoice(0x5090, 0x5093).value, 0.5f);  // 32 samples
    EXPECT_EQ(menuChoice(0x50A0, 0x50A8).code, 0x50A0);
    EXPECT_FLOAT_EQ(menuChoice(0x50A0, 0x50A8).value, 1.0f);  // 8 bits
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
            EXPECT_EQ(selectorInfo->multipleFiles, (selectorInfo->code & ids::file::kWavImportFlag) != 0) << entry.title;
        }
    EXPECT_EQ(findFileSelector(0x1300), nullptr);
    EXPECT_STREQ(findFileSelector(0x9100)->defaultName, "TonePresets.txt");
    EXPECT_STREQ(findFileSelector(0x1500)->title, "Import SampleData Paarmeters File");
    ASSERT_EQ(findFileSelector(0x1500)->filters.size(), 3u);
    EXPECT_STREQ(findFileSelector(0x1500)->filters[2].description, "csv files(.csv)");
    EXPECT_STREQ(findFileSelector(0x1100)->filters[2].description, "text files(.csv)");
}

TEST(FileSelection, WavFilesGoIntoConsecutiveSlotsUpTo127)
{
    const auto three = fileSelectMessages(0x2100, {"a.wav", "b.wav", "c.wav"}, 126);
    ASSERT_EQ(three.size(), 2u);
    EXPECT_EQ(three[0].code, 0x217E);
    EXPECT_EQ(three[0].path, "a.wav");
    EXPECT_EQ(three[1].code, 0x217F);
    EXPECT_EQ(three[1].path, "b.wav");

    const auto adpcm = fileSelectMessages(0x2300, {"x.wav"}, 5);
    ASSERT_EQ(adpcm.size(), 1u);
    EXPECT_EQ(adpcm[0].code, 0x2305);

    EXPECT_EQ(fileSelectMessages(0x2200, {"1", "2", "3", "4"}, 0).back().code, 0x2203);
}

TEST(FileSelection, SingleFileActionsSendTheFirstPathOnly)
{
    const auto import = fileSelectMessages(0x1100, {"first.txt", "second.txt"}, 9);
    ASSERT_EQ(import.size(), 1u);
    EXPECT_EQ(import[0].code, 0x1100);
    EXPECT_EQ(import[0].path, "first.txt");
    EXPECT_EQ(fileSelectMessages(0x9100, {"out.txt"}, 0).at(0).code, 0x9100);

    EXPECT_TRUE(fileSelectMessages(0x9100, {}, 0).empty());  // cancelled
    EXPECT_TRUE(fileSelectMessages(0, {"a"}, 0).empty());     // no selector pending
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
    EXPECT_EQ(kindOf(kTagValueText | 0x0105), EditKind::SendTypedNumber);
    EXPECT_EQ(kindOf(kTagControl | 0x0001), EditKind::SendValue);
    EXPECT_EQ(kindOf(kTagControl | 0x0102), EditKind::SendValue);
    EXPECT_EQ(kindOf(kTagControl | 0x1002), EditKind::StoreToneName);
    EXPECT_EQ(kindOf(kTagControl | 0x2002), EditKind::StoreSamplerName);
    EXPECT_EQ(kindOf(kTagControl | 0x3004), EditKind::SendRawFloat);
    EXPECT_EQ(kindOf(kTagControl | 0x300A), EditKind::SendRawInteger);
    EXPECT_EQ(kindOf(kTagControl | 0x3002), EditKind::Ignore);
    EXPECT_EQ(kindOf(kTagControl | 0x5029), EditKind::SendToolPress);
    EXPECT_EQ(kindOf(kTagControl | 0x5029, 0.0f), EditKind::Ignore);  // release
    EXPECT_EQ(kindOf(kTagControl | 0x1000), EditKind::OpenPopupMenu);
    EXPECT_EQ(kindOf(kTagControl | 0x1000, 0.0f), EditKind::Ignore);
    EXPECT_EQ(kindOf(kTagControl | 0x50A0), EditKind::MenuChoice);
    EXPECT_EQ(kindOf(kTagControl | 0x0080), EditKind::MenuChoice);
    EXPECT_EQ(kindOf(kTagControl | 0x8000), EditKind::ShowOverlay);
    EXPECT_EQ(kindOf(kTagControl | 0x8001), EditKind::HideOverlay);
    EXPECT_EQ(kindOf(kTagControl | 0x8001, 0.5f), EditKind::Ignore);
    EXPECT_EQ(kindOf(0x0001), EditKind::Ignore);
}

TEST(ControlEdit, EveryWaveBarSendsItsValueEvenWhereItsByteLooksLikeAMenu)
{
    for (int index = 0; index < 128; ++index)
        EXPECT_EQ(classifyControlEdit(kTagControl | (ids::wavePoint::kFirst + index), 0.0f).kind, EditKind::SendValue)
            << index;
}

TEST(ControlEdit, PartParametersFollowTheCurrentPart)
{
    EXPECT_EQ(partParameterId(0x0103, 0), 0x10082u);
    EXPECT_EQ(partParameterId(0x0105, 2), 0x10281u);
    EXPECT_EQ(partParameterId(0x0106, 15), 0x10F01u);
    EXPECT_EQ(partParameterId(0x0107, 1), 0x10107u);
    EXPECT_EQ(partParameterId(0x0108, 1), 0x1010Au);
    EXPECT_EQ(partParameterId(0x0109, 1), 0x1010Bu);
    EXPECT_FALSE(partParameterId(0x0104, 1).has_value());  // BENDSENS has none
    EXPECT_FALSE(partParameterId(0x0101, 1).has_value());
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
