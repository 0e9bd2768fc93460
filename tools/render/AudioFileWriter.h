// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a stereo audio file through libsndfile. The audio goes to a
// temporary file beside the target, which replaces the target only on commit,
// so a failed or interrupted render never leaves a half-written file behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OutputFormat.h"

struct sf_private_tag;

namespace kest::tolvane::tools {

// A float sample as a 24-bit integer: rounded to nearest and held at full
// scale, so every 24-bit format of one render holds the same integers.
std::int32_t toPcm24(float sample);

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // False with error set on failure.
    bool open(const std::string& path, int sampleRate, const OutputFormat& format, std::string& error);
    bool write(const float* interleaved, int frames);
    // Closes the file and moves it into place.
    bool commit(std::string& error);
    // Closes and deletes the temporary file; harmless when nothing is open.
    void discard();

    const std::string& path() const { return path_; }
    const std::string& lastError() const { return error_; }

private:
    sf_private_tag* file_ = nullptr;
    bool pcm24_ = false;
    std::vector<int> integers_;
    std::string path_;
    std::string tempPath_;
    std::string error_;
};

} // namespace kest::tolvane::tools
