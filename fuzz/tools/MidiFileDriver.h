// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a Standard MIDI File and walks whatever was read,
// checking the song's own promises. Shared by the fuzzer and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kest::tolvane::fuzzing {

void runMidiFileReader(const std::uint8_t* data, std::size_t size);

} // namespace kest::tolvane::fuzzing
