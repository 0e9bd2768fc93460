// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's settings in the controller's saved state: an 8-byte record
// ("TVED", the zoom choice, three zero bytes) written before the bypass
// trailer, so that the trailer stays the stream's last 8 bytes and a state
// saved before the record existed (the trailer alone) still loads.
#pragma once

#include "pluginterfaces/base/ibstream.h"

namespace Steinberg::Vst::Tolvane {

inline constexpr int32 kEditorSettingsRecordSize = 8;

struct EditorSettings {
    int zoomChoice = 0;
};

void writeEditorSettingsRecord(IBStream& stream, const EditorSettings& settings);
// Reads the record at the stream's start; false (settings untouched) when it is not there.
bool readEditorSettingsRecord(IBStream& stream, EditorSettings& settings);

} // namespace Steinberg::Vst::Tolvane
