// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioFileWriter.h"

#include <sndfile.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "RenderOptions.h"

namespace kest::tolvane::tools {

namespace {
std::string temporaryPathFor(const std::string& path) {
    const std::filesystem::path target(path);
    std::string name(1, '.');
    name.append(target.filename().string()).append(".part-").append(std::to_string(::getpid()));
    return (target.parent_path() / name).string();
}
} // namespace

AudioFileWriter::~AudioFileWriter() { discard(); }

bool AudioFileWriter::open(const std::string& path, int sampleRate, SampleFormat format, std::string& error) {
    discard();
    path_ = path;
    tempPath_ = temporaryPathFor(path);
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    if (isFlacPath(path))
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    else
        info.format = SF_FORMAT_WAV | (format == SampleFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    file_ = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
    if (!file_) {
        error = std::string("cannot create the file: ") + sf_strerror(nullptr);
        return false;
    }
    // Samples beyond full scale are clipped to full scale instead of wrapping around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool AudioFileWriter::write(const float* interleaved, int frames) {
    if (!file_) return false;
    if (frames <= 0) return true;
    if (sf_writef_float(file_, interleaved, frames) != frames) {
        error_ = std::string("cannot write the file: ") + sf_strerror(file_);
        return false;
    }
    return true;
}

bool AudioFileWriter::commit(std::string& error) {
    if (!file_) {
        error = "nothing was written";
        return false;
    }
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0) {
        error = std::string("cannot finish the file: ") + sf_error_number(closed);
        discard();
        return false;
    }
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        error = std::string("cannot move the finished file into place: ") + std::strerror(errno);
        discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

void AudioFileWriter::discard() {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        std::remove(tempPath_.c_str());
        tempPath_.clear();
    }
}

} // namespace kest::tolvane::tools
