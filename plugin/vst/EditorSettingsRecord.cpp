// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorSettingsRecord.h"

#include <cstring>

namespace Steinberg::Vst::Tolvane {

namespace {
constexpr char kMagic[4] = {'T', 'V', 'E', 'D'};
}

void writeEditorSettingsRecord(IBStream& stream, const EditorSettings& settings)
{
    char bytes[kEditorSettingsRecordSize] = {};
    std::memcpy(bytes, kMagic, sizeof kMagic);
    bytes[4] = static_cast<char>(settings.zoomChoice & 0xFF);
    stream.write(bytes, kEditorSettingsRecordSize, nullptr);
}

bool readEditorSettingsRecord(IBStream& stream, EditorSettings& settings)
{
    if (stream.seek(0, IBStream::kIBSeekSet, nullptr) != kResultOk)
        return false;
    char bytes[kEditorSettingsRecordSize] = {};
    int32 got = 0;
    if (stream.read(bytes, kEditorSettingsRecordSize, &got) != kResultOk || got != kEditorSettingsRecordSize)
        return false;
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || bytes[5] != 0 || bytes[6] != 0 || bytes[7] != 0)
        return false;
    settings.zoomChoice = static_cast<unsigned char>(bytes[4]);
    return true;
}

} // namespace Steinberg::Vst::Tolvane
