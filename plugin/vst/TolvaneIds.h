// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's identity and host parameter ids, shared by the factory, the
// processor and the controller. The class ids are stored in hosts' projects
// and must never change.
#pragma once

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg::Vst::Tolvane {

inline const FUID kProcessorUID(0xE5D81B64, 0xEAB54625, 0x91714E72, 0x8E9A4147);
inline const FUID kControllerUID(0xAF3F86A0, 0xC45F43FC, 0x8F1BE097, 0x54FA241D);

inline constexpr const char* kVendor = "Kestrawerk";
inline constexpr const char* kVendorUrl = "https://kestrawerk.invalid";
inline constexpr const char* kVendorEmail = "";
inline constexpr const char* kProcessorName = "Tolvane Synth WT";
inline constexpr const char* kControllerName = "Tolvane Synth WT Controller";
inline constexpr const char* kSubCategories = "Instrument|Synth";
inline constexpr const char* kVersion = "23.1.6";
inline constexpr const char* kSdkVersion = "VST 3.7.3";

inline constexpr int kChannelCount = 16;
inline constexpr int kOutputBusCount = 16;

// Host parameters: 0x10000 | channel << 8 | item, where item is a controller
// number 0..127, 0x81 pitch bend or 0x82 program; plus the bypass switch.
inline constexpr ParamID kBypassId = 0x1000001;
inline constexpr ParamID kMidiParamBase = 0x10000;
inline constexpr int kPitchBendItem = 0x81;
inline constexpr int kProgramItem = 0x82;
inline constexpr int kLastMappedController = 130;  // 129 pitch bend, 130 program change

inline constexpr ParamID midiParamId(int channel, int item)
{
    return kMidiParamBase | (static_cast<ParamID>(channel & 0xF) << 8) | static_cast<ParamID>(item);
}

// Units: the controllers share one; each channel's program change has its own.
inline constexpr int32 kControllerUnitId = 0x10000;
inline constexpr int32 kProgramUnitBase = 0x100000;

// Messages between editor, controller and processor.
inline constexpr const char* kMsgValueChange = "GUIEditor:tvValueChange";
inline constexpr const char* kMsgFileSelect = "GUIEditor:tvFileSelect";
inline constexpr const char* kMsgEditorOpened = "GUIEditor:openGUI";
inline constexpr const char* kMsgValueUpdate = "GUIEditor:tvValueUpdate";
inline constexpr const char* kMsgUiUpdate = "Processor:uiUpdate";
inline constexpr const char* kMsgOpenGui = "Processor:openGUI";
inline constexpr const char* kMsgSetState = "Processor:setState";
inline constexpr const char* kMsgGetState = "Processor:getState";
inline constexpr const char* kAttrTag = "tag";
inline constexpr const char* kAttrValue = "val";
inline constexpr const char* kAttrPath = "path";
inline constexpr const char* kAttrContext = "tvset";

} // namespace Steinberg::Vst::Tolvane
