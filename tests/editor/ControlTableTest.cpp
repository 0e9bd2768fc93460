// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace kest::tolvane::editor;

namespace {

int pageHeight(Page page)
{
    return page == Page::Top ? kTopSectionHeight : page == Page::Play ? kPlayPanelHeight : kPageHeight;
}

bool overlaps(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::vector<Rect> rectsOf(const ControlRow& row)
{
    switch (row.kind) {
    case ControlKind::MenuButton: return {menuButtonRect(row)};
    case ControlKind::Slider: return {sliderRect(row), valueFieldRect(row)};
    default: return {valueFieldRect(row)};
    }
}

} // namespace

TEST(ControlTable, GridPositionsOfRepresentativeControls)
{
    const ControlRow* volume = findControlRow(ids::system::kMasterVolume);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(sliderRect(*volume).left, 169);
    EXPECT_EQ(sliderRect(*volume).width(), 94);
    // Wide enough for "-46.02" and "16383" whole.
    EXPECT_EQ(valueFieldRect(*volume).left, 105);
    EXPECT_EQ(valueFieldRect(*volume).width(), 64);

    const ControlRow* bend = findControlRow(ids::part::kPitchBend);
    EXPECT_EQ(valueFieldRect(*bend).left, 105);
    EXPECT_EQ(valueFieldRect(*bend).width(), 64);
    EXPECT_EQ(bend->steps, 16383);

    EXPECT_EQ(valueFieldRect(*findControlRow(ids::part::kMode)).width(), 142);
    EXPECT_EQ(valueFieldRect(*findControlRow(ids::tone::kName)).width(), 160);
    EXPECT_EQ(valueFieldRect(*findControlRow(ids::sampleData::kPlaybackStart)).width(), 128);
    EXPECT_EQ(valueFieldRect(*findControlRow(ids::sampleData::kSourceRate)).width(), 96);
    EXPECT_EQ(valueFieldRect(*findControlRow(ids::waveTable::kBarIndexLabel)).left, 329);
    EXPECT_EQ(valueFieldRect(*findControlRow(ids::waveTable::kBarValueLabel)).left, 457);
    EXPECT_EQ(popupMenuPoint(ids::page::kWaveTable).y, 480);
}

TEST(ControlTable, ControlsStayInsideTheirPageAndNeverOverlap)
{
    std::set<int> ids;
    for (const auto& row : controlRows()) {
        EXPECT_TRUE(ids.insert(row.id).second) << "duplicate " << std::hex << row.id;
        for (const Rect& rect : rectsOf(row)) {
            EXPECT_GE(rect.left, 0) << std::hex << row.id;
            EXPECT_LE(rect.right, kWindowWidth) << std::hex << row.id;
            EXPECT_GE(rect.top, 0) << std::hex << row.id;
            EXPECT_LE(rect.bottom, pageHeight(row.page)) << std::hex << row.id;
        }
    }
    const auto rows = controlRows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[i].page != rows[j].page)
                continue;
            for (const Rect& a : rectsOf(rows[i]))
                for (const Rect& b : rectsOf(rows[j]))
                    EXPECT_FALSE(overlaps(a, b)) << std::hex << rows[i].id << " and " << rows[j].id;
        }
}

TEST(ControlTable, WaveEditorSitsBetweenItsRows)
{
    EXPECT_EQ(kWaveEditRect.width(), 510);
    EXPECT_EQ(kWaveEditRect.height(), 134);
    EXPECT_GT(kWaveEditRect.top, findControlRow(ids::waveTable::kSelect)->y + kRowHeight - 1);
    EXPECT_LE(kWaveToolRow + kWaveToolHeight, findControlRow(ids::waveTable::kGeneratorPeriod)->y);
    for (int i = 1; i < 10; ++i)
        EXPECT_GE(kWaveToolX[i], kWaveToolX[i - 1] + kWaveToolWidth);
    EXPECT_LE(kWaveToolX[9] + kWaveToolWidth, kWindowWidth);
}
