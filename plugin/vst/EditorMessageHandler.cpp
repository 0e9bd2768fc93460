// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorMessageHandler.h"

#include <cstring>
#include <string>

#include "EngineContext.h"
#include "TolvaneIds.h"

namespace Steinberg::Vst {

namespace {

int64 readInt(IAttributeList* attributes, const char* key)
{
    int64 value = 0;
    if (!attributes || attributes->getInt(key, value) != kResultOk)
        return 0;
    return value;
}

double readFloat(IAttributeList* attributes, const char* key)
{
    double value = 0.0;
    if (!attributes || attributes->getFloat(key, value) != kResultOk)
        return 0.0;
    return value;
}

} // namespace

bool handleEditorMessage(IMessage& message, kest::tolvane::plugin::EngineContext* context,
                         ProcessorMessenger& messenger)
{
    const char* id = message.getMessageID();
    if (!id)
        return false;
    IAttributeList* attributes = message.getAttributes();

    if (std::strcmp(id, Tolvane::kMsgValueChange) == 0) {
        const auto valueId = static_cast<int32>(readInt(attributes, Tolvane::kAttrTag));
        const auto value = static_cast<float>(readFloat(attributes, Tolvane::kAttrValue));
        if (context)
            context->applyValueChange(valueId, value);
        return true;
    }
    if (std::strcmp(id, Tolvane::kMsgFileSelect) == 0) {
        const auto action = static_cast<int32>(readInt(attributes, Tolvane::kAttrTag));
        const void* data = nullptr;
        uint32 size = 0;
        if (!attributes || attributes->getBinary(Tolvane::kAttrPath, data, size) != kResultOk || !data)
            return true;
        // The block should end in NUL; copy it so a missing terminator cannot run past it.
        std::string path(static_cast<const char*>(data), size);
        path.resize(std::strlen(path.c_str()));
        if (context && !path.empty())
            context->runFileAction(action, path.c_str());
        return true;
    }
    if (std::strcmp(id, Tolvane::kMsgEditorOpened) == 0) {
        messenger.sendContextAddress(Tolvane::kMsgOpenGui, context);
        return true;
    }
    return false;
}

} // namespace Steinberg::Vst
