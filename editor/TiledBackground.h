// SPDX-License-Identifier: GPL-3.0-or-later
// A section's background bitmap cut into pieces. The library's X11 drawing
// sends a bitmap to the X server whole whenever any part of it is drawn; from
// pieces, a control that redraws its rectangle costs the background under that
// rectangle instead of the section's whole picture. A rectangle drawn again
// (a moving control's) gets a piece of its own; any other is drawn from the
// small tiles it meets.
#pragma once

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cviewcontainer.h"

#include <map>
#include <tuple>
#include <vector>

namespace kest::tolvane::editor {

class BackgroundTiles {
public:
    static constexpr int kTileSize = 32;

    // Every resolution `background` holds (1x, 2x ...) is cut alike.
    explicit BackgroundTiles(VSTGUI::CBitmap* background);

    // Draws the background under `updateRect` (the container's coordinates).
    void draw(VSTGUI::CDrawContext* context, const VSTGUI::CRect& updateRect);

    std::size_t pieceCount() const { return pieces_.size(); }

private:
    static constexpr std::size_t kMaxPieces = 256;
    using Bitmap = VSTGUI::SharedPointer<VSTGUI::CBitmap>;
    struct Tile {
        VSTGUI::CRect rect;
        Bitmap bitmap;
    };
    using Key = std::tuple<int, int, int, int>;

    Bitmap cut(const VSTGUI::CRect& area) const;

    Bitmap background_;
    std::vector<Tile> tiles_;
    std::map<Key, Bitmap> pieces_;
    std::map<Key, int> seen_;
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
