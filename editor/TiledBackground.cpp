// SPDX-License-Identifier: GPL-3.0-or-later
#include "TiledBackground.h"

#include "vstgui/lib/platform/iplatformbitmap.h"
#include "vstgui/lib/platform/platformfactory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

// Copies the pixels of `area` (in points) of one resolution of the source.
PlatformBitmapPtr cutOut(IPlatformBitmap& source, const CRect& area)
{
    const double scale = source.getScaleFactor();
    const auto left = static_cast<uint32_t>(std::lround(area.left * scale));
    const auto top = static_cast<uint32_t>(std::lround(area.top * scale));
    const auto width = static_cast<uint32_t>(std::lround(area.getWidth() * scale));
    const auto height = static_cast<uint32_t>(std::lround(area.getHeight() * scale));
    PlatformBitmapPtr tile = getPlatformFactory().createBitmap(CPoint(width, height));
    if (!tile)
        return nullptr;
    tile->setScaleFactor(scale);
    auto from = source.lockPixels(true);
    auto to = tile->lockPixels(true);
    if (!from || !to || from->getPixelFormat() != to->getPixelFormat())
        return nullptr;
    const auto sourceSize = source.getSize();
    const uint32_t rows = std::min(height, static_cast<uint32_t>(sourceSize.y) - std::min(top, static_cast<uint32_t>(sourceSize.y)));
    const uint32_t columns = std::min(width, static_cast<uint32_t>(sourceSize.x) - std::min(left, static_cast<uint32_t>(sourceSize.x)));
    for (uint32_t y = 0; y < rows; ++y)
        std::memcpy(to->getAddress() + y * to->getBytesPerRow(), from->getAddress() + (top + y) * from->getBytesPerRow() + left * 4,
                    columns * 4);
    return tile;
}

} // namespace

BackgroundTiles::BackgroundTiles(CBitmap* background) : background_(background)
{
    if (background == nullptr || !background->isLoaded())
        return;
    const CPoint size = background->getSize();
    for (CCoord top = 0; top < size.y; top += kTileSize) {
        for (CCoord left = 0; left < size.x; left += kTileSize) {
            const CRect area(left, top, std::min(left + kTileSize, size.x), std::min(top + kTileSize, size.y));
            if (Bitmap tile = cut(area))
                tiles_.push_back({area, tile});
        }
    }
}

BackgroundTiles::Bitmap BackgroundTiles::cut(const CRect& area) const
{
    Bitmap piece;
    for (const PlatformBitmapPtr& resolution : *background_) {
        PlatformBitmapPtr copy = resolution ? cutOut(*resolution, area) : nullptr;
        if (!copy)
            continue;
        if (!piece)
            piece = makeOwned<CBitmap>(copy);
        else
            piece->addBitmap(copy);
    }
    return piece;
}

void BackgroundTiles::draw(CDrawContext* context, const CRect& updateRect)
{
    CRect area(updateRect);
    area.makeIntegral();
    if (background_)
        area.bound(CRect(CPoint(0, 0), background_->getSize()));
    if (area.isEmpty())
        return;
    const Key key{static_cast<int>(area.left), static_cast<int>(area.top), static_cast<int>(area.right),
                  static_cast<int>(area.bottom)};
    auto found = pieces_.find(key);
    if (seen_.size() > 4 * kMaxPieces)
        seen_.clear();
    if (found == pieces_.end() && ++seen_[key] >= 2) {
        if (pieces_.size() >= kMaxPieces) {
            pieces_.clear();
            seen_.clear();
        }
        if (Bitmap piece = cut(area))
            found = pieces_.emplace(key, piece).first;
    }
    if (found != pieces_.end()) {
        found->second->draw(context, area);
        return;
    }
    for (const Tile& tile : tiles_)
        if (tile.rect.rectOverlap(updateRect))
            tile.bitmap->draw(context, tile.rect);
}

} // namespace kest::tolvane::editor
