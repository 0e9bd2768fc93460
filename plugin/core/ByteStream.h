// SPDX-License-Identifier: GPL-3.0-or-later
// Minimal byte streams for the saved state, so the host's stream adapter stays thin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kest::tolvane::plugin {

class ByteReader {
public:
    virtual ~ByteReader() = default;
    // True only when all `count` bytes were delivered into `destination`.
    virtual bool read(void* destination, std::size_t count) = 0;
};

class ByteWriter {
public:
    virtual ~ByteWriter() = default;
    // Errors are not reported: a lost write cannot be repaired by the writer.
    virtual void write(const void* source, std::size_t count) = 0;
};

// Reads from a buffer the caller keeps alive.
class MemoryByteReader : public ByteReader {
public:
    MemoryByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit MemoryByteReader(const std::vector<std::uint8_t>& bytes) : MemoryByteReader(bytes.data(), bytes.size()) {}
    bool read(void* destination, std::size_t count) override;
    std::size_t position() const { return position_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

class MemoryByteWriter : public ByteWriter {
public:
    void write(const void* source, std::size_t count) override;
    std::vector<std::uint8_t> bytes;
};

} // namespace kest::tolvane::plugin
