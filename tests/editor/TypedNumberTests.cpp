// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/TypedNumber.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kest::tolvane::editor;

namespace {

float typed(int id, const char* text, int mask = 255)
{
    const auto value = typedNumberToValue(id, text, mask);
    EXPECT_TRUE(value.has_value()) << std::hex << id;
    return value.value_or(-1.0f);
}

} // namespace

TEST(TypedNumber, MainVolumeIsTypedInDecibels)
{
    EXPECT_FLOAT_EQ(typed(0x0001, "-100"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0001, "3"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0001, "0"), 1.0f);
    EXPECT_NEAR(typed(0x0001, "-6"), 0.501f, 0.001f);
    EXPECT_NEAR(typed(0x0001, "-96"), std::pow(10.0f, -96.0f / 20.0f), 1e-7f);
    EXPECT_FLOAT_EQ(typed(0x0001, "-96.5"), 0.0f);
}

TEST(TypedNumber, RefPitchIsTypedInHertz)
{
    EXPECT_FLOAT_EQ(typed(0x0002, "500"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0002, "480"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0002, "399.9"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0002, "440"), 0.5f);
    EXPECT_FLOAT_EQ(typed(0x0002, "442.5 Hz"), 42.5f / 80.0f);
}

TEST(TypedNumber, SignedPitchBendAndPan)
{
    EXPECT_FLOAT_EQ(typed(0x0105, "-8192"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0105, "0"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(0x0105, "9000"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0105, "-9000"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0108, "-64"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0108, "63"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0108, "0"), 64.0f / 127.0f);
}

TEST(TypedNumber, IntegerFieldsClampToTheirMaximum)
{
    EXPECT_FLOAT_EQ(typed(0x0103, "127"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0103, "200"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x0103, "-1"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0104, "12"), 12.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(0x1001, "130"), 130.0f / 255.0f);
    EXPECT_FLOAT_EQ(typed(0x1006, "8192"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(0x2006, "16383"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x1007, "5"), 5.0f / 15.0f);
    EXPECT_FLOAT_EQ(typed(0x2005, "15"), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x100F, "2"), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(typed(0x1010, "48"), 48.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(0x200B, "120"), 120.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(0x3001, "64"), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(0x5001, "1"), 1.0f / 127.0f);
    EXPECT_FLOAT_EQ(typed(0x5010, "128"), 0.5f);
}

TEST(TypedNumber, LevelIsTypedInSampleUnitsOfTheCurrentDepth)
{
    EXPECT_FLOAT_EQ(typed(0x5011, "255", 255), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x5011, "7", 15), 7.0f / 15.0f);
    EXPECT_FLOAT_EQ(typed(0x5011, "1", 1), 1.0f);
    EXPECT_FLOAT_EQ(typed(0x5011, "20", 15), 1.0f);
}

TEST(TypedNumber, TextWithoutANumberReadsAsZero)
{
    EXPECT_FLOAT_EQ(typed(0x0104, "abc"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0104, ""), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0105, "x"), 8192.0f / 16383.0f);
    EXPECT_FLOAT_EQ(typed(0x0002, "nan"), 0.0f);
    EXPECT_FLOAT_EQ(typed(0x0104, "12.9"), 12.0f / 127.0f);  // leading integer only
    EXPECT_FLOAT_EQ(typed(0x0104, "99999999999999999999"), 1.0f);
}

TEST(TypedNumber, IdsWithoutAValueFieldAreIgnored)
{
    for (int id : {0x0000, 0x0101, 0x0102, 0x1002, 0x1003, 0x2002, 0x3004, 0x3007, 0x5020, 0x5100, 0x8000})
        EXPECT_FALSE(typedNumberToValue(id, "5", 255).has_value()) << std::hex << id;
}
