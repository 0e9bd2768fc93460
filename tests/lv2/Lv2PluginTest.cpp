// SPDX-License-Identifier: GPL-3.0-or-later
// The built LV2 bundle in a lilv host: what its description offers, renders
// equal to the renderer's sample for sample, state that crosses between the
// VST 3 and LV2 plug-ins byte for byte, and presets equal to their .vstpreset twins.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "lv2/atom/atom.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/port-groups/port-groups.h"
#include "lv2/presets/presets.h"
#include "lv2/state/state.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

#include "BypassRecord.h"
#include "ByteStream.h"
#include "EngineContext.h"
#include "Lv2Identity.h"
#include "Lv2Songs.h"
#include "TolvaneVSTProcessor.h"
#include "VstPresetReader.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace {

using namespace tolvane_lv2_test;
namespace lv2 = kest::tolvane::lv2;

// Frees a lilv node at the end of a scope.
struct Node {
    explicit Node(const char* uri) : node(LilvBundle::instance().node(uri)) {}
    ~Node() { lilv_node_free(node); }
    LilvNode* node;
};

std::set<std::string> asStrings(LilvNodes* nodes)
{
    std::set<std::string> out;
    LILV_FOREACH(nodes, i, nodes)
    out.insert(lilv_node_as_string(lilv_nodes_get(nodes, i)));
    lilv_nodes_free(nodes);
    return out;
}

TEST(Lv2Description, LilvFindsThePluginItsPortsFeaturesAndEditor)
{
    const LilvPlugin* plugin = LilvBundle::instance().plugin();
    ASSERT_TRUE(plugin) << "the bundle does not describe " << lv2::kPluginUri;
    EXPECT_STREQ(lilv_node_as_string(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))),
                 LV2_CORE__InstrumentPlugin);
    EXPECT_EQ(asStrings(lilv_plugin_get_required_features(plugin)), std::set<std::string>{LV2_URID__map});
    EXPECT_EQ(asStrings(lilv_plugin_get_extension_data(plugin)), std::set<std::string>{LV2_STATE__interface});

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), lv2::kPortCount);
    Node input(LV2_CORE__InputPort), output(LV2_CORE__OutputPort), audio(LV2_CORE__AudioPort),
        atomPort(LV2_ATOM__AtomPort), midi(LV2_MIDI__MidiEvent), group(LV2_PORT_GROUPS__group);
    const LilvPort* events = lilv_plugin_get_port_by_index(plugin, lv2::kEventPort);
    EXPECT_TRUE(lilv_port_is_a(plugin, events, input.node) && lilv_port_is_a(plugin, events, atomPort.node));
    EXPECT_TRUE(lilv_port_supports_event(plugin, events, midi.node));
    for (int c = 0; c < lv2::kOutputChannelCount; ++c) {
        SCOPED_TRACE(c);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, lv2::kFirstOutputPort + static_cast<unsigned>(c));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, output.node) && lilv_port_is_a(plugin, port, audio.node));
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_EQ(lilv_node_as_string(name), "out " + std::to_string(c / 2 + 1) + (c % 2 ? " R" : " L"));
        lilv_node_free(name);
        EXPECT_EQ(asStrings(lilv_port_get_value(plugin, port, group.node)),
                  std::set<std::string>{std::string(lv2::kPluginUri) + "#out" + std::to_string(c / 2 + 1)});
    }

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    Node x11(LV2_UI__X11UI), required(LV2_CORE__requiredFeature);
    EXPECT_TRUE(lilv_ui_is_a(ui, x11.node));
    EXPECT_EQ(
        asStrings(lilv_world_find_nodes(LilvBundle::instance().world(), lilv_ui_get_uri(ui), required.node, nullptr)),
        (std::set<std::string>{LV2_UI__parent, LV2_UI__idleInterface, LV2_INSTANCE_ACCESS_URI}));
    lilv_uis_free(uis);
}

TEST(Lv2Description, ThePluginNeedsOnlyTheUridMap)
{
    UridMap urids;
    const LV2_Feature map{LV2_URID__map, urids.mapFeature()};
    const LV2_Feature* onlyMap[] = {&map, nullptr};
    const LV2_Feature* none[] = {nullptr};
    LilvInstance* withMap = lilv_plugin_instantiate(LilvBundle::instance().plugin(), kRate, onlyMap);
    EXPECT_TRUE(withMap);
    EXPECT_FALSE(lilv_plugin_instantiate(LilvBundle::instance().plugin(), kRate, none));
    if (withMap)
        lilv_instance_free(withMap);
}

// The stereo plug-in beside it: one output pair in the main group, the same
// editor and presets, and the host's block bound, which sizes its buffers for
// the other pairs.
TEST(Lv2Description, TheStereoPluginHasOnePairTheSameEditorAndPresetsAndNeedsABlockBound)
{
    LilvBundle& bundle = LilvBundle::instance();
    const LilvPlugin* stereo = bundle.plugin(lv2::kStereoPluginUri);
    ASSERT_TRUE(stereo) << "the bundle does not describe " << lv2::kStereoPluginUri;
    EXPECT_STREQ(lilv_node_as_string(lilv_plugin_class_get_uri(lilv_plugin_get_class(stereo))),
                 LV2_CORE__InstrumentPlugin);
    ASSERT_EQ(lilv_plugin_get_num_ports(stereo), lv2::kStereoPortCount);
    Node output(LV2_CORE__OutputPort), audio(LV2_CORE__AudioPort), group(LV2_PORT_GROUPS__group),
        mainOutput(LV2_PORT_GROUPS__mainOutput);
    EXPECT_EQ(lilv_plugin_get_num_ports_of_class(stereo, output.node, audio.node, nullptr), 2u);
    const std::set<std::string> main = asStrings(lilv_plugin_get_value(stereo, mainOutput.node));
    ASSERT_EQ(main.size(), 1u);
    for (std::uint32_t port = lv2::kFirstOutputPort; port < lv2::kStereoPortCount; ++port)
        EXPECT_EQ(asStrings(lilv_port_get_value(stereo, lilv_plugin_get_port_by_index(stereo, port), group.node)),
                  main);
    EXPECT_EQ(asStrings(lilv_plugin_get_required_features(stereo)),
              (std::set<std::string>{LV2_URID__map, LV2_BUF_SIZE__boundedBlockLength, LV2_OPTIONS__options}));

    const auto uiOf = [](const LilvPlugin* plugin) {
        LilvUIs* uis = lilv_plugin_get_uis(plugin);
        std::set<std::string> found;
        LILV_FOREACH(uis, i, uis)
        found.insert(lilv_node_as_uri(lilv_ui_get_uri(lilv_uis_get(uis, i))));
        lilv_uis_free(uis);
        return found;
    };
    EXPECT_EQ(uiOf(stereo), std::set<std::string>{lv2::kUiUri});
    EXPECT_EQ(uiOf(stereo), uiOf(bundle.plugin()));
    Node presetClass(LV2_PRESETS__Preset);
    const std::set<std::string> presets = asStrings(lilv_plugin_get_related(bundle.plugin(), presetClass.node));
    EXPECT_GT(presets.size(), 0u);
    EXPECT_EQ(asStrings(lilv_plugin_get_related(stereo, presetClass.node)), presets);

    UridMap urids;
    const LV2_Feature map{LV2_URID__map, urids.mapFeature()};
    const LV2_Feature* onlyMap[] = {&map, nullptr};
    EXPECT_FALSE(lilv_plugin_instantiate(stereo, kRate, onlyMap)) << "no block bound, no buffers for the other pairs";
}

// Renderer and plug-in, the one fed by the song's events at their frames, the
// other by the host's raw MIDI in each block: equal sample for sample.
class RendererEqualsLv2Plugin : public ::testing::TestWithParam<int> {
protected:
    void expectSameRender(const tools::MidiSong& song, double seconds,
                          const std::vector<std::uint8_t>& state = bankState())
    {
        const auto frames = static_cast<std::int64_t>(seconds * kRate);
        const Channels rendered = renderWithRenderer(song, GetParam(), frames, state);
        PluginInstance plugin(kRate, GetParam());
        ASSERT_TRUE(plugin.valid());
        ASSERT_TRUE(plugin.restoreState(state));
        const Channels played = renderWithPlugin(plugin, song, GetParam(), frames);
        ASSERT_GT(rms(rendered), 1e-3) << "a silent render proves nothing";
        const Difference d = compare(rendered, played);
        EXPECT_EQ(d.count, 0) << "block length " << GetParam() << ": first difference at frame " << d.firstFrame
                              << " on channel " << d.firstChannel;
    }
};

TEST_P(RendererEqualsLv2Plugin, OnControllersSetUpOnOneTick) { expectSameRender(oneTickScore(), 6.0); }

TEST_P(RendererEqualsLv2Plugin, WithToneSequences)
{
    expectSameRender(oneTickScore(), 6.0, tolvane_test::withToneSequences(bankState()));
}

TEST_P(RendererEqualsLv2Plugin, WithPlayModesOnTheHostsTransport)
{
    expectSameRender(tolvane_test::playModesScore(), 4.0, tolvane_test::withPlayModes(bankState()));
}

TEST_P(RendererEqualsLv2Plugin, OnGeneralMidiSongs)
{
    for (const char* name : {"blupi-music004.mid", "blupi-music006.mid"}) {
        SCOPED_TRACE(name);
        expectSameRender(songFromFile(name), 12.0);
    }
}

// The stereo plug-in plays the renderer's mix: every pair summed in pair
// order from zero, here with part n on output pair n.
TEST_P(RendererEqualsLv2Plugin, TheStereoPluginPlaysTheMixOfEveryPair)
{
    const std::vector<std::uint8_t> state = [] {
        kest::tolvane::plugin::EngineContext context;
        kest::tolvane::plugin::MemoryByteReader reader(bankState().data(), bankState().size());
        EXPECT_TRUE(context.readState(reader));
        for (int part = 0; part < kest::tolvane::plugin::ids::kOutputPairCount; ++part)
            context.synth->setPartOutput(part, part);
        kest::tolvane::plugin::MemoryByteWriter writer;
        EXPECT_TRUE(context.writeState(writer));
        return writer.bytes;
    }();
    const tools::MidiSong song = songFromFile("blupi-music004.mid");
    const std::int64_t frames = 8 * kRate;
    const Channels pairs = renderWithRenderer(song, GetParam(), frames, state);
    Channels mix(2, std::vector<float>(static_cast<std::size_t>(frames), 0.0f));
    int sounding = 0;
    for (std::size_t pair = 0; pair < pairs.size() / 2; ++pair) {
        sounding += rms(Channels{pairs[2 * pair]}) > 1e-4 ? 1 : 0;
        for (std::size_t i = 0; i < mix[0].size(); ++i) {
            mix[0][i] += pairs[2 * pair][i];
            mix[1][i] += pairs[2 * pair + 1][i];
        }
    }
    ASSERT_GE(sounding, 2) << "the sum of one pair proves nothing";

    PluginInstance stereo(kRate, GetParam(), lv2::kStereoPluginUri);
    ASSERT_TRUE(stereo.valid());
    ASSERT_EQ(stereo.channels(), 2);
    ASSERT_TRUE(stereo.restoreState(state));
    const Difference d = compare(mix, renderWithPlugin(stereo, song, GetParam(), frames));
    EXPECT_EQ(d.count, 0) << "block length " << GetParam() << ": first difference at frame " << d.firstFrame
                          << " on channel " << d.firstChannel;
}

INSTANTIATE_TEST_SUITE_P(BlockLengths, RendererEqualsLv2Plugin, ::testing::Values(32, 512, 4096));

// The VST 3 processor in this process, as a VST 3 host saves and loads it.
class Vst3Processor {
public:
    Vst3Processor()
    {
        processor_ = new Steinberg::Vst::TolvaneVSTProcessor;
        EXPECT_EQ(processor_->initialize(&host_), Steinberg::kResultOk);
    }
    ~Vst3Processor()
    {
        processor_->terminate();
        processor_->release();
    }
    kest::tolvane::plugin::EngineContext& context() { return *processor_->engineContext(); }
    std::vector<std::uint8_t> getState()
    {
        Steinberg::MemoryStream stream;
        EXPECT_EQ(processor_->getState(&stream), Steinberg::kResultOk);
        const auto* data = reinterpret_cast<const std::uint8_t*>(stream.getData());
        return {data, data + stream.getSize()};
    }
    bool setState(const std::vector<std::uint8_t>& bytes)
    {
        Steinberg::MemoryStream stream;
        stream.write(const_cast<std::uint8_t*>(bytes.data()), static_cast<Steinberg::int32>(bytes.size()), nullptr);
        stream.seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
        return processor_->setState(&stream) == Steinberg::kResultOk;
    }

private:
    Steinberg::Vst::HostApplication host_;
    Steinberg::Vst::TolvaneVSTProcessor* processor_;
};

// With the tones' sequences, whose trailer the VST 3 plug-in's bypass record follows.
TEST(Lv2State, CrossesFromVst3ToLv2AndBackByteForByte)
{
    Vst3Processor vst3;
    const std::vector<std::uint8_t> start = tolvane_test::withToneSequences(bankState());
    ASSERT_TRUE(vst3.setState(start));
    // A sample kept inside the state, its file long gone.
    std::vector<std::int32_t> codes(4000);
    for (std::size_t i = 0; i < codes.size(); ++i)
        codes[i] = static_cast<std::int32_t>((i * 37) % 2000) * 2;
    vst3.context().restoreSample(5, std::move(codes), 4000, 1, "/nowhere/kick.wav", {});
    const std::vector<std::uint8_t> saved = vst3.getState();
    ASSERT_GT(saved.size(), start.size() + 8000) << "the sample travels inside the state";

    PluginInstance lv2(kRate, 512);
    ASSERT_TRUE(lv2.restoreState(saved));
    const std::vector<std::uint8_t> fromLv2 = lv2.saveState();
    EXPECT_EQ(fromLv2, saved);

    Vst3Processor back;
    ASSERT_TRUE(back.setState(fromLv2));
    EXPECT_EQ(back.getState(), saved);

    // The bypass switch a VST 3 state carries comes back with the next save.
    std::vector<std::uint8_t> bypassed = saved;
    const auto record = kest::tolvane::plugin::encodeBypassRecord(true);
    std::copy(record.begin(), record.end(), bypassed.end() - static_cast<std::ptrdiff_t>(record.size()));
    ASSERT_TRUE(lv2.restoreState(bypassed));
    EXPECT_EQ(lv2.saveState(), bypassed);
}

// LV2 runs restore between blocks, never beside one: the restore does not
// wait out the engine's audio-stall timeout (250 ms) for blocks that the host
// holds back, as it did while the audio thread's last block looked recent.
TEST(Lv2State, ARestoreBetweenTheAudioThreadsBlocksDoesNotWaitForBlocks)
{
    PluginInstance lv2(kRate, 512);
    ASSERT_TRUE(lv2.restoreState(bankState()));
    std::thread audio([&] {
        for (int block = 0; block < 20; ++block) {
            lv2.setEvents({});
            lv2.run(512);
        }
    });
    audio.join();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(lv2.restoreState(bankState()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(Lv2Presets, EveryFactoryPresetLoadsAsItsVstPresetTwin)
{
    namespace fs = std::filesystem;
    std::size_t twins = 0;
    for (const auto& entry : fs::recursive_directory_iterator(TOLVANE_PRESET_DIR))
        twins += entry.path().extension() == ".vstpreset" ? 1 : 0;
    const auto presets = LilvBundle::instance().presets();
    ASSERT_GT(presets.size(), 0u);
    EXPECT_EQ(presets.size(), twins);

    for (const auto& [uri, label] : presets) {
        SCOPED_TRACE(label);
        fs::path twin;
        for (const auto& entry : fs::recursive_directory_iterator(TOLVANE_PRESET_DIR))
            if (entry.path().stem() == label && entry.path().extension() == ".vstpreset")
                twin = entry.path();
        ASSERT_FALSE(twin.empty()) << "no .vstpreset named " << label;
        std::string error;
        const auto vstPreset = tools::parseVstPreset(readFile(twin), error);
        ASSERT_TRUE(vstPreset) << error;

        PluginInstance lv2(kRate, 512);
        ASSERT_TRUE(lv2.applyPreset(uri));
        EXPECT_EQ(lv2.saveState(), vstPreset->component);
    }
}

} // namespace
