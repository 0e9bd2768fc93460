// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveImport.h"

#include <array>
#include <cstddef>
#include <new>
#include <string>

#include "Adpcm.h"
#include "LogCode.h"
#include "SampleConversion.h"

namespace kest::tolvane::formats {

namespace {

bool convertibleWidth(int bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// Log code of s / 32768 for every 16-bit value, built once.
const std::array<std::int32_t, 65536>& logCodeOf16Bit()
{
    static const auto table = [] {
        std::array<std::int32_t, 65536> codes{};
        for (int s = -32768; s < 32768; ++s)
            codes[static_cast<std::size_t>(s + 32768)] = logCodeFromLinear(s / 32768.0);
        return codes;
    }();
    return table;
}

std::size_t sampleCount(const WaveFile& wave) { return static_cast<std::size_t>(wave.frames) * wave.channels; }

// Dpcm keeps the top 8 bits of each sample, signed.
std::vector<std::int8_t> topBytes(const WaveFile& wave)
{
    const std::size_t width = wave.bitsPerSample / 8u;
    std::vector<std::int8_t> out(sampleCount(wave));
    const std::uint8_t* p = wave.data.data();
    for (std::size_t i = 0; i < out.size(); ++i, p += width)
        out[i] = width == 1 ? static_cast<std::int8_t>(p[0] - 128) : static_cast<std::int8_t>(p[width - 1]);
    return out;
}

// Adpcm works on the top 16 bits of each sample (8-bit samples widened).
std::vector<std::int16_t> topWords(const WaveFile& wave)
{
    const std::size_t width = wave.bitsPerSample / 8u;
    std::vector<std::int16_t> out(sampleCount(wave));
    const std::uint8_t* p = wave.data.data();
    for (std::size_t i = 0; i < out.size(); ++i, p += width) {
        if (width == 1)
            out[i] = static_cast<std::int16_t>((p[0] - 128) * 256);
        else
            out[i] = static_cast<std::int16_t>(p[width - 2] | (p[width - 1] << 8));
    }
    return out;
}

// Codes and decodes the samples in place; with an odd total the last one stays uncoded.
void passThroughAdpcm(std::vector<std::int16_t>& samples, int channels, int frames)
{
    std::vector<std::uint8_t> codes(samples.size() / 2);
    const std::size_t written = adpcmEncode(samples.data(), channels, frames, codes.data(), codes.size());
    adpcmDecode(codes.data(), written, channels, samples.data(), 2 * written);
}

std::optional<std::vector<std::int32_t>> convert(const WaveFile& wave, SampleSourceKind kind)
{
    const int frames = wave.frames;
    const int channels = wave.channels;
    switch (kind) {
    case SampleSourceKind::Pcm:
        return pcmToLogCodes(wave.data.data(), frames, channels, wave.bitsPerSample, wave.bitsPerSample != 8);
    case SampleSourceKind::Dpcm: {
        const std::vector<std::int8_t> samples = topBytes(wave);
        return pcm8ToLogCodes(samples.data(), frames, channels);
    }
    case SampleSourceKind::Adpcm: {
        std::vector<std::int16_t> samples = topWords(wave);
        passThroughAdpcm(samples, channels, frames);
        const auto& table = logCodeOf16Bit();
        std::vector<std::int32_t> codes(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            codes[i] = table[static_cast<std::size_t>(samples[i] + 32768)];
        return codes;
    }
    }
    return std::nullopt;
}

} // namespace

bool acceptsWave(const WaveFile& wave, std::string& error)
{
    if (!wave.valid)
        error = wave.problem;
    else if (wave.formatTag != 1)
        error = "not integer PCM (format " + std::to_string(wave.formatTag) + ")";
    else if (wave.channels < 1 || wave.channels > 2)
        error = std::to_string(wave.channels) + " channels; a sample slot takes 1 or 2";
    else if (wave.frames > kMaxSampleFrames)
        error = "too long for a sample slot (" + std::to_string(wave.frames) + " frames; at most " +
                std::to_string(kMaxSampleFrames) + ")";
    else
        return true;
    return false;
}

std::optional<PreparedSample> prepareWaveImport(const WaveFile& wave, SampleSourceKind kind, std::string* error)
{
    std::string reason;
    const auto refuse = [&](std::string why) -> std::optional<PreparedSample> {
        if (error != nullptr)
            *error = std::move(why);
        return std::nullopt;
    };
    if (!acceptsWave(wave, reason))
        return refuse(reason);
    PreparedSample prepared;
    prepared.sampleRate = static_cast<float>(wave.sampleRate);
    // No conversion is defined for other widths, whatever the kind: the slot is left empty.
    if (!convertibleWidth(wave.bitsPerSample))
        return prepared;
    try {
        auto codes = convert(wave, kind);
        if (!codes)
            return refuse("no conversion of kind " + std::to_string(static_cast<int>(kind)));
        prepared.codes = std::move(*codes);
    } catch (const std::bad_alloc&) {
        return refuse("not enough memory to convert " + std::to_string(wave.frames) + " frames");
    }
    prepared.hasData = true;
    prepared.frames = wave.frames;
    prepared.channels = wave.channels;
    return prepared;
}

std::optional<PreparedSample> prepareWaveFile(const std::string& path, SampleSourceKind kind, std::string& error)
{
    FileSource file;
    if (!file.open(path, error))
        return std::nullopt;
    WaveFile wave = readWaveHeader(file);
    if (!acceptsWave(wave, error))
        return std::nullopt;
    try {
        // Only the samples the frames count: a data chunk may end in a partial frame.
        std::vector<std::uint8_t> samples(
            wave.hasData && convertibleWidth(wave.bitsPerSample) ? sampleCount(wave) * (wave.bitsPerSample / 8u) : 0);
        if (!file.readAt(wave.dataOffset, samples.data(), samples.size())) {
            error = "cannot read the file";
            return std::nullopt;
        }
        wave.data = samples;
        return prepareWaveImport(wave, kind, &error);
    } catch (const std::bad_alloc&) {
        error = "not enough memory to read " + std::to_string(wave.frames) + " frames";
        return std::nullopt;
    }
}

WaveProbe probeWaveFile(const std::string& path)
{
    WaveProbe probe;
    FileSource file;
    if (!file.open(path, probe.reason))
        return probe;
    probe.opened = true;
    const WaveFile wave = readWaveHeader(file);
    probe.accepted = acceptsWave(wave, probe.reason);
    probe.frames = wave.frames;
    probe.channels = wave.channels;
    return probe;
}

void installPreparedSample(synth::SynthesizerWT& engine, int slot, PreparedSample&& sample)
{
    synth::SampleData& target = engine.sampleData(slot);
    if (!sample.hasData || !engine.installSampleData(slot, std::move(sample.codes), sample.frames, sample.channels))
        target.clear();
    target.setSourceRate(sample.sampleRate);
}

} // namespace kest::tolvane::formats
