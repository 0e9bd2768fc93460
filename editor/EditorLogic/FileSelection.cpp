// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/FileSelection.h"

#include <array>

namespace kest::tolvane::editor {

namespace {

constexpr std::array<FileFilter, 3> kPresetImportFilters = {{
    {"tvx files(.tvx)", "tvx"},
    {"text files(.txt)", "txt"},
    {"text files(.csv)", "csv"},
}};
constexpr std::array<FileFilter, 3> kSampleDataImportFilters = {{
    {"tvx files(.tvx)", "tvx"},
    {"text files(.txt)", "txt"},
    {"csv files(.csv)", "csv"},
}};
constexpr std::array<FileFilter, 1> kWavFilters = {{{"WAV Files(.wav)", "wav"}}};
constexpr std::array<FileFilter, 1> kTextExportFilters = {{{"text file(.txt)", "txt"}}};

const std::array kSelectors = {
    FileSelectorInfo{ids::file::kImportToneText, false, false, "Import TonePreset Parameters File",
                     kPresetImportFilters, nullptr},
    FileSelectorInfo{ids::file::kImportSamplerText, false, false, "Import SamplerPreset Parameters File",
                     kPresetImportFilters, nullptr},
    FileSelectorInfo{ids::file::kImportSampleDataText, false, false, "Import SampleData Paarmeters File",
                     kSampleDataImportFilters, nullptr},
    FileSelectorInfo{ids::file::kImportWaveTableText, false, false, "Import WaveTable Preset File",
                     kPresetImportFilters, nullptr},
    FileSelectorInfo{ids::file::kImportWavPcm, false, true, "Import WAV File", kWavFilters, nullptr},
    FileSelectorInfo{ids::file::kImportWavDpcm, false, true, "Import WAV File", kWavFilters, nullptr},
    FileSelectorInfo{ids::file::kImportWavAdpcm, false, true, "Import WAV File", kWavFilters, nullptr},
    FileSelectorInfo{ids::file::kExportToneText, true, false, "Export TonePreset Parameters File", kTextExportFilters,
                     "TonePresets.txt"},
    FileSelectorInfo{ids::file::kExportSamplerText, true, false, "Export SamplerPreset Parameters File",
                     kTextExportFilters, "SamplerPresets.txt"},
    FileSelectorInfo{ids::file::kExportToneSysEx, true, false, "Export TonePreset SystemExclusives", kTextExportFilters,
                     "TonePresetSysEx.txt"},
    FileSelectorInfo{ids::file::kExportSamplerSysEx, true, false, "Export SamplerPreset SystemExclusives",
                     kTextExportFilters, "SamplerPresetSysEx.txt"},
    FileSelectorInfo{ids::file::kExportSampleDataText, true, false, "Export SampleData Parameters File",
                     kTextExportFilters, "SampleDataParameters.txt"},
    FileSelectorInfo{ids::file::kExportWaveTableText, true, false, "Export WaveTable Preset File", kTextExportFilters,
                     "WaveTablePresets.txt"},
    FileSelectorInfo{ids::file::kExportWaveTableSysEx, true, false, "Export WaveTable SystemExclusives",
                     kTextExportFilters, "WaveTableSysEx.txt"},
};

constexpr int kLastSampleSlot = 127;

} // namespace

const FileSelectorInfo* findFileSelector(int code)
{
    for (const auto& selectorInfo : kSelectors)
        if (selectorInfo.code == code)
            return &selectorInfo;
    return nullptr;
}

std::vector<FileSelectMessage> fileSelectMessages(int pendingFileAction, const std::vector<std::string>& paths,
                                                  int currentSampleData)
{
    std::vector<FileSelectMessage> messages;
    if (paths.empty())
        return messages;
    if (pendingFileAction & ids::file::kWavImportFlag) {
        int slot = currentSampleData & kLastSampleSlot;
        for (const auto& path : paths) {
            if (slot > kLastSampleSlot)
                break;
            messages.push_back({pendingFileAction | slot, path});
            ++slot;
        }
    } else if (pendingFileAction & ids::file::kSingleFileFlag) {
        messages.push_back({pendingFileAction, paths.front()});
    }
    return messages;
}

std::vector<char> pathAttributeBytes(const std::string& path)
{
    std::vector<char> bytes(path.begin(), path.end());
    bytes.push_back('\0');
    return bytes;
}

} // namespace kest::tolvane::editor
