// SPDX-License-Identifier: GPL-3.0-or-later
// Random access to the bytes of a file or a buffer. Readers look at a file's
// size and its first bytes, then at the headers they need, and read a body
// only once they know the file can be what it claims: a wrong file (a video,
// a disk image) is refused without being read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace kest::tolvane::formats {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // True only when all `count` bytes at `offset` were delivered.
    virtual bool readAt(std::uint64_t offset, void* destination, std::size_t count) = 0;
};

// Bytes the caller keeps alive.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool readAt(std::uint64_t offset, void* destination, std::size_t count) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// Opens `path` (UTF-8) for reading in `mode` and finds its size. A folder, a
// FIFO or a device is refused before it is opened: none has a size to check,
// and a FIFO would block. False with `error` set to a short reason.
bool openRegularFile(const std::string& path, std::ios::openmode mode, std::ifstream& in, std::uint64_t& size,
                     std::string& error);

class FileSource final : public ByteSource {
public:
    // False with `error` set when the file cannot be opened (see openRegularFile).
    bool open(const std::string& path, std::string& error);
    std::uint64_t size() const override { return size_; }
    bool readAt(std::uint64_t offset, void* destination, std::size_t count) override;

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

// "3.22 GB", "600 kB", "712 bytes": a file size as a reason quotes it.
std::string sizeText(std::uint64_t bytes);

} // namespace kest::tolvane::formats
