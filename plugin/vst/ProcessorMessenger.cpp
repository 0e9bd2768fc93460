// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessorMessenger.h"

#include <cstdint>
#include <cstring>

#include "pluginterfaces/base/smartpointer.h"
#include "public.sdk/source/vst/vstcomponentbase.h"

#include "TolvaneIds.h"

namespace Steinberg::Vst {

namespace {

// Allocates, fills and sends one message; without a peer nothing happens.
template <typename Fill> void sendMessage(ComponentBase& component, const char* id, Fill fill)
{
    if (!component.getPeer())
        return;
    IPtr<IMessage> message = owned(component.allocateMessage());
    if (!message)
        return;
    message->setMessageID(id);
    if (IAttributeList* attributes = message->getAttributes())
        fill(*attributes);
    component.sendMessage(message);
}

} // namespace

void ProcessorMessenger::sendValueUpdate(int id, float value)
{
    sendMessage(component_, Tolvane::kMsgValueUpdate, [&](IAttributeList& attributes) {
        attributes.setInt(Tolvane::kAttrTag, id);
        attributes.setFloat(Tolvane::kAttrValue, value);
    });
}

void ProcessorMessenger::sendUiUpdate()
{
    sendMessage(component_, Tolvane::kMsgUiUpdate, [](IAttributeList&) {});
}

void ProcessorMessenger::sendContextAddress(const char* messageId, const void* address)
{
    // Always 8 bytes, whatever the pointer width, so the block's size is fixed.
    std::uint64_t bits = reinterpret_cast<std::uintptr_t>(address);
    std::uint8_t bytes[8];
    std::memcpy(bytes, &bits, sizeof bytes);
    sendMessage(component_, messageId,
                [&](IAttributeList& attributes) { attributes.setBinary(Tolvane::kAttrContext, bytes, sizeof bytes); });
}

} // namespace Steinberg::Vst
