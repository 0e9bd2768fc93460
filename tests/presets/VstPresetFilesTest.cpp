// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <unistd.h>

#include "ByteStream.h"
#include "EngineContext.h"
#include "FactoryBank.h"
#include "FilePath.h"
#include "PresetWriter.h"
#include "ShowcasePresets.h"
#include "TextImport.h"
#include "TolvaneIds.h"
#include "VstPresetReader.h"
#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

using namespace kest::tolvane;
using namespace kest::tolvane::tools;

namespace {

struct ScratchFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tolvane-presets-" + std::to_string(::getpid()));
    ScratchFolder() { std::filesystem::create_directories(path); }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
};

std::vector<std::uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string exported(plugin::EngineContext& context, formats::TextKind kind)
{
    std::ostringstream text;
    formats::writeText(text, kind, *context.synth, context.waveTableBitDepth);
    return text.str();
}

// The component chunk as the SDK finds it.
std::vector<std::uint8_t> sdkComponent(const std::filesystem::path& path, Steinberg::FUID& classId)
{
    using namespace Steinberg;
    // Read here, by path of any script: the SDK's FileStream opens narrow paths.
    std::vector<std::uint8_t> fileBytes = readFile(path);
    if (fileBytes.empty())
        return {};
    IPtr<IBStream> stream = owned(new MemoryStream(fileBytes.data(), static_cast<TSize>(fileBytes.size())));
    Vst::PresetFile file(stream);
    if (!file.readChunkList())
        return {};
    classId = file.getClassID();
    const Vst::PresetFile::Entry* entry = file.getEntry(Vst::kComponentState);
    if (!entry)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entry->size));
    int32 got = 0;
    stream->seek(entry->offset, IBStream::kIBSeekSet, nullptr);
    stream->read(bytes.data(), static_cast<int32>(bytes.size()), &got);
    if (got != static_cast<int32>(bytes.size()))
        return {};
    return bytes;
}

void expectSameSound(plugin::EngineContext& expected, plugin::EngineContext& actual, std::string_view name)
{
    EXPECT_EQ(exported(expected, formats::TextKind::Tone), exported(actual, formats::TextKind::Tone)) << name;
    EXPECT_EQ(exported(expected, formats::TextKind::Sampler), exported(actual, formats::TextKind::Sampler)) << name;
    for (int slot = 0; slot < synth::kSampleSlotCount; ++slot) {
        const synth::SampleData& want = expected.synth->sampleData(slot);
        const synth::SampleData& got = actual.synth->sampleData(slot);
        EXPECT_EQ(got.frames, want.frames) << name << " slot " << slot;
        EXPECT_EQ(got.sourceRate, want.sourceRate) << name << " slot " << slot;
    }
    EXPECT_EQ(exported(expected, formats::TextKind::WaveTable), exported(actual, formats::TextKind::WaveTable)) << name;
    EXPECT_EQ(expected.waveTableBitDepth, actual.waveTableBitDepth) << name;
    for (int part = 0; part < 16; ++part) {
        const synth::PartState& want = expected.synth->part(part);
        const synth::PartState& got = actual.synth->part(part);
        EXPECT_EQ(got.mode, want.mode) << name << " part " << part;
        EXPECT_EQ(got.defaultMode, want.defaultMode) << name << " part " << part;
        EXPECT_EQ(got.program, want.program) << name << " part " << part;
        EXPECT_EQ(got.cc[1], want.cc[1]) << name << " part " << part;
        EXPECT_EQ(got.cc[7], want.cc[7]) << name << " part " << part;
        EXPECT_EQ(got.pitchBend, want.pitchBend) << name << " part " << part;
    }
}

} // namespace

// The meta information a host's browser reads, as the SDK finds it.
std::string sdkMetaInfo(const std::filesystem::path& path)
{
    using namespace Steinberg;
    std::vector<std::uint8_t> fileBytes = readFile(path);
    IPtr<IBStream> stream = owned(new MemoryStream(fileBytes.data(), static_cast<TSize>(fileBytes.size())));
    Vst::PresetFile file(stream);
    if (fileBytes.empty() || !file.readChunkList())
        return {};
    int32 size = 0;
    if (!file.readMetaInfo(nullptr, size) || size <= 0)
        return {};
    std::string xml(static_cast<std::size_t>(size), '\0');
    return file.readMetaInfo(xml.data(), size) ? xml : std::string{};
}

TEST(VstPresetFiles, EveryPresetReadsBackIntoAFreshEngineWithTheSameSound)
{
    ScratchFolder folder;
    ASSERT_GE(showcasePresets().size(), 32u);
    for (const PresetRecipe& recipe : showcasePresets()) {
        plugin::EngineContext built;
        buildPreset(recipe, built);
        const auto path = folder.path / (std::string(recipe.name) + ".vstpreset");
        ASSERT_TRUE(writeVstPresetFile(formats::utf8FromPath(path), built, {recipe.name, recipe.musicalCategory}))
            << recipe.name;
        const std::string meta = sdkMetaInfo(path);
        auto xmlText = [](std::string_view text) {
            std::string out;
            for (char c : text)
                out += c == '&' ? std::string("&amp;") : std::string(1, c);
            return out;
        };
        for (const std::string& attribute :
             {std::string("\"MediaType\" value=\"VstPreset\""), "\"Name\" value=\"" + std::string(recipe.name) + "\"",
              "\"MusicalCategory\" value=\"" + xmlText(recipe.musicalCategory) + "\""})
            EXPECT_NE(meta.find(attribute), std::string::npos) << recipe.name << ": " << attribute << " in " << meta;

        Steinberg::FUID classId;
        const std::vector<std::uint8_t> component = sdkComponent(path, classId);
        ASSERT_FALSE(component.empty()) << recipe.name;
        EXPECT_EQ(classId, Steinberg::Vst::Tolvane::kProcessorUID);
        // What a host hands the processor ends in the bypass trailer, switched off.
        ASSERT_GE(component.size(), 8u);
        const std::vector<std::uint8_t> trailer(component.end() - 8, component.end());
        EXPECT_EQ(trailer, (std::vector<std::uint8_t>{'T', 'V', 'B', 'Y', 0, 0, 0, 0}));

        // The renderer's own reader agrees with the SDK, class id included.
        std::string error;
        const auto contents = parseVstPreset(readFile(path), error);
        ASSERT_TRUE(contents) << error;
        EXPECT_EQ(contents->classId, kTolvaneProcessorClassId);
        EXPECT_EQ(contents->component, component);

        plugin::EngineContext loaded;
        plugin::MemoryByteReader reader(component);
        ASSERT_TRUE(loaded.readState(reader, false)) << recipe.name;
        expectSameSound(built, loaded, recipe.name);
    }
}

TEST(VstPresetFiles, FactoryGmIsTheWholeBankWithPercussionOnPartTen)
{
    const PresetRecipe& gm = showcasePresets().front();
    ASSERT_EQ(gm.name, "Factory GM");
    plugin::EngineContext built;
    buildPreset(gm, built);
    plugin::EngineContext imported;
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/factory-wavetables.txt", plugin::TextKind::WaveTable));
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/factory-tones.txt", plugin::TextKind::Tone));
    EXPECT_EQ(exported(built, formats::TextKind::Tone), exported(imported, formats::TextKind::Tone));
    EXPECT_EQ(exported(built, formats::TextKind::WaveTable), exported(imported, formats::TextKind::WaveTable));
    for (int part = 0; part < 16; ++part)
        EXPECT_EQ(built.synth->getMode(part), part == 9 ? synth::kModePercussion : synth::kModeInstrument) << part;
}

// Every preset beyond the two banks changes something (a part, a tone) and no two are alike.
TEST(VstPresetFiles, EveryPresetDiffersFromItsBankAndFromEveryOther)
{
    std::vector<std::vector<std::uint8_t>> states;
    std::set<std::string_view> names;
    for (const PresetRecipe& recipe : showcasePresets()) {
        plugin::EngineContext built;
        buildPreset(recipe, built);
        plugin::MemoryByteWriter state;
        ASSERT_TRUE(built.writeState(state));
        EXPECT_EQ(std::count(states.begin(), states.end(), state.bytes), 0) << recipe.name;
        EXPECT_TRUE(names.insert(recipe.name).second) << recipe.name;
        EXPECT_FALSE(recipe.category.empty()) << recipe.name;
        states.push_back(std::move(state.bytes));
    }
}

TEST(VstPresetFiles, ChipBankHoldsItsFilesWithTheirSequencesBothKitsAndTheWheelAtRest)
{
    const auto chip = std::find_if(showcasePresets().begin(), showcasePresets().end(),
                                   [](const PresetRecipe& r) { return r.name == "Chip Bank"; });
    ASSERT_NE(chip, showcasePresets().end());
    plugin::EngineContext built;
    buildPreset(*chip, built);
    plugin::EngineContext imported;
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/chip-wavetables.txt", plugin::TextKind::WaveTable));
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/chip-tones.txt", plugin::TextKind::Tone));
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/chip-samplers.txt", plugin::TextKind::Sampler));
    for (const auto kind : {formats::TextKind::Tone, formats::TextKind::WaveTable, formats::TextKind::Sampler})
        EXPECT_EQ(exported(built, kind), exported(imported, kind));
    // Every slot the sample kit plays holds its sample.
    for (int key = 0; key < 128; ++key) {
        const synth::SamplerPreset& preset = built.synth->samplerPreset(key);
        if (preset.tl < 127) {
            EXPECT_GT(built.synth->sampleData(preset.smplNum).frames, 0) << "key " << key;
        }
    }
    for (int part = 0; part < 16; ++part) {
        EXPECT_EQ(built.synth->getMode(part), part == 9 ? synth::kModePercussion : synth::kModeInstrument) << part;
        EXPECT_EQ(built.synth->part(part).cc[1], 0) << part;
    }
    // Vibrato and tremolo move without the wheel: every LFO tone has a depth of its own.
    for (int tone = 0; tone < synth::kToneCount; ++tone)
        if (built.synth->tone(tone).strc == 1 || built.synth->tone(tone).strc == 2) {
            EXPECT_GT(built.synth->toneExpression(tone).lfo.depth, 0) << "tone " << tone;
        }
}

// The presets name chip programs by number: a bank reordered under them shows here.
TEST(VstPresetFiles, TheFourChannelTemplatePlaysTheChipToneItNames)
{
    const auto found = std::find_if(showcasePresets().begin(), showcasePresets().end(),
                                    [](const PresetRecipe& r) { return r.name == "4 Chip Channels + Kit"; });
    ASSERT_NE(found, showcasePresets().end());
    plugin::EngineContext built;
    buildPreset(*found, built);
    const char* expected[] = {"Vib Lead 25%    ", "Arp Major 12.5% ", "Tri Bass        ", "Echo Lead 50%   "};
    for (int part = 0; part < 4; ++part)
        EXPECT_EQ(std::string(built.synth->tone(built.synth->part(part).program).presetName, 16), expected[part]);
}
