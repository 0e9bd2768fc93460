// SPDX-License-Identifier: GPL-3.0-or-later
// A bounds-checked cursor over a byte buffer. Every read past the end throws,
// so the parser can never touch memory outside the file it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace kest::tolvane::tools {

class MidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ >= bytes_.size(); }

    std::uint8_t peek() const
    {
        need(1);
        return bytes_[pos_];
    }
    std::uint8_t u8()
    {
        need(1);
        return bytes_[pos_++];
    }
    std::uint16_t u16()
    {
        need(2);
        const auto v = static_cast<std::uint16_t>((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    std::uint32_t u32()
    {
        need(4);
        const std::uint32_t v = (std::uint32_t{bytes_[pos_]} << 24) | (std::uint32_t{bytes_[pos_ + 1]} << 16) |
                                (std::uint32_t{bytes_[pos_ + 2]} << 8) | std::uint32_t{bytes_[pos_ + 3]};
        pos_ += 4;
        return v;
    }
    // Variable-length quantity: at most four bytes (28 bits) in a valid file.
    std::uint32_t varLength()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = u8();
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0)
                return value;
        }
        throw MidiFileError("variable-length number longer than 4 bytes at byte " + std::to_string(pos_));
    }
    std::span<const std::uint8_t> take(std::size_t count)
    {
        need(count);
        auto out = bytes_.subspan(pos_, count);
        pos_ += count;
        return out;
    }
    void skip(std::size_t count) { take(count); }

private:
    void need(std::size_t count) const
    {
        if (count > remaining())
            throw MidiFileError("unexpected end of data at byte " + std::to_string(pos_));
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

} // namespace kest::tolvane::tools
