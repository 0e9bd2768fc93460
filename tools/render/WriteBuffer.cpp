// SPDX-License-Identifier: GPL-3.0-or-later
#include "WriteBuffer.h"

#include <algorithm>

namespace kest::tolvane::tools {

WriteBuffer::WriteBuffer(int blockSize) : samples_(2 * static_cast<std::size_t>(std::max(blockSize, kMinFrames))) {}

bool WriteBuffer::append(AudioFileWriter& file, const float* interleaved, int frames)
{
    const int capacity = static_cast<int>(samples_.size() / 2);
    if (frames_ + frames > capacity && !flush(file))
        return false;
    if (frames > capacity)
        return file.write(interleaved, frames);
    std::copy_n(interleaved, 2 * static_cast<std::size_t>(frames), samples_.begin() + 2 * frames_);
    frames_ += frames;
    return true;
}

bool WriteBuffer::flush(AudioFileWriter& file)
{
    const int frames = frames_;
    frames_ = 0;
    return frames == 0 || file.write(samples_.data(), frames);
}

} // namespace kest::tolvane::tools
