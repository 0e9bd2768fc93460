// SPDX-License-Identifier: GPL-3.0-or-later
#include "StemNames.h"

#include <cctype>
#include <cstdio>

namespace kest::tolvane::tools {

namespace {

// Lower-case letters and digits, any other run of characters as one '-'.
std::string fileNameWords(const char* text)
{
    std::string out;
    for (const char* c = text; *c; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (std::isalnum(byte) && byte < 0x80)
            out += static_cast<char>(std::tolower(byte));
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out;
}

std::string instrumentName(synth::SynthesizerWT& engine, int program)
{
    const std::string name = fileNameWords(engine.tone(program).presetName);
    if (!name.empty())
        return name;
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "program%03d", program);
    return fallback;
}

} // namespace

std::string partStemName(synth::SynthesizerWT& engine, int part)
{
    const synth::PartState& state = engine.part(part);
    std::string what;
    switch (state.mode) {
    case synth::kModePercussion: what = "drums"; break;
    case synth::kModeSampler: what = "sampler"; break;
    case synth::kModeMute: what = "mute"; break;
    default: what = instrumentName(engine, state.program); break;
    }
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "part%02d-", (part & 0x0F) + 1);
    return prefix + what;
}

} // namespace kest::tolvane::tools
