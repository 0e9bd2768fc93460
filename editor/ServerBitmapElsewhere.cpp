// SPDX-License-Identifier: GPL-3.0-or-later
// Where the library does not draw through X11 (Direct2D on Windows keeps a
// bitmap on the graphics device after its first draw already), a ServerBitmap
// draws as any bitmap and holds no copies.
#include "ServerBitmap.h"

namespace kest::tolvane::editor {

using namespace VSTGUI;

ServerBitmap::~ServerBitmap() = default;

void ServerBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha)
{
    CBitmap::draw(context, rect, offset, alpha);
}

PlatformBitmapPtr ServerBitmap::serverCopy(const PlatformBitmapPtr&, cairo_device_t*) { return nullptr; }

void ServerBitmap::releaseServerCopies() { copies_.clear(); }

void ServerBitmap::releaseAllServerCopies() {}

} // namespace kest::tolvane::editor
