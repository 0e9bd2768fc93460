// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteSource.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "FilePath.h"

namespace kest::tolvane::formats {

bool MemorySource::readAt(std::uint64_t offset, void* destination, std::size_t count)
{
    if (offset > bytes_.size() || count > bytes_.size() - offset)
        return false;
    if (count > 0)
        std::memcpy(destination, bytes_.data() + offset, count);
    return true;
}

bool openRegularFile(const std::string& path, std::ios::openmode mode, std::ifstream& in, std::uint64_t& size,
                     std::string& error)
{
    const std::filesystem::path file = pathFromUtf8(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(file, ec);
    if (std::filesystem::is_directory(status)) {
        error = "this is a folder, not a file";
        return false;
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = "not a regular file";
        return false;
    }
    size = std::filesystem::file_size(file, ec);
    if (ec) {
        error = "cannot open the file";
        return false;
    }
    in.open(file, mode | std::ios::in);
    if (!in.is_open()) {
        error = "cannot open the file";
        return false;
    }
    return true;
}

bool FileSource::open(const std::string& path, std::string& error)
{
    return openRegularFile(path, std::ios::binary, in_, size_, error);
}

bool FileSource::readAt(std::uint64_t offset, void* destination, std::size_t count)
{
    if (offset > size_ || count > size_ - offset)
        return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(destination), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in_.gcount()) == count;
}

std::string sizeText(std::uint64_t bytes)
{
    constexpr double kKilo = 1000.0;
    char text[32];
    const auto value = static_cast<double>(bytes);
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (value < kKilo * kKilo)
        std::snprintf(text, sizeof text, "%.1f kB", value / kKilo);
    else if (value < kKilo * kKilo * kKilo)
        std::snprintf(text, sizeof text, "%.1f MB", value / (kKilo * kKilo));
    else
        std::snprintf(text, sizeof text, "%.1f GB", value / (kKilo * kKilo * kKilo));
    return text;
}

} // namespace kest::tolvane::formats
