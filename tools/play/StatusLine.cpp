// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusLine.h"

#include <cstdio>

namespace kest::tolvane::tools {

std::string statusText(int voices, int mostVoices, float dspLoadPercent, long xruns)
{
    char text[96];
    std::snprintf(text, sizeof text, "voices %4d (most %4d)   DSP %5.1f %%   xruns %ld", voices, mostVoices,
                  static_cast<double>(dspLoadPercent), xruns);
    return text;
}

void StatusLine::draw(int voices, int mostVoices, float dspLoadPercent, long xruns)
{
    if (!enabled_)
        return;
    std::fprintf(stderr, "\r%s\033[K", statusText(voices, mostVoices, dspLoadPercent, xruns).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void StatusLine::finish()
{
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace kest::tolvane::tools
