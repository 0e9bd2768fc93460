// SPDX-License-Identifier: GPL-3.0-or-later
// Where a sample slot's audio came from at the last state load, and the words
// the editor and the renderer use for it.
#pragma once

#include <cstdint>
#include <string_view>

namespace kest::tolvane::plugin {

enum class SampleSourceStatus : std::uint8_t {
    AsImported = 0,      // read from its WAV file (or never loaded from a state)
    MissingRestored = 1, // the file was gone: restored from the copy in the state
    ChangedRestored = 2, // the file yields other audio now: restored from the copy
    Missing = 3,         // the file was gone and the state held no copy
    Changed = 4,         // the file yields other audio now and the state held no copy
};

// Empty for AsImported.
inline const char* sampleSourceStatusText(SampleSourceStatus status)
{
    static constexpr const char* kTexts[] = {
        "",
        "file missing: restored from the project",
        "file changed: restored from the project",
        "file missing",
        "file changed since the project was saved",
    };
    const auto index = static_cast<std::uint8_t>(status);
    return index < sizeof kTexts / sizeof kTexts[0] ? kTexts[index] : "";
}

// The factory presets' samples were made for them and exist as no file: their
// slots name them "factory:<name>", a load takes the copy in the state without
// looking for a file, and the slot reads as it was imported.
inline constexpr std::string_view kFactorySamplePrefix = "factory:";

inline bool isFactorySamplePath(std::string_view path) { return path.starts_with(kFactorySamplePrefix); }

inline bool restoredFromState(SampleSourceStatus status)
{
    return status == SampleSourceStatus::MissingRestored || status == SampleSourceStatus::ChangedRestored;
}

} // namespace kest::tolvane::plugin
