// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the state reader. Stored WAV paths are read but no
// file is opened, so the fuzzer cannot wander into the file system.
#include <cstddef>
#include <cstdint>

#include "ByteStream.h"
#include "EngineContext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One context for the whole run: building the engine dominates otherwise,
    // and a load must cope with whatever an earlier load left behind anyway.
    static kest::tolvane::plugin::EngineContext context;
    kest::tolvane::plugin::MemoryByteReader reader(data, size);
    context.readState(reader, false);
    // Whatever was loaded must save again without trouble.
    kest::tolvane::plugin::MemoryByteWriter writer;
    context.writeState(writer);
    return 0;
}
