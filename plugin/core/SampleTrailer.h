// SPDX-License-Identifier: GPL-3.0-or-later
// The sample trailer: what each saved sample slot held as imported, written
// after the 128 slot records so that a project restores its samples when the
// WAV files have moved or changed. Readers that stop after the slot records
// never see it, and states without it load as before.
//
// Layout (little-endian): "TVSD", u8 version 1, u8 flags (bit 0: samples are
// stored in the project), u16 record count, then per record: u8 slot, u8
// SampleSourceKind, u8 channels, u8 has copy, u32 frames, u64 fingerprint of
// the codes, and with a copy frames * channels log codes as u16.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ByteStream.h"

namespace kest::tolvane::plugin::state {

inline constexpr std::uint8_t kSampleTrailerVersion = 1;

struct StoredSample {
    int slot = 0;
    std::uint8_t kind = 0;
    int frames = 0;
    int channels = 0;
    std::uint64_t fingerprint = 0;
    bool hasCopy = false;
    std::vector<std::int32_t> codes; // frames * channels when hasCopy, else empty
};

struct SampleTrailer {
    bool storeSamples = true;
    std::vector<StoredSample> samples; // slots strictly ascending

    StoredSample* find(int slot);
};

// A slot's audio as the trailer writes it; `codes` must stay unchanged while it is written.
struct SampleToWrite {
    int slot = 0;
    std::uint8_t kind = 0;
    int frames = 0;
    int channels = 0;
    const std::vector<std::int32_t>* codes = nullptr;
};

// Identifies a slot's audio: frames, channels and every code.
std::uint64_t sampleFingerprint(const std::vector<std::int32_t>& codes, int frames, int channels);

// Writes the codes only when storeSamples is set; the fingerprints always.
void writeSampleTrailer(ByteWriter& out, bool storeSamples, const std::vector<SampleToWrite>& samples);

// Nothing when the stream holds no trailer here or any part of it is damaged:
// then the whole trailer is ignored.
std::optional<SampleTrailer> readSampleTrailer(ByteReader& in);

} // namespace kest::tolvane::plugin::state
