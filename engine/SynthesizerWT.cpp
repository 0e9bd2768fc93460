// SPDX-License-Identifier: GPL-3.0-or-later
#include "SynthesizerWT.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "FixedPoint.h"
#include "LogCode.h"
#include "PortableMath.h"
#include "SampleConversion.h"

namespace kest::tolvane::synth {

namespace {
constexpr float kDefaultSourceRate = 44100.0f;
constexpr int kDefaultPolyphony = 128;
} // namespace

SynthesizerWT::SynthesizerWT(float tune, float volume)
{
    sysExModelId = 0x20;
    maxMode = kModeSampler;
    tableSize = 32;
    tableSizeBits = 5;
    for (int v = 0; v < 256; ++v)
        waveValueLog_[static_cast<std::size_t>(v)] = logCodeFromLinear((v - 128) / 128.0);
    initPresets();
    if (std::isfinite(tune))
        masterTune = std::clamp(tune, kMinMasterTune, kMaxMasterTune);
    if (std::isfinite(volume))
        masterVolume = std::max(volume, 0.0f);
    allocateVoices(kDefaultPolyphony);
    updateRateConstants();
}

SynthesizerWT::~SynthesizerWT() = default;

SynthesizerWT::VoiceStorage SynthesizerWT::makeVoices(int count)
{
    return std::make_unique<VoiceUnitWT[]>(static_cast<std::size_t>(VoicePool::roundedSize(count)));
}

SynthesizerWT::VoiceStorage SynthesizerWT::takeVoices(VoiceStorage voices, int count)
{
    count = VoicePool::roundedSize(count);
    for (int i = 0; i < count; ++i)
        voices[static_cast<std::size_t>(i)].bind(*this);
    std::swap(toneVoices_, voices);
    voices_.adopt(toneVoices_.get(), count);
    return voices;
}

SynthesizerWT::VoiceStorage SynthesizerWT::adoptVoices(VoiceStorage voices, int count)
{
    VoiceStorage old = takeVoices(std::move(voices), count);
    updateRateConstants();
    return old;
}

void SynthesizerWT::allocateVoices(int count) { takeVoices(makeVoices(count), count); }

void SynthesizerWT::useVoiceRunKernels(const VoiceRunKernels* kernels)
{
    runKernels_ = kernels ? kernels : perSampleVoiceRunKernels();
    for (int i = 0; i < voiceCount(); ++i)
        toneVoices_[static_cast<std::size_t>(i)].useKernels(*runKernels_);
}

std::uint32_t SynthesizerWT::renderVoices(float* const* outputs, int target, bool endOfBlock)
{
    if (!outputs)
        return MultiTimberSynthBase::renderVoices(outputs, target, endOfBlock);
    // Every wave voice plays a table of the engine's length (a new length stops them).
    return runKernels_->renderVoices[static_cast<std::size_t>(tableLengthIndex(tableSize))](
        voices_, outputs, blockOrigin_, target, endOfBlock);
}

std::int32_t* SynthesizerWT::waveTable(int index)
{
    dropLevelCaches();
    return &waveTables_[static_cast<std::size_t>(index & 0x7F) * kWaveTableMaxSize];
}

void SynthesizerWT::dropLevelCaches()
{
    for (int i = 0; i < voiceCount(); ++i)
        toneVoices_[static_cast<std::size_t>(i)].levelCache.attenuation = WaveLevelCache::kStale;
}

namespace {
// 2^30 / 16383 (as it has always been written): the counter step of lfoFreq 1,
// so that lfoFreq 16383 refills the 2^30 LFO counter once a sample at 4096 Hz.
constexpr double kLfoUnitAt4096Hz = 65540.00024415553;
} // namespace

void SynthesizerWT::updateRateConstants()
{
    stopVoices(-1);
    const double fs = sampleRate;
    rates_.pitchBase = logPitchUnits(tableSize * double{kQ18One}) - logPitchUnits(fs) +
                       logPitchUnits(masterTune * portableExp2(-5.75));
    rates_.sampleBase = logPitchUnits(double{kQ18One}) - logPitchUnits(fs);
    rates_.envRateBase = logPitchUnits(1073741824.0 / (256.0 * fs));
    rates_.soundOffRate = static_cast<int>(1073741824.0 / (fs / 512.0) + 0.5);
    rates_.lfoUnit = static_cast<int>(kLfoUnitAt4096Hz / std::max(1.0, fs / 4096.0) + 0.5);
    const int phaseMask = tableSize * kQ18One - 1;
    for (int i = 0; i < voiceCount(); ++i) {
        VoiceUnitWT& v = toneVoices_[static_cast<std::size_t>(i)];
        v.rates = rates_;
        v.phaseMask = phaseMask;
        v.noiseMask = phaseMask >> 5;
    }
}

void SynthesizerWT::initPresets()
{
    stopVoices(-1);
    fillDefaultWaveTables();
    for (TonePreset& t : tones_)
        t.setDefaults();
    expressions_.fill(ToneExpression{});
    for (SamplerPreset& p : samplerPresets_)
        p.setDefaults();
    for (SampleData& slot : sampleSlots_)
        slot.clear();
}

void SynthesizerWT::fillDefaultWaveTables()
{
    std::array<std::int32_t, kWaveTableMaxSize> sine{};
    for (int i = 0; i < kWaveTableMaxSize; ++i) {
        if (i >= tableSize) {
            sine[static_cast<std::size_t>(i)] = 0;
            continue;
        }
        const double s = portableSin(2.0 * std::numbers::pi * i / tableSize);
        const int value = static_cast<int>(s * 127.5 - 0.5) + 128;
        sine[static_cast<std::size_t>(i)] = waveValueLog(std::clamp(value, 0, 255));
    }
    dropLevelCaches();
    for (int t = 0; t < kWaveTableCount; ++t)
        std::copy(sine.begin(), sine.end(), &waveTables_[static_cast<std::size_t>(t) * kWaveTableMaxSize]);
}

void SynthesizerWT::startVoice(VoiceUnitBase& voice, int channel, int key, int velocity)
{
    auto& v = static_cast<VoiceUnitWT&>(voice);
    if (part(channel).mode == kModeSampler) {
        v.samplerNoteOn(channel, key, velocity);
        return;
    }
    v.noteOn(channel, key, velocity);
    v.noteSerial = ++noteSerial_;
    lastNotes_[static_cast<std::size_t>(channel)] = {v.toneIndex, static_cast<int>(&v - toneVoices_.get()),
                                                     v.noteSerial};
}

const SynthesizerWT::VoiceUnitWT* SynthesizerWT::lastNoteVoice(int part) const
{
    const LastNote& last = lastNote(part);
    if (last.voice < 0 || last.voice >= voiceCount())
        return nullptr;
    const VoiceUnitWT& v = toneVoices_[static_cast<std::size_t>(last.voice)];
    return v.noteSerial == last.serial && v.isSounding() ? &v : nullptr;
}

// ---- wavetables -------------------------------------------------------------

int SynthesizerWT::setTableSize(int requested)
{
    int size = 8;
    while (size < requested && size < kWaveTableMaxSize)
        size <<= 1;
    if (size == tableSize)
        return size;
    dropLevelCaches();
    for (int t = 0; t < kWaveTableCount; ++t) {
        std::int32_t* entries = &waveTables_[static_cast<std::size_t>(t) * kWaveTableMaxSize];
        std::fill(entries + std::min(tableSize, size), entries + size, kLogCodeSilence);
    }
    tableSize = size;
    tableSizeBits = 0;
    while ((1 << tableSizeBits) < size)
        ++tableSizeBits;
    // Stops every voice and sets the new phase masks with the rate constants.
    updateRateConstants();
    return size;
}

void SynthesizerWT::importWaveValues(int table, const int* values, int bitDepth)
{
    if (!values)
        return;
    const int depth = effectiveBitDepth(bitDepth);
    const int top = (1 << depth) - 1;
    std::int32_t* entries = waveTable(table);
    for (int i = 0; i < kWaveTableMaxSize; ++i)
        entries[i] = waveValueLog(std::clamp(values[i], 0, top) << (8 - depth));
}

int SynthesizerWT::waveValueOfCode(std::int32_t code, int bitDepth) const
{
    const int depth = effectiveBitDepth(bitDepth);
    const float half = static_cast<float>(1 << (depth - 1));
    const float a =
        (code >= 0 && code < SynthTables::kLog2LinSize) ? tables_->log2lin[static_cast<std::size_t>(code)] : 0.0f;
    const int value = static_cast<int>(half * a + half + 0.5f);
    return std::clamp(value, 0, (1 << depth) - 1);
}

void SynthesizerWT::exportWaveBytes(int table, std::uint8_t* out, int count, int bitDepth) const
{
    if (!out)
        return;
    const std::int32_t* entries = &waveTables_[static_cast<std::size_t>(table & 0x7F) * kWaveTableMaxSize];
    const int n = std::min(count, kWaveTableMaxSize);
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(waveValueOfCode(entries[i], bitDepth));
}

void SynthesizerWT::exportWaveInts(int table, int* out, int count, int bitDepth) const
{
    if (!out)
        return;
    const std::int32_t* entries = &waveTables_[static_cast<std::size_t>(table & 0x7F) * kWaveTableMaxSize];
    const int n = std::min(count, kWaveTableMaxSize);
    for (int i = 0; i < n; ++i)
        out[i] = waveValueOfCode(entries[i], bitDepth);
}

// ---- sample data --------------------------------------------------------------

bool SynthesizerWT::installSampleData(int slot, std::vector<std::int32_t>&& codes, int frames, int channels)
{
    if (slot < 0 || slot >= kSampleSlotCount)
        return false;
    SampleData& data = sampleSlots_[static_cast<std::size_t>(slot)];
    data.clear();
    const bool valid = (channels == 1 || channels == 2) && frames >= 0 &&
                       codes.size() >= static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels);
    if (!valid)
        return false;
    data.data = std::move(codes);
    data.data.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    data.hasData = true;
    data.frames = frames;
    data.channels = channels;
    data.playBackStartPoint = 0;
    data.playBackEndPoint = frames;
    data.loopEndPoint = frames;
    data.loopLength = 0;
    data.releaseLoopLength = 0;
    data.setPitch(0.0f);
    data.setSourceRate(kDefaultSourceRate);
    return true;
}

bool SynthesizerWT::loadSampleData(int slot, const std::uint8_t* bytes, int frames, int channels, int bitsPerSample,
                                   bool isSigned)
{
    auto codes = pcmToLogCodes(bytes, frames, channels, bitsPerSample, isSigned);
    if (!codes) {
        if (slot >= 0 && slot < kSampleSlotCount)
            sampleSlots_[static_cast<std::size_t>(slot)].clear();
        return false;
    }
    return installSampleData(slot, std::move(*codes), frames, channels);
}

bool SynthesizerWT::loadSampleData8(int slot, const std::int8_t* samples, int frames, int channels)
{
    auto codes = pcm8ToLogCodes(samples, frames, channels);
    if (!codes) {
        if (slot >= 0 && slot < kSampleSlotCount)
            sampleSlots_[static_cast<std::size_t>(slot)].clear();
        return false;
    }
    return installSampleData(slot, std::move(*codes), frames, channels);
}

} // namespace kest::tolvane::synth
