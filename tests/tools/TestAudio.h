// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the renderer tests: scratch folders, MIDI files on disk,
// reading rendered files back and measuring them.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tolvane_test {

struct ScratchDir {
    std::filesystem::path path;
    explicit ScratchDir(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("tolvane-render-test-" + std::to_string(::getpid()) + "-" + name))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // The file names in one folder, sorted.
    static std::vector<std::string> namesIn(const std::filesystem::path& folder)
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder, ec))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(path))
            names.push_back(std::filesystem::relative(e.path(), path).string());
        return names;
    }
};

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Audio {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
    std::int64_t frames() const { return channels ? static_cast<std::int64_t>(samples.size()) / channels : 0; }
    float peak() const
    {
        float p = 0.0f;
        for (float s : samples)
            p = std::max(p, std::fabs(s));
        return p;
    }
    // RMS of one channel between two times in seconds.
    double rms(int channel, double from, double to) const
    {
        const auto a = static_cast<std::int64_t>(from * sampleRate),
                   b = std::min(frames(), static_cast<std::int64_t>(to * sampleRate));
        double sum = 0.0;
        for (std::int64_t i = a; i < b; ++i)
            sum += double(samples[i * channels + channel]) * samples[i * channels + channel];
        return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
    }
    // Frequency from rising zero crossings of one channel between two times.
    double frequency(int channel, double from, double to) const
    {
        const auto a = static_cast<std::int64_t>(from * sampleRate),
                   b = std::min(frames(), static_cast<std::int64_t>(to * sampleRate));
        double first = -1, last = -1;
        int crossings = 0;
        for (std::int64_t i = a + 1; i < b; ++i) {
            const float x0 = samples[(i - 1) * channels + channel], x1 = samples[i * channels + channel];
            if (x0 < 0.0f && x1 >= 0.0f) {
                const double at = double(i - 1) + x0 / double(x0 - x1); // interpolated crossing
                if (first < 0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        return crossings > 1 ? (crossings - 1) * sampleRate / (last - first) : 0.0;
    }
};

inline Audio readAudio(const std::string& path)
{
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return audio;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.format = info.format;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    audio.ok = sf_readf_float(file, audio.samples.data(), info.frames) == info.frames;
    sf_close(file);
    return audio;
}

// The samples of a 24-bit file as the integers it stores.
inline std::vector<int> readPcm24(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<int> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_int(file, samples.data(), info.frames);
    sf_close(file);
    for (int& s : samples)
        s /= 256; // libsndfile hands them over in the top 24 bits
    return samples;
}

} // namespace tolvane_test
