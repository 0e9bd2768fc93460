// SPDX-License-Identifier: GPL-3.0-or-later
// One line on the terminal, redrawn in place: voices, the server's DSP load, xruns.
#pragma once

#include <string>

namespace kest::tolvane::tools {

std::string statusText(int voices, int mostVoices, float dspLoadPercent, long xruns);

class StatusLine {
public:
    // Draws nothing unless enabled (the caller checks that stderr is a terminal).
    explicit StatusLine(bool enabled) : enabled_(enabled) {}
    void draw(int voices, int mostVoices, float dspLoadPercent, long xruns);
    // Clears the line so later messages start on a clean one.
    void finish();

private:
    bool enabled_;
    bool drawn_ = false;
};

} // namespace kest::tolvane::tools
