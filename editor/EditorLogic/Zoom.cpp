// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorLogic/Zoom.h"

#include "EditorLogic/EditorIds.h"

#include <cmath>

namespace kest::tolvane::editor {

double zoomFactor(int choice, double hostFactor)
{
    switch (choice) {
    case kZoom100: return 1.0;
    case kZoom150: return 1.5;
    case kZoom200: return 2.0;
    default: break;
    }
    // The negated test also turns NaN away.
    if (!(hostFactor >= 1.0 && hostFactor <= 4.0))
        return 1.0;
    return hostFactor;
}

WindowSize zoomedWindowSize(double factor)
{
    return {static_cast<int>(std::lround(kWindowWidth * factor)),
            static_cast<int>(std::lround(kWindowHeight * factor))};
}

} // namespace kest::tolvane::editor
