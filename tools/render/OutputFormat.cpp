// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>

#include "FilePath.h"

namespace kest::tolvane::tools {

namespace {

enum class Encoding { Pcm, Flac, Vorbis, Mp3 };

struct Candidate {
    const char* extension;
    int major;
    Encoding encoding;
};

// The formats the renderer offers; each is kept only if libsndfile lists it
// and accepts stereo in that encoding.
constexpr std::array<Candidate, 11> kCandidates{{
    {"wav", SF_FORMAT_WAV, Encoding::Pcm},
    {"flac", SF_FORMAT_FLAC, Encoding::Flac},
    {"ogg", SF_FORMAT_OGG, Encoding::Vorbis},
    {"oga", SF_FORMAT_OGG, Encoding::Vorbis},
    {"aiff", SF_FORMAT_AIFF, Encoding::Pcm},
    {"aif", SF_FORMAT_AIFF, Encoding::Pcm},
    {"caf", SF_FORMAT_CAF, Encoding::Pcm},
    {"w64", SF_FORMAT_W64, Encoding::Pcm},
    {"rf64", SF_FORMAT_RF64, Encoding::Pcm},
    {"mp3", SF_FORMAT_MPEG, Encoding::Mp3},
    {"wave", SF_FORMAT_WAV, Encoding::Pcm},
}};

bool libraryListsMajor(int major)
{
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 &&
            (info.format & SF_FORMAT_TYPEMASK) == major)
            return true;
    }
    return false;
}

int encodingBits(Encoding encoding, bool floatSamples)
{
    switch (encoding) {
    case Encoding::Pcm: return floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24;
    case Encoding::Flac: return SF_FORMAT_PCM_24;
    case Encoding::Vorbis: return SF_FORMAT_VORBIS;
    case Encoding::Mp3: return SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

bool libraryWrites(int format)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = format;
    return sf_format_check(&info) == SF_TRUE;
}

const Candidate* candidateFor(const std::string& extension)
{
    for (const Candidate& c : kCandidates)
        if (extension == c.extension)
            return &c;
    return nullptr;
}

} // namespace

std::string extensionOf(const std::string& path)
{
    std::string ext = formats::utf8FromPath(formats::pathFromUtf8(path).extension());
    if (!ext.empty())
        ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::optional<OutputFormat> outputFormatFor(const std::string& path, bool floatSamples)
{
    const std::string extension = extensionOf(path);
    const Candidate* c = candidateFor(extension);
    if (!c || !libraryListsMajor(c->major))
        return std::nullopt;
    if (floatSamples && c->encoding != Encoding::Pcm)
        return std::nullopt;
    const int format = c->major | encodingBits(c->encoding, floatSamples);
    if (!libraryWrites(format))
        return std::nullopt;
    return OutputFormat{extension, format, (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24};
}

bool formatHoldsFloat(const std::string& path)
{
    const Candidate* c = candidateFor(extensionOf(path));
    return c && c->encoding == Encoding::Pcm;
}

std::string supportedExtensions()
{
    std::string list;
    for (const Candidate& c : kCandidates) {
        if (!libraryListsMajor(c.major) || !libraryWrites(c.major | encodingBits(c.encoding, false)))
            continue;
        if (!list.empty())
            list += ", ";
        list += c.extension;
    }
    return list;
}

} // namespace kest::tolvane::tools
