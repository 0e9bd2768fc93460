// SPDX-License-Identifier: GPL-3.0-or-later
// The files a user picks by mistake where a sound-data file belongs, made
// without disk cost: a multi-gigabyte "disk image" of zeros (sparse) and a
// 50 MB file of random bytes (a video or an archive, as a reader sees it).
// And how much a reader read: a refused file must not have been read.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tolvane_test {

inline constexpr std::uint64_t kDiskImageSize = std::uint64_t{3} << 30;
inline constexpr std::uint64_t kRandomFileSize = std::uint64_t{50} << 20;
// A reader that looked at headers only stays far below this.
inline constexpr std::uint64_t kReadAtMost = std::uint64_t{1} << 20;

inline void makeSparseFile(const std::filesystem::path& path, std::uint64_t size)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    std::filesystem::resize_file(path, size);
}

// A WAV file of integer PCM silence at 8 kHz whose samples cost no disk.
inline void makeSparseWave(const std::filesystem::path& path, std::uint32_t frames, int channels, int bits)
{
    const auto frameBytes = static_cast<std::uint32_t>(channels * bits / 8);
    const std::uint32_t dataSize = frames * frameBytes;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto put = [&](std::uint32_t value) {
        for (int b = 0; b < 4; ++b)
            out.put(static_cast<char>((value >> (8 * b)) & 0xFF));
    };
    out << "RIFF";
    put(36 + dataSize);
    out << "WAVEfmt ";
    put(16);
    put(1u | (static_cast<std::uint32_t>(channels) << 16)); // integer PCM, channels
    put(8000);
    put(8000 * frameBytes);
    put(frameBytes | (static_cast<std::uint32_t>(bits) << 16));
    out << "data";
    put(dataSize);
    out.close();
    std::filesystem::resize_file(path, 44 + std::uint64_t{dataSize});
}

inline void makeRandomFile(const std::filesystem::path& path, std::uint64_t size)
{
    std::mt19937_64 random(24);
    std::vector<std::uint64_t> block(1 << 16);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::uint64_t written = 0; written < size; written += block.size() * sizeof(std::uint64_t)) {
        for (auto& word : block)
            word = random();
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
}

// The bytes this process has read through system calls so far (Linux's
// /proc/self/io); nothing where the system does not tell.
inline std::optional<std::uint64_t> bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return std::nullopt;
}

// What one call of a reader cost: wall time and the bytes it read (when known).
struct ReadCost {
    std::chrono::milliseconds time{0};
    std::optional<std::uint64_t> bytesRead;
};

template <typename Read> ReadCost measureRead(Read&& read)
{
    const auto bytesBefore = bytesReadSoFar();
    const auto start = std::chrono::steady_clock::now();
    read();
    ReadCost cost;
    cost.time = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (const auto bytesAfter = bytesReadSoFar(); bytesBefore && bytesAfter)
        cost.bytesRead = *bytesAfter - *bytesBefore;
    return cost;
}

} // namespace tolvane_test
