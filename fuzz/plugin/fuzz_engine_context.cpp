// SPDX-License-Identifier: GPL-3.0-or-later
// The whole plug-in core from one byte stream: edits, file actions, state
// loads and audio blocks interleaved as a host and a user might.
#include "EngineContextDriver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One context for the whole run, as in a long plug-in session: building
    // the engine dominates otherwise.
    static kest::tolvane::fuzzing::EngineContextDriver driver;
    driver.run(data, size);
    return 0;
}
