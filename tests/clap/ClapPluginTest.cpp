// SPDX-License-Identifier: GPL-3.0-or-later
// The built TolvaneSynthWT.clap in the project's CLAP host: what its factory
// and extensions offer, renders equal to the renderer's sample for sample in
// both note dialects, CLAP's note events equal to their MIDI twins, the
// bypass parameter, and a window refused to a host without timers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/timer-support.h"

#include "BypassRecord.h"
#include "ClapIdentity.h"
#include "ClapSongs.h"
#include "SongHostEvents.h"

namespace {

using namespace tolvane_clap_test;
using tolvane_test::Channels;
namespace tools = kest::tolvane::tools;
namespace identity = kest::tolvane::clap;
constexpr int kRate = tolvane_test::kSongRate;

TEST(ClapDescription, TheFactoryOffersOneInstrumentWithItsPortsAndExtensions)
{
    const ClapModule& module = builtModule();
    ASSERT_TRUE(module.valid()) << module.error();
    const clap_plugin_factory_t* factory = module.factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->id, identity::kPluginId);
    EXPECT_STREQ(descriptor->name, "Tolvane Synth WT");
    std::set<std::string> features;
    for (const char* const* f = descriptor->features; f && *f; ++f)
        features.insert(*f);
    EXPECT_TRUE(features.count(CLAP_PLUGIN_FEATURE_INSTRUMENT));

    EXPECT_FALSE(ClapInstance(module, "invalid.kestrawerk.no-such-plugin", kRate, 512).valid());
    ClapInstance plugin(module, pluginId(), kRate, 512, false);
    ASSERT_TRUE(plugin.valid());

    const auto* audio = plugin.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->count(plugin.plugin(), true), 0u);
    ASSERT_EQ(audio->count(plugin.plugin(), false), 16u);
    for (std::uint32_t port = 0; port < 16; ++port) {
        clap_audio_port_info_t info{};
        ASSERT_TRUE(audio->get(plugin.plugin(), port, false, &info));
        EXPECT_EQ(info.id, port);
        EXPECT_EQ(info.name, "out " + std::to_string(port + 1));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_EQ((info.flags & CLAP_AUDIO_PORT_IS_MAIN) != 0, port == 0);
    }

    const auto* notes = plugin.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->count(plugin.plugin(), false), 0u);
    ASSERT_EQ(notes->count(plugin.plugin(), true), 1u);
    clap_note_port_info_t noteInfo{};
    ASSERT_TRUE(notes->get(plugin.plugin(), 0, true, &noteInfo));
    EXPECT_EQ(noteInfo.preferred_dialect, static_cast<std::uint32_t>(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_EQ(noteInfo.supported_dialects, static_cast<std::uint32_t>(CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP));

    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    ASSERT_TRUE(params);
    ASSERT_EQ(params->count(plugin.plugin()), 1u);
    clap_param_info_t bypass{};
    ASSERT_TRUE(params->get_info(plugin.plugin(), 0, &bypass));
    EXPECT_EQ(bypass.id, identity::kBypassParamId);
    EXPECT_EQ(bypass.flags, static_cast<clap_param_info_flags>(CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED |
                                                               CLAP_PARAM_IS_AUTOMATABLE));
    char text[32] = {};
    ASSERT_TRUE(params->value_to_text(plugin.plugin(), bypass.id, 1.0, text, sizeof(text)));
    double value = 0.0;
    EXPECT_TRUE(params->text_to_value(plugin.plugin(), bypass.id, text, &value));
    EXPECT_EQ(value, 1.0);

    const auto* latency = plugin.extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
    ASSERT_TRUE(latency);
    EXPECT_EQ(latency->get(plugin.plugin()), 0u);
    EXPECT_TRUE(plugin.extension<clap_plugin_state_t>(CLAP_EXT_STATE));
    EXPECT_TRUE(plugin.extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT));
    const auto* gui = plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_TRUE(gui);
    EXPECT_TRUE(gui->is_api_supported(plugin.plugin(), CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin(), CLAP_WINDOW_API_X11, true)) << "never floating";
    EXPECT_FALSE(gui->is_api_supported(plugin.plugin(), CLAP_WINDOW_API_WAYLAND, false));
}

// Renderer and plug-in, the one fed by the song's events at their frames, the
// other by the host's events in each block: equal sample for sample, and
// every one of the 32 channels written in every block.
class RendererEqualsClapPlugin : public ::testing::TestWithParam<int> {
protected:
    void expectSameRender(const tools::MidiSong& song, double seconds, Dialect dialect,
                          const std::vector<std::uint8_t>& state = tolvane_test::bankStateReceivingSysEx())
    {
        const auto frames = static_cast<std::int64_t>(seconds * kRate);
        const Channels rendered = tolvane_test::renderWithRenderer(song, GetParam(), frames, state);
        ClapInstance plugin(builtModule(), pluginId(), kRate, GetParam());
        ASSERT_TRUE(plugin.valid());
        ASSERT_TRUE(plugin.loadState(state));
        const ClapRender played = renderWithClap(plugin, song, GetParam(), frames, dialect);
        ASSERT_GT(tolvane_test::rms(rendered), 1e-3) << "a silent render proves nothing";
        EXPECT_TRUE(played.everyChannelWritten);
        const tolvane_test::Difference d = tolvane_test::compare(rendered, played.channels);
        EXPECT_EQ(d.count, 0) << "block length " << GetParam() << ": first difference at frame " << d.firstFrame
                              << " on channel " << d.firstChannel;
    }
};

TEST_P(RendererEqualsClapPlugin, OnControllersSetUpOnOneTickInBothNoteDialects)
{
    for (const Dialect dialect : {Dialect::Midi, Dialect::ClapNotes}) {
        SCOPED_TRACE(dialect == Dialect::Midi ? "MIDI" : "CLAP notes");
        expectSameRender(tolvane_test::oneTickScore(), 6.0, dialect);
    }
}

TEST_P(RendererEqualsClapPlugin, WithPlayModesOnTheHostsTransport)
{
    expectSameRender(tolvane_test::playModesScore(), 4.0, Dialect::ClapNotes,
                     tolvane_test::withPlayModes(tolvane_test::bankStateReceivingSysEx()));
}

TEST_P(RendererEqualsClapPlugin, OnGeneralMidiSongs)
{
    for (const char* name : {"blupi-music004.mid", "blupi-music006.mid"}) {
        SCOPED_TRACE(name);
        const tools::MidiSong song = tolvane_test::songFromFile(std::string(TOLVANE_TEST_SONGS_DIR) + "/" + name);
        expectSameRender(song, 12.0, name[12] == '4' ? Dialect::ClapNotes : Dialect::Midi);
    }
}

INSTANTIATE_TEST_SUITE_P(BlockLengths, RendererEqualsClapPlugin, ::testing::Values(32, 512, 4096));

// Two instances, one given CLAP's note events, the other their MIDI twins on
// the same frames: the same samples.
class NoteEvents : public ::testing::Test {
protected:
    using Block = std::function<void(EventList&)>;
    static Channels play(const std::vector<Block>& blocks)
    {
        ClapInstance plugin(builtModule(), pluginId(), kRate, 256);
        EXPECT_TRUE(plugin.loadState(tolvane_test::bankStateReceivingSysEx()));
        Channels out(ClapInstance::kChannels);
        EventList events;
        for (const Block& block : blocks) {
            events.clear();
            block(events);
            plugin.process(events, 256);
            for (int c = 0; c < ClapInstance::kChannels; ++c)
                out[static_cast<std::size_t>(c)].insert(out[static_cast<std::size_t>(c)].end(), plugin.output(c),
                                                        plugin.output(c) + 256);
        }
        return out;
    }
    static std::vector<std::uint8_t> bytes(std::initializer_list<int> values)
    {
        std::vector<std::uint8_t> out;
        for (int v : values)
            out.push_back(static_cast<std::uint8_t>(v));
        return out;
    }
    // Chords on parts 1 and 2, held over four blocks, then the ending under test.
    static std::vector<Block> chordsThen(const Block& ending)
    {
        std::vector<Block> blocks{[](EventList& e) {
            for (int key : {60, 64, 67}) {
                e.midi(10, bytes({0x90, key, 100}));
                e.midi(20, bytes({0x91, key + 12, 90}));
            }
        }};
        for (int i = 0; i < 3; ++i)
            blocks.push_back([](EventList&) {});
        blocks.push_back(ending);
        for (int i = 0; i < 8; ++i)
            blocks.push_back([](EventList&) {});
        return blocks;
    }
    static void expectSame(const Block& clapEnding, const Block& midiEnding)
    {
        const Channels clap = play(chordsThen(clapEnding));
        const Channels midi = play(chordsThen(midiEnding));
        ASSERT_GT(tolvane_test::rms(clap), 1e-3);
        EXPECT_EQ(tolvane_test::compare(clap, midi).count, 0);
        EXPECT_NE(tolvane_test::compare(clap, play(chordsThen([](EventList&) {}))).count, 0)
            << "the ending must change the sound";
    }
};

TEST_F(NoteEvents, NoteOnAndOffEqualTheirMidiTwins)
{
    expectSame(
        [](EventList& e) {
            e.note(CLAP_EVENT_NOTE_OFF, 5, 0, 64, 0.5);
            e.note(CLAP_EVENT_NOTE_ON, 5, 0, 64, 33 / 127.0); // struck again on the same frame
            e.note(CLAP_EVENT_NOTE_ON, 90, 2, 50, 0.0);       // CLAP's silent note-on is a note, not a note-off
        },
        [](EventList& e) {
            e.midi(5, bytes({0x80, 64, 0}));
            e.midi(5, bytes({0x90, 64, 33}));
            e.midi(90, bytes({0x92, 50, 1}));
        });
}

TEST_F(NoteEvents, ChokeOfEveryKeyIsAllSoundOffAndOfOneKeyItsNoteOff)
{
    expectSame([](EventList& e) { e.note(CLAP_EVENT_NOTE_CHOKE, 40, -1, -1, 0.0); },
               [](EventList& e) {
                   for (int channel = 0; channel < 16; ++channel)
                       e.midi(40, bytes({0xB0 | channel, 120, 0}));
               });
    expectSame([](EventList& e) { e.note(CLAP_EVENT_NOTE_CHOKE, 40, 1, 76, 0.0); },
               [](EventList& e) {
                   e.midi(40, bytes({0x81, 76, 0}));
               });
}

TEST_F(NoteEvents, NoteOffOfEveryKeyIsAllNotesOff)
{
    expectSame([](EventList& e) { e.note(CLAP_EVENT_NOTE_OFF, 7, 0, -1, 0.0); },
               [](EventList& e) {
                   e.midi(7, bytes({0xB0, 123, 0}));
               });
}

TEST(ClapBypass, TheSwitchSilencesTheInstrumentAndTravelsWithTheState)
{
    ClapInstance plugin(builtModule(), pluginId(), kRate, 256);
    ASSERT_TRUE(plugin.loadState(tolvane_test::bankStateReceivingSysEx()));
    const auto* params = plugin.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    EventList events;
    const auto loudness = [](const ClapInstance& instance) {
        double sum = 0.0;
        for (int c = 0; c < ClapInstance::kChannels; ++c)
            for (int i = 0; i < 256; ++i)
                sum += std::abs(instance.output(c)[i]);
        return sum;
    };
    events.midi(0, {0x90, 60, 110});
    plugin.process(events, 256);
    EXPECT_GT(loudness(plugin), 0.0);

    events.clear();
    events.param(100, identity::kBypassParamId, 1.0);
    plugin.process(events, 256);
    EXPECT_EQ(loudness(plugin), 0.0);
    double value = 0.0;
    ASSERT_TRUE(params->get_value(plugin.plugin(), identity::kBypassParamId, &value));
    EXPECT_EQ(value, 1.0);
    events.clear();
    events.midi(0, {0x90, 62, 110});
    plugin.process(events, 256);
    EXPECT_EQ(loudness(plugin), 0.0) << "notes are not played while bypassed";

    const std::vector<std::uint8_t> saved = plugin.saveState();
    ASSERT_GE(saved.size(), kest::tolvane::plugin::kBypassRecordSize);
    EXPECT_EQ(
        kest::tolvane::plugin::decodeBypassRecord(std::span(saved).last(kest::tolvane::plugin::kBypassRecordSize)),
        std::optional<bool>(true));

    // A new instance, not yet active: the loaded switch shows at once and the host is told.
    ClapInstance restored(builtModule(), pluginId(), kRate, 256, false);
    ASSERT_TRUE(restored.loadState(saved));
    ASSERT_TRUE(params->get_value(restored.plugin(), identity::kBypassParamId, &value));
    EXPECT_EQ(value, 1.0);
    EXPECT_EQ(restored.requests().paramRescans, 1);
    EXPECT_EQ(restored.requests().lastRescanFlags, static_cast<std::uint32_t>(CLAP_PARAM_RESCAN_VALUES));
    EXPECT_EQ(restored.saveState(), saved);
    // Switched off through a flush while inactive, then playing again.
    EventList off;
    off.param(0, identity::kBypassParamId, 0.0);
    params->flush(restored.plugin(), off.list(), nullptr);
    ASSERT_TRUE(params->get_value(restored.plugin(), identity::kBypassParamId, &value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(restored.activate());
    events.clear();
    events.midi(0, {0x90, 60, 110});
    restored.process(events, 256);
    EXPECT_GT(loudness(restored), 0.0);
}

TEST(ClapGui, AHostWithoutTimersGetsNoWindowAndSizesFollowTheZoomSteps)
{
    ClapInstance plugin(builtModule(), pluginId(), kRate, 256, false, HostOptions{.timerSupport = false});
    const auto* gui = plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_TRUE(gui);
    EXPECT_FALSE(gui->create(plugin.plugin(), CLAP_WINDOW_API_X11, false));
    std::uint32_t width = 0, height = 0;
    EXPECT_FALSE(gui->get_size(plugin.plugin(), &width, &height));
    gui->destroy(plugin.plugin()); // harmless without a window

    EXPECT_TRUE(gui->can_resize(plugin.plugin()));
    clap_gui_resize_hints_t hints{};
    ASSERT_TRUE(gui->get_resize_hints(plugin.plugin(), &hints));
    EXPECT_TRUE(hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width * 704, hints.aspect_ratio_height * 528);
    const std::pair<std::pair<std::uint32_t, std::uint32_t>, std::pair<std::uint32_t, std::uint32_t>> cases[] = {
        {{10, 10}, {528, 704}},      {{600, 800}, {528, 704}},     {{792, 1056}, {792, 1056}},
        {{1000, 1100}, {792, 1056}}, {{1056, 1408}, {1056, 1408}}, {{4000, 4000}, {1056, 1408}}};
    for (const auto& [asked, adjusted] : cases) {
        width = asked.first;
        height = asked.second;
        ASSERT_TRUE(gui->adjust_size(plugin.plugin(), &width, &height));
        EXPECT_EQ(std::make_pair(width, height), adjusted) << asked.first << "x" << asked.second;
    }
}

} // namespace
