// SPDX-License-Identifier: GPL-3.0-or-later
// The chip sample kit's WAV files as compiled in (generated from
// presets/chip-samples/slots.txt).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kest::tolvane::tools {

struct EmbeddedSample {
    int slot;
    const char* kind; // "dpcm" or "adpcm": how the import reduces it
    const char* file;
    const std::uint8_t* bytes;
    const std::size_t* size;
};

const std::vector<EmbeddedSample>& chipSampleTable();

} // namespace kest::tolvane::tools
