// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/PlayPanel.h"

#include <algorithm>
#include <cstdio>

namespace kest::tolvane::editor {

std::string glideTimeText(int time, int ticks)
{
    time = std::clamp(time, 0, 127);
    if (time == 0)
        return "no glide";
    const double ratio = time / 127.0;
    char text[48];
    std::snprintf(text, sizeof text, "%.3f s, %d tick%s", 4.0 * ratio * ratio, ticks, ticks == 1 ? "" : "s");
    return text;
}

} // namespace kest::tolvane::editor
