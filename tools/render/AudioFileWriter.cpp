// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFileWriter.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "FilePath.h"

namespace kest::tolvane::tools {

namespace {

using formats::pathFromUtf8;
using formats::utf8FromPath;

std::string temporaryPathFor(const std::string& path)
{
    const std::filesystem::path target = pathFromUtf8(path);
    std::string name(1, '.');
    name.append(utf8FromPath(target.filename())).append(".part-").append(std::to_string(::getpid()));
    return utf8FromPath(target.parent_path() / pathFromUtf8(name));
}

// A new file for writing, not inherited by child processes, by UTF-8 path:
// a descriptor, or -1 with errno set.
int createFile(const std::string& path)
{
#if defined(_WIN32)
    // Binary, or the C runtime would turn every byte 10 into 13 10.
    return ::_wopen(pathFromUtf8(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
#endif
}

// libsndfile words its messages "System error : No space left on device."; the
// renderer's messages are plain sentences.
std::string plainLibraryError(std::string text)
{
    constexpr std::string_view prefix = "System error : ";
    if (text.starts_with(prefix))
        text.erase(0, prefix.size());
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
        text.pop_back();
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

} // namespace

std::int32_t toPcm24(float sample)
{
    constexpr double kFullScale = 8388608.0; // 2^23
    const double scaled = std::nearbyint(static_cast<double>(sample) * kFullScale);
    return static_cast<std::int32_t>(std::clamp(scaled, -kFullScale, kFullScale - 1.0));
}

AudioFileWriter::~AudioFileWriter() { discard(); }

bool AudioFileWriter::open(const std::string& path, int sampleRate, const OutputFormat& format, std::string& error)
{
    discard();
    path_ = path;
    tempPath_ = temporaryPathFor(path);
    pcm24_ = format.pcm24;
    // The file is opened here, so a failure reads as the system's own reason.
    const int fd = createFile(tempPath_);
    if (fd < 0) {
        error = std::string("cannot create the file: ") + std::strerror(errno);
        tempPath_.clear();
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = format.sndfileFormat;
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        error = "cannot create the file: " + plainLibraryError(sf_strerror(nullptr));
        ::close(fd);
        discard();
        return false;
    }
    // Lossy encoders take floats; beyond full scale they clip instead of wrapping around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AudioFileWriter::write(const float* interleaved, int frames)
{
    if (!file_)
        return false;
    if (frames <= 0)
        return true;
    sf_count_t written;
    if (pcm24_) {
        const auto count = 2 * static_cast<std::size_t>(frames);
        if (integers_.size() < count)
            integers_.resize(count);
        // libsndfile keeps the top 24 bits of each 32-bit integer.
        for (std::size_t i = 0; i < count; ++i)
            integers_[i] = toPcm24(interleaved[i]) * 256;
        written = sf_writef_int(file_, integers_.data(), frames);
    } else {
        written = sf_writef_float(file_, interleaved, frames);
    }
    if (written != frames) {
        error_ = "cannot write the file: " + plainLibraryError(sf_strerror(file_));
        return false;
    }
    return true;
}

bool AudioFileWriter::commit(std::string& error)
{
    if (!file_) {
        error = "nothing was written";
        return false;
    }
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = "cannot finish the file: " + plainLibraryError(sf_error_number(closed));
        discard();
        return false;
    }
    // Replaces an existing file on every platform (std::rename does not on Windows).
    std::error_code ec;
    std::filesystem::rename(pathFromUtf8(tempPath_), pathFromUtf8(path_), ec);
    if (ec) {
        error = "cannot move the finished file into place: " + ec.message();
        discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

void AudioFileWriter::discard()
{
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(pathFromUtf8(tempPath_), ignored);
        tempPath_.clear();
    }
}

} // namespace kest::tolvane::tools
