// SPDX-License-Identifier: GPL-3.0-or-later
// Text and WAV imports and exports. Files are read, parsed and converted, or
// written, without the engine; an import's short apply step runs as an engine
// task (between two blocks on the audio thread), an export's snapshot under
// the engine lock.
#include <sstream>

#include "EngineContext.h"
#include "FilePath.h"
#include "SysExText.h"
#include "TextFile.h"
#include "TextImport.h"
#include "WaveImport.h"

namespace kest::tolvane::plugin {

bool EngineContext::importText(const char* path, TextKind kind, std::string* refusal)
{
    if (path == nullptr)
        return false;
    std::lock_guard edit(editMutex_);
    std::string error;
    const std::optional<formats::ParsedText> parsed = formats::parseTextFile(path, kind, error);
    if (!parsed) {
        if (refusal != nullptr)
            *refusal = error;
        return false;
    }
    runOnEngine([&] { formats::applyText(*synth, *parsed, waveTableBitDepth); });
    return true;
}

bool EngineContext::exportText(const char* path, TextKind kind)
{
    if (path == nullptr)
        return false;
    std::lock_guard edit(editMutex_);
    std::ostringstream text;
    {
        std::lock_guard lock(mutex_);
        formats::writeText(text, kind, *synth, waveTableBitDepth);
    }
    return formats::writeTextFile(path, [&](std::ostream& out) { out << text.str(); });
}

bool EngineContext::exportSysExText(const char* path, TextKind kind)
{
    if (path == nullptr)
        return false;
    std::lock_guard edit(editMutex_);
    std::ostringstream text;
    {
        std::lock_guard lock(mutex_);
        formats::writeSysExText(text, kind, *synth);
    }
    return formats::writeTextFile(path, [&](std::ostream& out) { out << text.str(); });
}

void EngineContext::noteRefusedFile(int action, const char* path, const std::string& refusal)
{
    ++fileNotice.serial;
    fileNotice.action = action;
    fileNotice.text = formats::utf8FromPath(formats::pathFromUtf8(path).filename()) + ": " + refusal;
}

template <typename Install>
void EngineContext::swapSampleSlot(int slot, std::string sourcePath, SampleSourceKind kind, Install&& install)
{
    // What the slot held before is released here afterwards, not by the engine task.
    std::vector<std::int32_t> released;
    runOnEngine([&] {
        busyFlags.fetch_or(kBusyWaveImport);
        moduleHost->setDisabled(kSynthSlot, true);
        synth->suspend(true);

        released.swap(synth->sampleData(slot).data);
        install();

        const bool stillBusy = (busyFlags.fetch_and(~kBusyWaveImport) & ~kBusyWaveImport) != 0;
        moduleHost->setDisabled(kSynthSlot, stillBusy);
        synth->suspend(stillBusy);
    });
    sampleSourcePath[static_cast<std::size_t>(slot)].swap(sourcePath);
    sampleSourceKind[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(kind);
}

bool EngineContext::importWave(int slot, const char* path, SampleSourceKind kind, std::string* refusal)
{
    if (path == nullptr || slot < 0 || slot >= kSampleSlotCount)
        return false;
    std::lock_guard edit(editMutex_);
    std::string error;
    std::optional<formats::PreparedSample> prepared = formats::prepareWaveFile(path, kind, error);
    if (!prepared) {
        if (refusal != nullptr)
            *refusal = error;
        return false;
    }
    swapSampleSlot(slot, path, kind, [&] { formats::installPreparedSample(*synth, slot, std::move(*prepared)); });
    sampleSourceStatus[static_cast<std::size_t>(slot)] = SampleSourceStatus::AsImported;
    return true;
}

void EngineContext::restoreSample(int slot, std::vector<std::int32_t>&& codes, int frames, int channels,
                                  const std::string& path, SampleSourceKind kind)
{
    if (slot < 0 || slot >= kSampleSlotCount)
        return;
    std::lock_guard edit(editMutex_);
    swapSampleSlot(slot, path, kind, [&] {
        if (!synth->installSampleData(slot, std::move(codes), frames, channels))
            synth->sampleData(slot).clear();
    });
}

} // namespace kest::tolvane::plugin
