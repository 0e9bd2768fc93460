// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressBar.h"

#include <algorithm>
#include <cstdio>

namespace kest::tolvane::tools {

namespace {
constexpr int kBarWidth = 40;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
} // namespace

ProgressBar::ProgressBar(bool enabled, std::int64_t expectedFrames, int sampleRate)
    : enabled_(enabled), expected_(std::max<std::int64_t>(expectedFrames, 1)), sampleRate_(sampleRate)
{
}

void ProgressBar::update(std::int64_t framesDone)
{
    if (!enabled_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < kRedrawInterval)
        return;
    lastDraw_ = now;
    draw(framesDone);
}

void ProgressBar::draw(std::int64_t framesDone)
{
    // The tail may end early or the song may run into it, so the fraction is capped.
    const double fraction = std::clamp(static_cast<double>(framesDone) / static_cast<double>(expected_), 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarWidth);
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i)
        bar[i] = i < filled ? '#' : '.';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%% %7.1f s", bar, static_cast<int>(fraction * 100.0),
                 static_cast<double>(framesDone) / sampleRate_);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish()
{
    if (!enabled_ || !drawn_)
        return;
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 20, "");
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace kest::tolvane::tools
