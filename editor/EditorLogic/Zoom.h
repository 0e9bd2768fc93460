// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's zoom: the user's choice (kept by the edit controller) and the
// host's content scale factor together give the factor the window is drawn at.
#pragma once

namespace kest::tolvane::editor {

// Stored as one byte with the controller's state: the values never change.
enum ZoomChoice : int {
    kZoomAsHost = 0, // the host's content scale factor, 100 % when it sends none
    kZoom100 = 1,
    kZoom150 = 2,
    kZoom200 = 3,
};
inline constexpr int kZoomChoiceCount = 4;

constexpr bool isZoomChoice(int value) { return value >= 0 && value < kZoomChoiceCount; }

// The factor the window is drawn at. A host factor outside 1..4 (a host that
// sends nonsense, or nothing) counts as 1.
double zoomFactor(int choice, double hostFactor);

struct WindowSize {
    int width;
    int height;
};
// The window's size in pixels at `factor`, rounded to whole pixels.
WindowSize zoomedWindowSize(double factor);

} // namespace kest::tolvane::editor
