// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundDataLoader.h"

#include <cmath>
#include <string>

#include "ByteSource.h"
#include "ByteStream.h"
#include "FactoryBank.h"
#include "StateLayout.h"
#include "VstPresetReader.h"

namespace kest::tolvane::tools {

namespace {

// A stretch of a file as the state reader's stream: read as the reader asks,
// so a state is never held whole and a wrong one is refused where it goes wrong.
class FileRangeReader : public plugin::ByteReader {
public:
    FileRangeReader(formats::ByteSource& file, std::uint64_t offset, std::uint64_t size)
        : file_(file), position_(offset), end_(offset + size)
    {
    }
    bool read(void* destination, std::size_t count) override
    {
        if (count > end_ - position_ || !file_.readAt(position_, destination, count))
            return false;
        position_ += count;
        return true;
    }

private:
    formats::ByteSource& file_;
    std::uint64_t position_;
    std::uint64_t end_;
};

// Whether the `size` bytes at `offset` can be a state this program wrote: long
// enough for every record, a readable version, the two switches 0 or 1 and
// finite volume and tune. Decided from the first 13 bytes, before the rest is read.
bool looksLikeState(formats::ByteSource& file, std::uint64_t offset, std::uint64_t size, std::string& error)
{
    namespace state = plugin::state;
    std::uint8_t header[state::kHeaderSize];
    if (size < state::kSizeWithEmptySlots || !file.readAt(offset, header, sizeof header)) {
        error = "too short for a plug-in state (" + formats::sizeText(size) + "; a whole one has at least " +
                formats::sizeText(state::kSizeWithEmptySlots) + ")";
        return false;
    }
    if (header[0] < state::kOldestReadableVersion) {
        error = "not a plug-in state this version can read (version byte " + std::to_string(header[0]) + ")";
        return false;
    }
    if (header[1] > 1 || header[2] > 1 || !std::isfinite(state::getF32(header + 3)) ||
        !std::isfinite(state::getF32(header + 7))) {
        error = "not a plug-in state (its first bytes are no state header)";
        return false;
    }
    return true;
}

bool applyState(plugin::EngineContext& context, formats::ByteSource& file, std::uint64_t offset, std::uint64_t size,
                std::string& error)
{
    if (!looksLikeState(file, offset, size, error))
        return false;
    FileRangeReader reader(file, offset, size);
    if (!context.readState(reader)) {
        error = "not a plug-in state this version can read (too old or cut short)";
        return false;
    }
    return true;
}

bool loadState(plugin::EngineContext& context, const std::string& path, LoadFailure& failure)
{
    formats::FileSource file;
    std::string error;
    if (file.open(path, error) && applyState(context, file, 0, file.size(), error))
        return true;
    failure = {path, error};
    return false;
}

bool loadPreset(plugin::EngineContext& context, const std::string& path, LoadFailure& failure)
{
    formats::FileSource file;
    std::string error;
    if (file.open(path, error) && loadPresetFrom(context, file, error))
        return true;
    failure = {path, error};
    return false;
}

bool importText(plugin::EngineContext& context, const std::string& path, formats::TextKind kind, LoadFailure& failure)
{
    std::string refusal;
    if (path.empty() || context.importText(path.c_str(), kind, &refusal))
        return true;
    failure = {path, refusal};
    return false;
}

} // namespace

bool loadPresetFrom(plugin::EngineContext& context, formats::ByteSource& file, std::string& error)
{
    const auto preset = locateVstPresetState(file, error);
    if (!preset)
        return false;
    if (preset->classId != kTolvaneProcessorClassId) {
        error = "a preset of another plug-in (class " + preset->classId + ")";
        return false;
    }
    return applyState(context, file, preset->componentOffset, preset->componentSize, error);
}

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
        std::string refusal;
        if (!context.importWave(wave.slot, wave.path.c_str(), wave.kind, &refusal)) {
            failure = {wave.path, refusal};
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
