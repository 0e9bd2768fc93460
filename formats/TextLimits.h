// SPDX-License-Identifier: GPL-3.0-or-later
// How large a text file of each kind an import reads. With every field at its
// widest, every name 16 characters, 128-entry wavetables and CR LF line ends
// the export writes at most 21 kB of tones, 8 kB of sampler presets, 13 kB of
// sample-data parameters and 50 kB of wavetables. Each limit leaves about
// forty times that or more for hand-edited files, comments and spreadsheet
// columns, and still refuses a long recording or a video before reading it.
// Tones with sequences make a tone file longer: 316 kB when every tone has
// all four at 64 steps of their widest values, a third of the limit.
#pragma once

#include <cstdint>

#include "FormatKinds.h"

namespace kest::tolvane::formats {

inline constexpr std::uint64_t kToneTextLimit = 1'000'000;
inline constexpr std::uint64_t kSamplerTextLimit = 500'000;
inline constexpr std::uint64_t kSampleDataTextLimit = 600'000;
inline constexpr std::uint64_t kWaveTableTextLimit = 2'000'000;
inline constexpr std::uint64_t kLargestTextFileLimit = kWaveTableTextLimit;

constexpr std::uint64_t maxTextFileSize(TextKind kind)
{
    switch (kind) {
    case TextKind::Tone: return kToneTextLimit;
    case TextKind::Sampler: return kSamplerTextLimit;
    case TextKind::SampleData: return kSampleDataTextLimit;
    case TextKind::WaveTable: return kWaveTableTextLimit;
    }
    return kLargestTextFileLimit;
}

// "a tone preset file" and the like, for the reasons an import gives.
constexpr const char* textKindName(TextKind kind)
{
    switch (kind) {
    case TextKind::Tone: return "a tone preset file";
    case TextKind::Sampler: return "a sampler preset file";
    case TextKind::SampleData: return "a sample-data parameter file";
    case TextKind::WaveTable: return "a wavetable file";
    }
    return "a text file";
}

} // namespace kest::tolvane::formats
