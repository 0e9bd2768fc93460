// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputMixer.h"

#include <algorithm>
#include <cmath>

#include "OutputPairs.h"

namespace kest::tolvane::tools {

namespace {
float interleave(const float* left, const float* right, int frames, float* out) {
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
        peak = std::max(peak, std::max(std::fabs(left[i]), std::fabs(right[i])));
    }
    return peak;
}

bool carriesSound(const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i)
        if (left[i] != 0.0f || right[i] != 0.0f) return true;
    return false;
}
} // namespace

OutputMixer::OutputMixer(const MixerSettings& settings, AudioFileWriter& mainFile)
    : settings_(settings),
      mainFile_(mainFile),
      mixLeft_(static_cast<std::size_t>(settings.blockSize)),
      mixRight_(static_cast<std::size_t>(settings.blockSize)),
      interleaved_(2 * static_cast<std::size_t>(settings.blockSize)) {}

bool OutputMixer::consume(const float* const* outputs, int frames) {
    const float* left;
    const float* right;
    if (settings_.bus > 0) {
        left = outputs[2 * (settings_.bus - 1)];
        right = outputs[2 * (settings_.bus - 1) + 1];
    } else {
        sumOutputPairs(outputs, frames, mixLeft_.data(), mixRight_.data());
        left = mixLeft_.data();
        right = mixRight_.data();
    }
    peak_ = std::max(peak_, interleave(left, right, frames, interleaved_.data()));
    if (!mainFile_.write(interleaved_.data(), frames)) {
        error_ = mainFile_.lastError();
        return false;
    }
    if (!settings_.stemPathPattern.empty()) {
        for (int pair = 0; pair < kOutputPairCount; ++pair)
            if (!writeStem(pair, outputs[2 * pair], outputs[2 * pair + 1], frames)) return false;
    }
    framesDone_ += frames;
    return onProgress ? onProgress(framesDone_) : true;
}

// A stem file is opened when its pair first carries sound; the silence before
// that is written then, so every stem lines up with the main file.
bool OutputMixer::writeStem(int pair, const float* left, const float* right, int frames) {
    auto& stem = stems_[static_cast<std::size_t>(pair)];
    if (!stem) {
        if (!carriesSound(left, right, frames)) return true;
        stem = std::make_unique<AudioFileWriter>();
        std::string error;
        if (!stem->open(stemPath(pair), settings_.sampleRate, settings_.format, error)) {
            error_ = stemPath(pair) + ": " + error;
            return false;
        }
        std::fill(interleaved_.begin(), interleaved_.end(), 0.0f);
        for (std::int64_t done = 0; done < framesDone_;) {
            const int n = static_cast<int>(std::min<std::int64_t>(settings_.blockSize, framesDone_ - done));
            if (!stem->write(interleaved_.data(), n)) {
                error_ = stemPath(pair) + ": " + stem->lastError();
                return false;
            }
            done += n;
        }
    }
    interleave(left, right, frames, interleaved_.data());
    if (!stem->write(interleaved_.data(), frames)) {
        error_ = stemPath(pair) + ": " + stem->lastError();
        return false;
    }
    return true;
}

std::string OutputMixer::stemPath(int pair) const {
    std::string path = settings_.stemPathPattern;
    std::string number = std::to_string(pair + 1);
    if (number.size() < 2) number.insert(number.begin(), '0');
    if (const auto at = path.find("%02d"); at != std::string::npos) path.replace(at, 4, number);
    return path;
}

bool OutputMixer::finishStems(std::vector<std::string>& written, std::string& error) {
    for (auto& stem : stems_) {
        if (!stem) continue;
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

void OutputMixer::discardStems() {
    for (auto& stem : stems_) stem.reset();  // the writer's destructor deletes its temporary file
}

} // namespace kest::tolvane::tools
