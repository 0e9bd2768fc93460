// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
    EXPECT_EQ(exported(expected, formats::TextKind::WaveTable), exported(actual, formats::TextKind::WaveTable)) << name;
    EXPECT_EQ(expected.waveTableBitDepth, actual.waveTableBitDepth) << name;
    for (int part = 0; part < 16; ++part) {
        const synth::PartState& want = expected.synth->part(part);
        const synth::PartState& got = actual.synth->part(part);
        EXPECT_EQ(got.mode, want.mode) << name << " part " << part;
        EXPECT_EQ(got.defaultMode, want.defaultMode) << name << " part " << part;
        EXPECT_EQ(got.program, want.program) << name << " part " << part;
        EXPECT_EQ(got.cc[1], want.cc[1]) << name << " part " << part;
    }
}

} // namespace

TEST(VstPresetFiles, EveryPresetReadsBackIntoAFreshEngineWithTheSameSound)
{
    ScratchFolder folder;
    ASSERT_GE(showcasePresets().size(), 4u);
    for (const PresetRecipe& recipe : showcasePresets()) {
        plugin::EngineContext built;
        buildPreset(recipe, built);
        const auto path = folder.path / (std::string(recipe.name) + ".vstpreset");
        ASSERT_TRUE(writeVstPresetFile(formats::utf8FromPath(path), built)) << recipe.name;

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

TEST(VstPresetFiles, ShowcasePresetsDifferFromTheBankTheyStartFrom)
{
    plugin::EngineContext gm;
    buildPreset(showcasePresets().front(), gm);
    for (const PresetRecipe& recipe : showcasePresets().subspan(1)) {
        plugin::EngineContext showcase;
        buildPreset(recipe, showcase);
        plugin::MemoryByteWriter a, b;
        ASSERT_TRUE(gm.writeState(a));
        ASSERT_TRUE(showcase.writeState(b));
        EXPECT_NE(a.bytes, b.bytes) << recipe.name;
    }
}
