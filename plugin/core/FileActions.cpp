// SPDX-License-Identifier: GPL-3.0-or-later
// The file-action dispatch: the high byte of the action id picks an import or
// export; for WAV imports the low 7 bits are the target sample slot.
#include "EngineContext.h"

namespace kest::tolvane::plugin {

namespace {

enum FileAction : int {
    kImportToneText = 0x11,
    kImportSamplerText = 0x12,
    kImportSampleDataText = 0x15,
    kImportWaveTableText = 0x16,
    kImportWavePcm = 0x21,
    kImportWaveDpcm = 0x22,
    kImportWaveAdpcm = 0x23,
    kExportToneText = 0x91,
    kExportSamplerText = 0x92,
    kExportToneSysEx = 0x93,
    kExportSamplerSysEx = 0x94,
    kExportSampleDataText = 0x95,
    kExportWaveTableText = 0x96,
    kExportWaveTableSysEx = 0x97,
};

} // namespace

void EngineContext::runFileAction(int id, const char* path) {
    // No file operation runs without a path.
    if (path == nullptr || *path == '\0') return;
    std::lock_guard edit(editMutex_);

    switch ((id & 0xFF00) >> 8) {
    case kImportToneText:
        importText(path, TextKind::Tone);
        sendUiUpdate();
        break;
    case kImportSamplerText:
        runOnEngine([&] { stopAllVoices(); });
        importText(path, TextKind::Sampler);
        sendUiUpdate();
        break;
    case kImportSampleDataText:
        importText(path, TextKind::SampleData);
        sendUiUpdate();
        break;
    case kImportWaveTableText:
        importText(path, TextKind::WaveTable);
        sendUiUpdate();
        break;
    case kImportWavePcm:
    case kImportWaveDpcm:
    case kImportWaveAdpcm: {
        const int slot = id & 0x7F;
        const auto kind = static_cast<SampleSourceKind>(((id & 0xFF00) >> 8) - kImportWavePcm);
        runOnEngine([&] { stopAllVoices(); });
        importWave(slot, path, kind);
        if (slot == currentSampleData) sendUiUpdate();
        break;
    }
    case kExportToneText: exportText(path, TextKind::Tone); break;
    case kExportSamplerText: exportText(path, TextKind::Sampler); break;
    case kExportToneSysEx: exportSysExText(path, TextKind::Tone); break;
    case kExportSamplerSysEx: exportSysExText(path, TextKind::Sampler); break;
    case kExportSampleDataText: exportText(path, TextKind::SampleData); break;
    case kExportWaveTableText: exportText(path, TextKind::WaveTable); break;
    case kExportWaveTableSysEx: exportSysExText(path, TextKind::WaveTable); break;
    default: break;
    }
}

} // namespace kest::tolvane::plugin
