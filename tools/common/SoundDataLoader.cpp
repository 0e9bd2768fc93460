// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundDataLoader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "ByteStream.h"
#include "FactoryBank.h"
#include "FilePath.h"
#include "VstPresetReader.h"

namespace kest::tolvane::tools {

namespace {

// States carry their samples' audio, yet nothing near this size is one.
constexpr std::uintmax_t kMaxStateSize = 1u << 30;

bool readable(const std::string& path, LoadFailure& failure)
{
    const std::filesystem::path file = formats::pathFromUtf8(path);
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec) && std::ifstream(file, std::ios::binary))
        return true;
    failure = {path, "cannot open the file"};
    return false;
}

std::optional<std::vector<std::uint8_t>> readSmallFile(const std::string& path, LoadFailure& failure)
{
    if (!readable(path, failure))
        return std::nullopt;
    const std::filesystem::path file = formats::pathFromUtf8(path);
    std::error_code ec;
    if (std::filesystem::file_size(file, ec) > kMaxStateSize) {
        failure = {path, "too large for a plug-in state"};
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool applyState(plugin::EngineContext& context, const std::string& path, const std::vector<std::uint8_t>& bytes,
                LoadFailure& failure)
{
    plugin::MemoryByteReader reader(bytes);
    if (!context.readState(reader)) {
        failure = {path, "not a plug-in state this version can read (too old or cut short)"};
        return false;
    }
    return true;
}

bool loadState(plugin::EngineContext& context, const std::string& path, LoadFailure& failure)
{
    const auto bytes = readSmallFile(path, failure);
    return bytes && applyState(context, path, *bytes, failure);
}

bool loadPreset(plugin::EngineContext& context, const std::string& path, LoadFailure& failure)
{
    const auto bytes = readSmallFile(path, failure);
    if (!bytes)
        return false;
    std::string error;
    const auto preset = parseVstPreset(*bytes, error);
    if (!preset) {
        failure = {path, error};
        return false;
    }
    if (preset->classId != kTolvaneProcessorClassId) {
        failure = {path, "a preset of another plug-in (class " + preset->classId + ")"};
        return false;
    }
    return applyState(context, path, preset->component, failure);
}

bool importText(plugin::EngineContext& context, const std::string& path, formats::TextKind kind, LoadFailure& failure)
{
    if (path.empty())
        return true;
    if (!readable(path, failure))
        return false;
    if (!context.importText(path.c_str(), kind)) {
        failure = {path, "cannot read the file"};
        return false;
    }
    return true;
}

} // namespace

bool loadSoundData(plugin::EngineContext& context, const SoundDataOptions& options, LoadFailure& failure)
{
    if (!options.init)
        loadFactoryBank(context);
    if (!options.statePath.empty() && !loadState(context, options.statePath, failure))
        return false;
    if (!options.presetPath.empty() && !loadPreset(context, options.presetPath, failure))
        return false;
    if (options.tableSize > 0)
        context.waveTableSize = context.synth->setTableSize(options.tableSize);
    // WAV imports before the text files, so sample-data parameters land on the imported audio.
    for (const WaveImportOption& wave : options.waves) {
        if (!readable(wave.path, failure))
            return false;
        if (!context.importWave(wave.slot, wave.path.c_str(), wave.kind)) {
            failure = {wave.path, "not a WAV file the importer can read"};
            return false;
        }
    }
    if (!importText(context, options.waveTablesPath, formats::TextKind::WaveTable, failure))
        return false;
    if (!importText(context, options.tonesPath, formats::TextKind::Tone, failure))
        return false;
    if (!importText(context, options.samplersPath, formats::TextKind::Sampler, failure))
        return false;
    return importText(context, options.sampleParamsPath, formats::TextKind::SampleData, failure);
}

std::vector<std::string> sampleSourceNotices(const plugin::EngineContext& context)
{
    std::vector<std::string> notices;
    for (int slot = 0; slot < plugin::EngineContext::kSampleSlotCount; ++slot) {
        const auto status = context.sampleSourceStatus[static_cast<std::size_t>(slot)];
        if (status == plugin::SampleSourceStatus::AsImported)
            continue;
        notices.push_back("sample slot " + std::to_string(slot) + ": " +
                          context.sampleSourcePath[static_cast<std::size_t>(slot)] + ": " +
                          plugin::sampleSourceStatusText(status));
    }
    return notices;
}

} // namespace kest::tolvane::tools
