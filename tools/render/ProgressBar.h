// SPDX-License-Identifier: GPL-3.0-or-later
// A one-line progress bar on stderr, redrawn at most ten times a second.
#pragma once

#include <chrono>
#include <cstdint>

namespace kest::tolvane::tools {

class ProgressBar {
public:
    // Draws nothing unless enabled (the caller checks that stderr is a terminal).
    ProgressBar(bool enabled, std::int64_t expectedFrames, int sampleRate);

    void update(std::int64_t framesDone);
    // Clears the bar so the summary starts on a clean line.
    void finish();

private:
    void draw(std::int64_t framesDone);

    bool enabled_;
    bool drawn_ = false;
    std::int64_t expected_;
    int sampleRate_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

} // namespace kest::tolvane::tools
