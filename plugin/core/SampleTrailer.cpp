// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleTrailer.h"

#include <algorithm>
#include <cstring>

#include "LogCode.h"
#include "StateLayout.h"

namespace kest::tolvane::plugin::state {

namespace {

constexpr char kMagic[4] = {'T', 'V', 'S', 'D'};
constexpr std::size_t kRecordHeaderSize = 16;
// Log codes run from 0 (full scale) to silence + 1 (the sign bit); they fit 16 bits.
constexpr std::int32_t kLargestCode = kLogCodeSilence + 1;
// Samples per read and write, so a damaged frame count cannot make the reader
// allocate more than the stream really holds.
constexpr std::size_t kPieceSamples = 1 << 16;
// The largest slot the engine's int frame counts can describe.
constexpr std::uint64_t kMaxSamples = 1u << 30;

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

// FNV-1a over whole 32-bit values: one multiply per code keeps a 50 MB save quick.
std::uint64_t mix(std::uint64_t hash, std::uint32_t value) { return (hash ^ value) * kFnvPrime; }

void putU64(std::uint8_t* at, std::uint64_t value)
{
    putU32(at, static_cast<std::uint32_t>(value));
    putU32(at + 4, static_cast<std::uint32_t>(value >> 32));
}

std::uint64_t getU64(const std::uint8_t* at)
{
    return static_cast<std::uint64_t>(getU32(at)) | (static_cast<std::uint64_t>(getU32(at + 4)) << 32);
}

void writeCodes(ByteWriter& out, const std::vector<std::int32_t>& codes, std::size_t count)
{
    std::vector<std::uint8_t> piece;
    for (std::size_t begin = 0; begin < count; begin += kPieceSamples) {
        const std::size_t n = std::min(kPieceSamples, count - begin);
        piece.resize(2 * n);
        for (std::size_t i = 0; i < n; ++i)
            putU16(piece.data() + 2 * i, codes[begin + i]);
        out.write(piece.data(), piece.size());
    }
}

bool readCodes(ByteReader& in, std::size_t count, std::vector<std::int32_t>& codes)
{
    std::vector<std::uint8_t> piece;
    for (std::size_t begin = 0; begin < count; begin += kPieceSamples) {
        const std::size_t n = std::min(kPieceSamples, count - begin);
        piece.resize(2 * n);
        if (!in.read(piece.data(), piece.size()))
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            const int code = getU16(piece.data() + 2 * i);
            if (code > kLargestCode)
                return false;
            codes.push_back(code);
        }
    }
    return true;
}

std::optional<StoredSample> readRecord(ByteReader& in, int previousSlot)
{
    std::uint8_t header[kRecordHeaderSize];
    if (!in.read(header, sizeof header))
        return std::nullopt;
    StoredSample sample;
    sample.slot = header[0];
    sample.kind = header[1];
    sample.channels = header[2];
    const std::uint32_t frames = getU32(header + 4);
    sample.fingerprint = getU64(header + 8);
    const bool valid = sample.slot > previousSlot && sample.slot < 128 && sample.kind <= 2 &&
                       (sample.channels == 1 || sample.channels == 2) && header[3] <= 1 && frames > 0 &&
                       static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(sample.channels) <= kMaxSamples;
    if (!valid)
        return std::nullopt;
    sample.frames = static_cast<int>(frames);
    sample.hasCopy = header[3] == 1;
    if (sample.hasCopy) {
        const auto count = static_cast<std::size_t>(frames) * static_cast<std::size_t>(sample.channels);
        if (!readCodes(in, count, sample.codes))
            return std::nullopt;
        if (sampleFingerprint(sample.codes, sample.frames, sample.channels) != sample.fingerprint)
            return std::nullopt;
    }
    return sample;
}

} // namespace

StoredSample* SampleTrailer::find(int slot)
{
    for (StoredSample& sample : samples)
        if (sample.slot == slot)
            return &sample;
    return nullptr;
}

std::uint64_t sampleFingerprint(const std::vector<std::int32_t>& codes, int frames, int channels)
{
    std::uint64_t hash = mix(mix(kFnvOffset, static_cast<std::uint32_t>(frames)), static_cast<std::uint32_t>(channels));
    const std::size_t count = std::min(codes.size(), static_cast<std::size_t>(std::max(frames, 0)) *
                                                         static_cast<std::size_t>(std::max(channels, 0)));
    for (std::size_t i = 0; i < count; ++i)
        hash = mix(hash, static_cast<std::uint32_t>(codes[i]));
    return hash;
}

void writeSampleTrailer(ByteWriter& out, bool storeSamples, const std::vector<SampleToWrite>& samples)
{
    std::uint8_t header[8];
    std::memcpy(header, kMagic, sizeof kMagic);
    header[4] = kSampleTrailerVersion;
    header[5] = storeSamples ? 1 : 0;
    putU16(header + 6, static_cast<int>(samples.size()));
    out.write(header, sizeof header);
    for (const SampleToWrite& sample : samples) {
        const std::vector<std::int32_t>& codes = *sample.codes;
        const std::size_t count = static_cast<std::size_t>(sample.frames) * static_cast<std::size_t>(sample.channels);
        std::uint8_t record[kRecordHeaderSize];
        record[0] = static_cast<std::uint8_t>(sample.slot);
        record[1] = sample.kind;
        record[2] = static_cast<std::uint8_t>(sample.channels);
        record[3] = storeSamples ? 1 : 0;
        putU32(record + 4, static_cast<std::uint32_t>(sample.frames));
        putU64(record + 8, sampleFingerprint(codes, sample.frames, sample.channels));
        out.write(record, sizeof record);
        if (storeSamples)
            writeCodes(out, codes, count);
    }
}

std::optional<SampleTrailer> readSampleTrailer(ByteReader& in)
{
    std::uint8_t header[8];
    if (!in.read(header, sizeof header) || std::memcmp(header, kMagic, sizeof kMagic) != 0 ||
        header[4] != kSampleTrailerVersion || header[5] > 1)
        return std::nullopt;
    const int count = getU16(header + 6);
    if (count > 128)
        return std::nullopt;
    SampleTrailer trailer;
    trailer.storeSamples = header[5] == 1;
    int previousSlot = -1;
    for (int i = 0; i < count; ++i) {
        std::optional<StoredSample> sample = readRecord(in, previousSlot);
        if (!sample)
            return std::nullopt;
        previousSlot = sample->slot;
        trailer.samples.push_back(std::move(*sample));
    }
    return trailer;
}

} // namespace kest::tolvane::plugin::state
