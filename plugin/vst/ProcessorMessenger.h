// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's outgoing messages to the controller: value updates and
// "Processor:uiUpdate" for the plug-in core, and the EngineContext address.
#pragma once

#include "ProcessorMessageSink.h"

namespace Steinberg::Vst {

class ComponentBase;

class ProcessorMessenger : public kest::tolvane::plugin::ProcessorMessageSink {
public:
    explicit ProcessorMessenger(ComponentBase& component) : component_(component) {}

    void sendValueUpdate(int id, float value) override;
    void sendUiUpdate() override;
    // `messageId` with "tvset" = the 8 bytes of `address` (null allowed).
    void sendContextAddress(const char* messageId, const void* address);

private:
    ComponentBase& component_;
};

} // namespace Steinberg::Vst
