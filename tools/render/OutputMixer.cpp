// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputMixer.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::tools {

namespace {

void interleave(const float* left, const float* right, int frames, float gain, float* out)
{
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = left[i] * gain;
        out[2 * i + 1] = right[i] * gain;
    }
}

bool carriesSound(const float* left, const float* right, int frames)
{
    for (int i = 0; i < frames; ++i)
        if (left[i] != 0.0f || right[i] != 0.0f)
            return true;
    return false;
}

} // namespace

std::vector<int> allPairsOrBus(int bus)
{
    if (bus > 0)
        return {bus - 1};
    std::vector<int> pairs(kOutputPairCount);
    for (int pair = 0; pair < kOutputPairCount; ++pair)
        pairs[static_cast<std::size_t>(pair)] = pair;
    return pairs;
}

OutputMixer::OutputMixer(const MixerSettings& settings, AudioFileWriter* mainFile)
    : settings_(settings), mainFile_(mainFile), mixLeft_(static_cast<std::size_t>(settings.blockSize)),
      mixRight_(static_cast<std::size_t>(settings.blockSize)),
      interleaved_(2 * static_cast<std::size_t>(settings.blockSize)), mainPending_(settings.blockSize)
{
}

// A silent pair holds +0.0 only, and the sum is never -0.0, so leaving the
// silent pairs out of the sum changes no bit of it.
void OutputMixer::mixBlock(const float* const* outputs, int frames, std::uint32_t soundingPairs)
{
    const float* left = mixLeft_.data();
    const float* right = mixRight_.data();
    if (settings_.mixPairs.size() == 1) {
        left = outputs[2 * settings_.mixPairs.front()];
        right = outputs[2 * settings_.mixPairs.front() + 1];
    } else {
        std::fill_n(mixLeft_.begin(), frames, 0.0f);
        std::fill_n(mixRight_.begin(), frames, 0.0f);
        for (const int pair : settings_.mixPairs) {
            if (!(soundingPairs & (1u << pair)))
                continue;
            const float* l = outputs[2 * pair];
            const float* r = outputs[2 * pair + 1];
            for (int i = 0; i < frames; ++i) {
                mixLeft_[static_cast<std::size_t>(i)] += l[i];
                mixRight_[static_cast<std::size_t>(i)] += r[i];
            }
        }
    }
    interleave(left, right, frames, settings_.gain, interleaved_.data());
    for (int i = 0; i < 2 * frames; ++i) {
        const float magnitude = std::fabs(interleaved_[static_cast<std::size_t>(i)]);
        peak_ = std::max(peak_, magnitude);
        if (magnitude > 1.0f)
            ++clipped_;
    }
}

bool OutputMixer::consume(const float* const* outputs, int frames)
{
    return consumeBlock(outputs, frames, ~std::uint32_t{0});
}

bool OutputMixer::consumeBlock(const float* const* outputs, int frames, std::uint32_t soundingPairs)
{
    mixBlock(outputs, frames, soundingPairs);
    if (mainFile_ && !mainPending_.append(*mainFile_, interleaved_.data(), frames)) {
        error_ = mainFile_->lastError();
        return false;
    }
    framesDone_ += frames;
    return onProgress ? onProgress(framesDone_) : true;
}

bool OutputMixer::consumeParts(const float* const* partOutputs, int frames, std::uint32_t soundingParts)
{
    if (!mainFile_ || !settings_.perPartStems)
        return true;
    for (int part = 0; part < kOutputPairCount; ++part) {
        // A part that never sounded needs nothing; one that did keeps its file going.
        if (!(soundingParts & (1u << part)) && !stems_[static_cast<std::size_t>(part)])
            continue;
        if (!writeStem(part, partOutputs[2 * part], partOutputs[2 * part + 1], frames))
            return false;
    }
    return true;
}

// A stem file is opened when its part first carries sound; the silence before
// that is written then, so every stem lines up with the main file.
bool OutputMixer::writeStem(int part, const float* left, const float* right, int frames)
{
    auto& stem = stems_[static_cast<std::size_t>(part)];
    if (!stem) {
        if (!carriesSound(left, right, frames))
            return true;
        stem = std::make_unique<AudioFileWriter>();
        const std::string path = settings_.stemPath(part);
        std::string error;
        if (!stem->open(path, settings_.sampleRate, settings_.format, error)) {
            error_ = path + ": " + error;
            return false;
        }
        std::fill(interleaved_.begin(), interleaved_.end(), 0.0f);
        for (std::int64_t done = 0; done < framesDone_;) {
            const int n = static_cast<int>(std::min<std::int64_t>(settings_.blockSize, framesDone_ - done));
            if (!stem->write(interleaved_.data(), n)) {
                error_ = path + ": " + stem->lastError();
                return false;
            }
            done += n;
        }
    }
    interleave(left, right, frames, settings_.gain, interleaved_.data());
    auto& pending = stemPending_[static_cast<std::size_t>(part)];
    if (!pending)
        pending = std::make_unique<WriteBuffer>(settings_.blockSize);
    if (!pending->append(*stem, interleaved_.data(), frames)) {
        error_ = stem->path() + ": " + stem->lastError();
        return false;
    }
    return true;
}

bool OutputMixer::finish()
{
    if (mainFile_ && !mainPending_.flush(*mainFile_)) {
        error_ = mainFile_->lastError();
        return false;
    }
    for (int part = 0; part < kOutputPairCount; ++part) {
        auto& stem = stems_[static_cast<std::size_t>(part)];
        auto& pending = stemPending_[static_cast<std::size_t>(part)];
        if (stem && pending && !pending->flush(*stem)) {
            error_ = stem->path() + ": " + stem->lastError();
            return false;
        }
    }
    return true;
}

bool OutputMixer::finishStems(std::vector<std::string>& written, std::string& error)
{
    for (auto& stem : stems_) {
        if (!stem)
            continue;
        if (!stem->commit(error)) {
            error = stem->path() + ": " + error;
            discardStems();
            return false;
        }
        written.push_back(stem->path());
        stem.reset();
    }
    return true;
}

void OutputMixer::discardStems()
{
    for (auto& stem : stems_)
        stem.reset(); // the writer's destructor deletes its temporary file
}

} // namespace kest::tolvane::tools
