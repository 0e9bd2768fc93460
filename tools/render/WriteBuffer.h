// SPDX-License-Identifier: GPL-3.0-or-later
// Interleaved frames collected for one output file, so that the file is
// written in large pieces rather than once per rendered block (at small
// blocks a write per block costs more than rendering it).
#pragma once

#include <vector>

#include "AudioFileWriter.h"

namespace kest::tolvane::tools {

class WriteBuffer {
public:
    static constexpr int kMinFrames = 4096;

    // Holds at least kMinFrames frames and at least one block.
    explicit WriteBuffer(int blockSize);

    // Adds the frames, writing what was collected first when they would not fit.
    bool append(AudioFileWriter& file, const float* interleaved, int frames);
    // Writes whatever is collected.
    bool flush(AudioFileWriter& file);

private:
    std::vector<float> samples_;
    int frames_ = 0;
};

} // namespace kest::tolvane::tools
