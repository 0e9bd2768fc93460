// SPDX-License-Identifier: GPL-3.0-or-later
// Byte layout of the saved state: a version byte, then fixed-size records,
// then one variable-length record per sample slot. Little-endian throughout.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "RecordFields.h"

namespace kest::tolvane::plugin::state {

inline constexpr std::uint8_t kVersion = 8;
inline constexpr std::uint8_t kOldestReadableVersion = 7;

inline constexpr std::size_t kHeaderSize = 13;
inline constexpr std::size_t kPartRecordSize = 11;
inline constexpr std::size_t kToneRecordSize = synth::recordByteCount<synth::TonePreset>();
inline constexpr std::size_t kSamplerRecordSize = synth::recordByteCount<synth::SamplerPreset>();
inline constexpr std::size_t kWaveTableRecordSize = 1 + 128;

inline constexpr std::size_t kPartsOffset = kHeaderSize;
inline constexpr std::size_t kTonesOffset = kPartsOffset + 16 * kPartRecordSize;
inline constexpr std::size_t kSamplersOffset = kTonesOffset + 256 * kToneRecordSize;
inline constexpr std::size_t kWaveTablesOffset = kSamplersOffset + 128 * kSamplerRecordSize;
inline constexpr std::size_t kSampleSlotsOffset = kWaveTablesOffset + 1 + 128 * kWaveTableRecordSize;
inline constexpr std::size_t kSizeWithEmptySlots = kSampleSlotsOffset + 128;

static_assert(kTonesOffset == 189 && kSamplersOffset == 8381 && kWaveTablesOffset == 11709);
static_assert(kSampleSlotsOffset == 28222 && kSizeWithEmptySlots == 28350);

// Field codecs over a record buffer.
inline void putU16(std::uint8_t* at, int value)
{
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
inline void putU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}
inline void putF32(std::uint8_t* at, float value) { putU32(at, std::bit_cast<std::uint32_t>(value)); }

inline int getU16(const std::uint8_t* at) { return at[0] | (at[1] << 8); }
inline std::uint32_t getU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}
inline std::int32_t getI32(const std::uint8_t* at) { return static_cast<std::int32_t>(getU32(at)); }
inline float getF32(const std::uint8_t* at) { return std::bit_cast<float>(getU32(at)); }

} // namespace kest::tolvane::plugin::state
