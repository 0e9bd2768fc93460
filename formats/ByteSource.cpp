// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteSource.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

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
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";
    const char* const units[] = {"kB", "MB", "GB", "TB"};
    auto value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    while (value >= 999.5 && unit + 1 < std::size(units)) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g %s", value, units[unit]);
    return text;
}

} // namespace kest::tolvane::formats
