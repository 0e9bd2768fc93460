// SPDX-License-Identifier: GPL-3.0-or-later
// Drives one EngineContext the way the processor and its host do, from an
// arbitrary byte string: value changes, file actions on fuzzed files, state
// loads, host lifecycle calls and blocks of audio with queued MIDI, in any
// order. Shared by the fuzzer and the regression replay test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "EngineContext.h"

namespace kest::tolvane::fuzzing {

class EngineContextDriver {
public:
    EngineContextDriver();
    ~EngineContextDriver();
    EngineContextDriver(const EngineContextDriver&) = delete;
    EngineContextDriver& operator=(const EngineContextDriver&) = delete;

    void run(const std::uint8_t* data, std::size_t size);

    plugin::EngineContext& context() { return context_; }

private:
    plugin::EngineContext context_;
    std::string folder_; // per-process temp folder; every file action stays inside it
};

} // namespace kest::tolvane::fuzzing
