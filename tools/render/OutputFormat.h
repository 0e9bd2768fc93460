// SPDX-License-Identifier: GPL-3.0-or-later
// Which audio file the output path's extension asks for, looked up in the
// installed libsndfile's own format table, so a format it cannot write is
// refused up front instead of silently becoming WAV.
#pragma once

#include <optional>
#include <string>

namespace kest::tolvane::tools {

struct OutputFormat {
    std::string extension; // lower case, without the dot, as the user wrote it
    int sndfileFormat = 0; // major format | sample encoding
    bool pcm24 = false;    // integer samples, which the renderer rounds itself
};

// The format for a path, or nothing when the extension names no format this
// libsndfile writes. floatSamples asks for 32-bit float where the format holds it.
std::optional<OutputFormat> outputFormatFor(const std::string& path, bool floatSamples);
// True when the extension's format holds 32-bit float samples.
bool formatHoldsFloat(const std::string& path);
// The extensions that work here, for messages: "wav, flac, ogg, ...".
std::string supportedExtensions();
// The path's extension in lower case, without the dot ("" when it has none).
std::string extensionOf(const std::string& path);

} // namespace kest::tolvane::tools
