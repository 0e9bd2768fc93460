// SPDX-License-Identifier: GPL-3.0-or-later
// Builds WAV files in memory for the tests: chunks in any order, odd sizes,
// size fields that lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest::tolvane::formats::test {

class WaveBuilder {
public:
    // A 16-byte "fmt " chunk.
    WaveBuilder& format(int tag, int channels, int rate, int bits)
    {
        std::vector<std::uint8_t> body;
        put16(body, tag);
        put16(body, channels);
        put32(body, rate);
        put32(body, rate * channels * (bits / 8));
        put16(body, channels * (bits / 8));
        put16(body, bits);
        return chunk("fmt ", body);
    }

    // Samples as little-endian values of the given width.
    WaveBuilder& samples(const std::vector<std::int64_t>& values, int bits)
    {
        std::vector<std::uint8_t> body;
        for (std::int64_t v : values)
            for (int b = 0; b < bits / 8; ++b)
                body.push_back(static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) >> (8 * b)) & 0xFF));
        return chunk("data", body);
    }

    // Any chunk; odd bodies get their pad byte.
    WaveBuilder& chunk(const std::string& id, const std::vector<std::uint8_t>& body, bool pad = true)
    {
        bytes_.insert(bytes_.end(), id.begin(), id.begin() + 4);
        put32(bytes_, static_cast<std::int64_t>(body.size()));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        if (pad && (body.size() & 1))
            bytes_.push_back(0);
        return *this;
    }

    WaveBuilder& raw(const std::vector<std::uint8_t>& bytes)
    {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }

    // RIFF header with the size field off by `sizeError`.
    std::vector<std::uint8_t> build(int sizeError = 0) const
    {
        std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
        put32(file, static_cast<std::int64_t>(bytes_.size()) + 4 + sizeError);
        file.insert(file.end(), {'W', 'A', 'V', 'E'});
        file.insert(file.end(), bytes_.begin(), bytes_.end());
        return file;
    }

    static void put16(std::vector<std::uint8_t>& out, std::int64_t v)
    {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
    static void put32(std::vector<std::uint8_t>& out, std::int64_t v)
    {
        put16(out, v & 0xFFFF);
        put16(out, (v >> 16) & 0xFFFF);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace kest::tolvane::formats::test
