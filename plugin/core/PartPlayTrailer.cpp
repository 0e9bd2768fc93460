// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartPlayTrailer.h"

namespace kest::tolvane::plugin::state {

namespace {
constexpr std::uint8_t kTrailerVersion = 1;
} // namespace

bool encodePartPlayTrailer(const synth::SynthesizerWT& engine, PartPlayBody& body)
{
    body[0] = kTrailerVersion;
    bool anyStored = false;
    for (int p = 0; p < synth::kPartCount; ++p) {
        const synth::PartPlaySettings& s = engine.part(p).storedPlay;
        anyStored = anyStored || !(s == synth::PartPlaySettings{});
        const int fields[kPartPlayFieldCount] = {s.mode,    s.portamentoTime, s.arpPattern,          s.arpOctaves,
                                                 s.arpRate, s.arpNoteValue,   s.arpRetrigger ? 1 : 0};
        for (std::size_t f = 0; f < kPartPlayFieldCount; ++f)
            body[1 + static_cast<std::size_t>(p) * kPartPlayFieldCount + f] = static_cast<std::uint8_t>(fields[f]);
    }
    return anyStored;
}

std::optional<LoadedPartPlay> decodePartPlayTrailer(const std::vector<std::uint8_t>& body)
{
    if (body.size() != kPartPlayTrailerSize || body[0] != kTrailerVersion)
        return std::nullopt;
    LoadedPartPlay loaded{};
    for (int p = 0; p < synth::kPartCount; ++p) {
        const std::uint8_t* in = &body[1 + static_cast<std::size_t>(p) * kPartPlayFieldCount];
        synth::PartPlaySettings& s = loaded[static_cast<std::size_t>(p)];
        s = {in[0], in[1], in[2], in[3], in[4], in[5], in[6] != 0};
        s.clamp();
    }
    return loaded;
}

} // namespace kest::tolvane::plugin::state
