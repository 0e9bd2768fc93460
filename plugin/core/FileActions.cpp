// SPDX-License-Identifier: GPL-3.0-or-later
// The file-action dispatch: the high byte of the action id picks an import or
// export; for WAV imports the low 7 bits are the target sample slot. An import
// that refuses its file leaves a notice for the editor.
#include "EngineContext.h"
#include "ProtocolIds.h"

namespace kest::tolvane::plugin {

namespace file = ids::file;

void EngineContext::runFileAction(int id, const char* path)
{
    // No file operation runs without a path.
    if (path == nullptr || *path == '\0')
        return;
    std::lock_guard edit(editMutex_);
    // The notice is in place before the answer, which makes the editor look.
    std::string refusal;
    const auto answer = [&](bool sendUpdate) {
        if (!refusal.empty())
            noteRefusedFile(file::actionOf(id), path, refusal);
        if (sendUpdate)
            sendUiUpdate();
    };

    switch (file::actionOf(id)) {
    case file::kImportToneText:
        importText(path, TextKind::Tone, &refusal);
        answer(true);
        break;
    case file::kImportSamplerText:
        runOnEngine([&] { stopAllVoices(); });
        importText(path, TextKind::Sampler, &refusal);
        answer(true);
        break;
    case file::kImportSampleDataText:
        importText(path, TextKind::SampleData, &refusal);
        answer(true);
        break;
    case file::kImportWaveTableText:
        importText(path, TextKind::WaveTable, &refusal);
        answer(true);
        break;
    case file::kImportWavPcm:
    case file::kImportWavDpcm:
    case file::kImportWavAdpcm: {
        const int slot = file::slotOf(id);
        const auto kind = static_cast<SampleSourceKind>((file::actionOf(id) - file::kImportWavPcm) >> 8);
        runOnEngine([&] { stopAllVoices(); });
        importWave(slot, path, kind, &refusal);
        answer(slot == currentSampleData);
        break;
    }
    case file::kExportToneText: exportText(path, TextKind::Tone); break;
    case file::kExportSamplerText: exportText(path, TextKind::Sampler); break;
    case file::kExportToneSysEx: exportSysExText(path, TextKind::Tone); break;
    case file::kExportSamplerSysEx: exportSysExText(path, TextKind::Sampler); break;
    case file::kExportSampleDataText: exportText(path, TextKind::SampleData); break;
    case file::kExportWaveTableText: exportText(path, TextKind::WaveTable); break;
    case file::kExportWaveTableSysEx: exportSysExText(path, TextKind::WaveTable); break;
    default: break;
    }
}

} // namespace kest::tolvane::plugin
