// SPDX-License-Identifier: GPL-3.0-or-later
// Raw MIDI into the engine's events, and the period's staging of them.
#include <gtest/gtest.h>

#include "LiveMidi.h"
#include "LiveTestSupport.h"

using namespace kest::tolvane;
using namespace kest::tolvane::tools;
using tolvane_live_test::Message;

namespace {
bool convert(std::vector<std::uint8_t> bytes, MidiMessage& m)
{
    return toEngineMessage({0, bytes.data(), bytes.size()}, m);
}
} // namespace

TEST(LiveMidi, ChannelMessagesSysExAndWhatIsLeftOut)
{
    MidiMessage m;
    ASSERT_TRUE(convert({0x93, 60, 0}, m)); // velocity 0 stays a note-on: the engine releases
    EXPECT_EQ(m.type, kNoteOn);
    EXPECT_EQ(m.channel, 3);
    EXPECT_EQ(m.data1, 60);
    EXPECT_EQ(m.data2, 0);
    ASSERT_TRUE(convert({0xCF, 0x85}, m)); // one data byte; a stray high bit is cut off
    EXPECT_EQ(m.type, kProgramChange);
    EXPECT_EQ(m.channel, 15);
    EXPECT_EQ(m.data1, 5);
    ASSERT_TRUE(convert({0xE0, 0x01, 0x40}, m));
    EXPECT_EQ(m.type, kPitchBend);
    EXPECT_EQ(m.data1 | (m.data2 << 7), 8193);

    ASSERT_TRUE(convert({0xF0, 0x7D, 0x10, 0x20, 0xF7}, m));
    EXPECT_EQ(m.type, kSystemExclusive);
    ASSERT_EQ(m.sysExLength, 4); // after F0, up to and including F7
    EXPECT_EQ(m.sysExData[3], 0xF7);
    std::vector<std::uint8_t> longSysEx(400, 0x11);
    longSysEx.front() = 0xF0;
    ASSERT_TRUE(convert(longSysEx, m));
    EXPECT_EQ(m.sysExLength, kMaxSysExLength);

    for (const auto& bytes : std::vector<std::vector<std::uint8_t>>{
             {}, {0x40, 0x40}, {0x90, 60}, {0xC0}, {0xF8}, {0xFE}, {0xF2, 1, 2}, {0xF7, 1}}) {
        EXPECT_FALSE(convert(bytes, m)) << bytes.size();
    }
}

TEST(LiveMidi, StagedFramesStayInsideThePeriodAndNeverRunBackwards)
{
    const std::vector<Message> all = {{5, {0x90, 60, 100}}, {-3, {0x90, 61, 100}}, {2, {0xF8}}, {90, {0x80, 60, 0}}};
    // The test input hands frames over as given, out-of-range ones included.
    class Raw final : public MidiInput {
    public:
        explicit Raw(const std::vector<Message>& m) : m_(m) {}
        int count() const override { return static_cast<int>(m_.size()); }
        bool get(int i, RawMidi& e) const override
        {
            const Message& m = m_[static_cast<std::size_t>(i)];
            e = {m.frame, m.bytes.data(), m.bytes.size()};
            return true;
        }

    private:
        const std::vector<Message>& m_;
    } input(all);
    LiveEventStage stage;
    EXPECT_EQ(stage.take(input, 64), 0);
    const auto events = stage.events();
    ASSERT_EQ(events.size(), 3u); // the clock byte is not for the engine
    EXPECT_EQ(events[0].frame, 5);
    EXPECT_EQ(events[1].frame, 5);  // was before the previous one
    EXPECT_EQ(events[2].frame, 63); // was past the period's end
    stage.carryOver();
    EXPECT_EQ(stage.events()[2].frame, 0);
}
