// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's identity and host parameter ids, shared by the factory, the
// processor and the controller. The class ids are stored in hosts' projects
// and must never change. The SDK-free vocabulary (value ids, messages, host
// parameter numbers, version) lives in ProtocolIds.h; the names here are its
// SDK-typed spellings.
#pragma once

#include "ProtocolIds.h"
#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg::Vst::Tolvane {

inline const FUID kProcessorUID(0xE5D81B64, 0xEAB54625, 0x91714E72, 0x8E9A4147);
inline const FUID kControllerUID(0xAF3F86A0, 0xC45F43FC, 0x8F1BE097, 0x54FA241D);

inline constexpr const char* kVendor = ::kest::tolvane::plugin::ids::kVendor;
inline constexpr const char* kVendorUrl = ::kest::tolvane::plugin::ids::kVendorUrl;
inline constexpr const char* kVendorEmail = "";
inline constexpr const char* kProcessorName = ::kest::tolvane::plugin::ids::kProductName;
inline constexpr const char* kControllerName = "Tolvane Synth WT Controller";
inline constexpr const char* kSubCategories = "Instrument|Synth";
inline constexpr const char* kVersion = ::kest::tolvane::plugin::ids::kVersion;
inline constexpr const char* kSdkVersion = "VST 3.7.3";

inline constexpr int kChannelCount = 16;
inline constexpr int kOutputBusCount = ::kest::tolvane::plugin::ids::kOutputPairCount;

// Host parameters: ids::hostParam's controller, pitch bend and program numbers
// per channel, plus the bypass switch.
inline constexpr ParamID kBypassId = 0x1000001;
inline constexpr ParamID kMidiParamBase = ::kest::tolvane::plugin::ids::hostParam::kMidiBase;
inline constexpr int kPitchBendItem = ::kest::tolvane::plugin::ids::hostParam::kPitchBendItem;
inline constexpr int kProgramItem = ::kest::tolvane::plugin::ids::hostParam::kProgramItem;
inline constexpr int kLastMappedController = 130; // 129 pitch bend, 130 program change

inline constexpr ParamID midiParamId(int channel, int item)
{
    return ::kest::tolvane::plugin::ids::hostParam::midi(channel, item);
}

// Units: the controllers share one; each channel's program change has its own.
inline constexpr int32 kControllerUnitId = 0x10000;
inline constexpr int32 kProgramUnitBase = 0x100000;

// Messages between editor, controller and processor.
inline constexpr const char* kMsgValueChange = ::kest::tolvane::plugin::ids::message::kValueChange;
inline constexpr const char* kMsgFileSelect = ::kest::tolvane::plugin::ids::message::kFileSelect;
inline constexpr const char* kMsgEditorOpened = ::kest::tolvane::plugin::ids::message::kEditorOpened;
inline constexpr const char* kMsgValueUpdate = ::kest::tolvane::plugin::ids::message::kValueUpdate;
inline constexpr const char* kMsgUiUpdate = ::kest::tolvane::plugin::ids::message::kUiUpdate;
inline constexpr const char* kMsgOpenGui = ::kest::tolvane::plugin::ids::message::kOpenGui;
inline constexpr const char* kMsgSetState = ::kest::tolvane::plugin::ids::message::kSetState;
inline constexpr const char* kMsgGetState = ::kest::tolvane::plugin::ids::message::kGetState;
inline constexpr const char* kAttrTag = ::kest::tolvane::plugin::ids::attr::kTag;
inline constexpr const char* kAttrValue = ::kest::tolvane::plugin::ids::attr::kValue;
inline constexpr const char* kAttrPath = ::kest::tolvane::plugin::ids::attr::kPath;
inline constexpr const char* kAttrContext = ::kest::tolvane::plugin::ids::attr::kContext;

} // namespace Steinberg::Vst::Tolvane
