// SPDX-License-Identifier: GPL-3.0-or-later
#include "PluginStateBytes.h"

#include "BypassRecord.h"
#include "ByteStream.h"
#include "EngineContext.h"

namespace kest::tolvane::plugin {

std::vector<std::uint8_t> pluginStateBytes(EngineContext& context, bool bypassed)
{
    MemoryByteWriter writer;
    context.writeState(writer);
    const auto record = encodeBypassRecord(bypassed);
    writer.write(record.data(), record.size());
    return std::move(writer.bytes);
}

LoadedPluginState loadPluginStateBytes(EngineContext& context, std::span<const std::uint8_t> bytes)
{
    LoadedPluginState result;
    MemoryByteReader reader(bytes.data(), bytes.size());
    result.loaded = context.readState(reader);
    // The engine's reader stops before the record; it is found from the end.
    if (bytes.size() >= kBypassRecordSize)
        result.bypass = decodeBypassRecord(bytes.last(kBypassRecordSize));
    return result;
}

} // namespace kest::tolvane::plugin
