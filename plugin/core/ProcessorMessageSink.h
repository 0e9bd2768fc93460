// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's outgoing notifications, as the plug-in core needs them. The
// VST 3 processor implements this with IMessage; tests use a recording fake.
#pragma once

namespace kest::tolvane::plugin {

class ProcessorMessageSink {
public:
    virtual ~ProcessorMessageSink() = default;
    // "GUIEditor:tvValueUpdate" with "tag" = id and "val" = value.
    virtual void sendValueUpdate(int id, float value) = 0;
    // "Processor:uiUpdate".
    virtual void sendUiUpdate() = 0;
};

} // namespace kest::tolvane::plugin
