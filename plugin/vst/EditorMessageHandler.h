// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's side of the editor's messages, shared by the VST 3
// processor and the LV2 editor's stand-in for it: value changes and file
// actions go to the engine, "GUIEditor:openGUI" is answered with the
// EngineContext's address.
#pragma once

#include "pluginterfaces/vst/ivstmessage.h"

#include "ProcessorMessenger.h"

namespace kest::tolvane::plugin {
class EngineContext;
}

namespace Steinberg::Vst {

// False when `message` is none of the editor's (the caller's base handling
// then answers it). `context` may be null: the edits then go nowhere.
bool handleEditorMessage(IMessage& message, kest::tolvane::plugin::EngineContext* context,
                         ProcessorMessenger& messenger);

} // namespace Steinberg::Vst
