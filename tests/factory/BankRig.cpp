// SPDX-License-Identifier: GPL-3.0-or-later
#include "BankRig.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "FormatKinds.h"
#include "KWeighting.h"
#include "TextFile.h"
#include "TextImport.h"
#include "WaveImport.h"

namespace kest::tolvane::factory {

std::string presetPath(const char* fileName) { return std::string(TOLVANE_PRESETS_DIR) + "/" + fileName; }

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int countRecordLines(const std::string& text, const std::string& prefix)
{
    int count = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line.compare(first, prefix.size(), prefix) == 0)
            ++count;
    }
    return count;
}

float toDbfs(float linear) { return 20.0f * std::log10(std::max(linear, 1e-9f)); }

BankRig::BankRig() : buffers_(kOutputChannelCount, std::vector<float>(kBlockSize, 0.0f))
{
    bitDepths_.fill(8);
    for (int c = 0; c < kOutputChannelCount; ++c)
        pointers_[static_cast<std::size_t>(c)] = buffers_[static_cast<std::size_t>(c)].data();
    host_.setSampleRate(kSampleRate);
    host_.setBlockSize(kBlockSize);
    host_.setModule(0, &queue_);
    host_.setModule(1, &synth_);
}

bool BankRig::loadFactoryBank() { return loadBank("factory-wavetables.txt", "factory-tones.txt"); }

bool BankRig::loadBank(const char* waveTableFile, const char* toneFile)
{
    // The plug-in's import path: whole file as text, parse, then apply.
    const auto waves = formats::readTextFile(presetPath(waveTableFile));
    const auto tones = formats::readTextFile(presetPath(toneFile));
    if (!waves || !tones)
        return false;
    formats::applyText(synth_, formats::parseText(formats::TextKind::WaveTable, *waves), bitDepths_);
    formats::applyText(synth_, formats::parseText(formats::TextKind::Tone, *tones), bitDepths_);
    return true;
}

bool BankRig::loadChipSampleKit()
{
    const auto samplers = formats::readTextFile(presetPath("chip-samplers.txt"));
    const std::string slots = readWholeFile(presetPath("chip-samples/slots.txt"));
    if (!samplers || slots.empty())
        return false;
    formats::applyText(synth_, formats::parseText(formats::TextKind::Sampler, *samplers), bitDepths_);
    std::istringstream lines(slots);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int slot = -1;
        std::string kind, file;
        if (line.empty() || line[0] == '#' || !(fields >> slot >> kind >> file))
            continue;
        const auto sourceKind = kind == "adpcm" ? formats::SampleSourceKind::Adpcm : formats::SampleSourceKind::Dpcm;
        std::string error;
        auto prepared = formats::prepareWaveFile(presetPath(("chip-samples/" + file).c_str()), sourceKind, error);
        if (!prepared)
            return false;
        formats::installPreparedSample(synth_, slot, std::move(*prepared));
    }
    return true;
}

void BankRig::noteOn(int channel, int key, int velocity)
{
    queue_.queueChannelEvent(kNoteOn, channel, key, velocity, 0);
}

void BankRig::noteOff(int channel, int key) { queue_.queueChannelEvent(kNoteOff, channel, key, 0, 0); }

void BankRig::programChange(int channel, int program)
{
    queue_.queueChannelEvent(kProgramChange, channel, program, 0, 0);
    renderBlock(); // so that a note queued next surely comes after it
}

void BankRig::setPercussion(int channel) { synth_.setMode(channel, synth::kModePercussion); }

void BankRig::renderBlock()
{
    for (auto& buffer : buffers_)
        std::fill(buffer.begin(), buffer.end(), 0.0f);
    host_.process(pointers_.data(), kBlockSize);
    blockPeak_ = 0.0f;
    for (const auto& buffer : buffers_)
        for (float s : buffer)
            blockPeak_ = std::max(blockPeak_, std::fabs(s));
}

float BankRig::render(double seconds, std::vector<float>* capture)
{
    const int blocks = static_cast<int>(std::ceil(seconds * kSampleRate / kBlockSize));
    float peak = 0.0f;
    for (int b = 0; b < blocks; ++b) {
        renderBlock();
        peak = std::max(peak, blockPeak_);
        if (capture)
            for (int i = 0; i < kBlockSize; ++i)
                capture->push_back(
                    0.5f * (buffers_[0][static_cast<std::size_t>(i)] + buffers_[1][static_cast<std::size_t>(i)]));
    }
    return peak;
}

double BankRig::renderUntilFree(double limitSeconds)
{
    const int limitBlocks = static_cast<int>(std::ceil(limitSeconds * kSampleRate / kBlockSize));
    for (int b = 0; b <= limitBlocks; ++b) {
        if (activeVoices() == 0)
            return b * static_cast<double>(kBlockSize) / kSampleRate;
        renderBlock();
    }
    return -1.0;
}

float playTypicalMix(BankRig& rig)
{
    constexpr int kVelocity = 100;
    rig.programChange(0, 0);  // Acoustic Grand
    rig.programChange(1, 33); // Finger Bass
    rig.programChange(2, 48); // Strings
    rig.programChange(3, 56); // Trumpet
    rig.setPercussion(kDrumChannel);
    for (int key : {60, 64, 67})
        rig.noteOn(0, key, kVelocity);
    rig.noteOn(1, 36, kVelocity);
    for (int key : {72, 76})
        rig.noteOn(2, key, kVelocity);
    rig.noteOn(3, 79, kVelocity);
    for (int key : {36, 38, 49})
        rig.noteOn(kDrumChannel, key, kVelocity);
    return rig.render(1.0);
}

double programLoudnessDb(BankRig& rig, int program)
{
    std::vector<float> sound;
    rig.programChange(0, program);
    rig.noteOn(0, kMiddleC, 100);
    rig.render(4.5, &sound);
    rig.noteOff(0, kMiddleC);
    rig.renderUntilFree(3.0);
    return measureStrike(sound, kSampleRate).loudnessDb;
}

StrikeFigures strikeKey(BankRig& rig, int channel, int key)
{
    std::vector<float> sound;
    rig.noteOn(channel, key, 100);
    rig.render(2.5, &sound);
    rig.noteOff(channel, key);
    rig.renderUntilFree(1.0);
    return measureStrike(sound, kSampleRate);
}

} // namespace kest::tolvane::factory
