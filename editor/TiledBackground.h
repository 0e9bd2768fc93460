// SPDX-License-Identifier: GPL-3.0-or-later
// A section's background bitmap cut into small tiles. The library's X11
// drawing sends a bitmap to the X server whole whenever any part of it is
// drawn; from tiles, a control that redraws its rectangle costs the few tiles
// under it instead of the section's whole picture.
#pragma once

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cviewcontainer.h"

#include <vector>

namespace kest::tolvane::editor {

class BackgroundTiles {
public:
    static constexpr int kTileSize = 32;

    // Every resolution `background` holds (1x, 2x ...) is cut alike.
    explicit BackgroundTiles(VSTGUI::CBitmap* background);

    // Draws the tiles that meet `updateRect` (the container's coordinates).
    void draw(VSTGUI::CDrawContext* context, const VSTGUI::CRect& updateRect) const;

    std::size_t tileCount() const { return tiles_.size(); }

private:
    struct Tile {
        VSTGUI::CRect rect;
        VSTGUI::SharedPointer<VSTGUI::CBitmap> bitmap;
    };
    std::vector<Tile> tiles_;
};

// A container (plain or layered) whose background is drawn from tiles.
template <class Container>
class TiledBackgroundView : public Container {
public:
    TiledBackgroundView(const VSTGUI::CRect& size, VSTGUI::CBitmap* background) : Container(size), tiles_(background)
    {
    }

    // The library has set the clip to `updateRect` already.
    void drawBackgroundRect(VSTGUI::CDrawContext* context, const VSTGUI::CRect& updateRect) override
    {
        tiles_.draw(context, updateRect);
    }

private:
    BackgroundTiles tiles_;
};

} // namespace kest::tolvane::editor
