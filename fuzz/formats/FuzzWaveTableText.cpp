// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a WaveTable text file, parsed and applied to an engine.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "SynthesizerWT.h"
#include "TextImport.h"

using namespace kest::tolvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static synth::SynthesizerWT engine(440.0f, 0.8f);
    static formats::WaveTableBitDepths depths{};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    formats::applyText(engine, formats::parseText(formats::TextKind::WaveTable, text), depths);
    return 0;
}
