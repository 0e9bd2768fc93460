// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a stereo WAV or FLAC file through libsndfile. The audio goes to a
// temporary file beside the target, which replaces the target only on commit,
// so a failed or interrupted render never leaves a half-written file behind.
#pragma once

#include <string>

struct sf_private_tag;

namespace kest::tolvane::tools {

enum class SampleFormat { Pcm24, Float32 };

class AudioFileWriter {
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    // FLAC when the path ends in .flac, WAV otherwise. False with error set on failure.
    bool open(const std::string& path, int sampleRate, SampleFormat format, std::string& error);
    bool write(const float* interleaved, int frames);
    // Closes the file and moves it into place.
    bool commit(std::string& error);
    // Closes and deletes the temporary file; harmless when nothing is open.
    void discard();

    const std::string& path() const { return path_; }
    const std::string& lastError() const { return error_; }

private:
    sf_private_tag* file_ = nullptr;
    std::string path_;
    std::string tempPath_;
    std::string error_;
};

} // namespace kest::tolvane::tools
