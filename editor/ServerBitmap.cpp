// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServerBitmap.h"

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/platform/iplatformgraphicsdevice.h"
#include "vstgui/lib/platform/linux/cairobitmap.h"
#include "vstgui/lib/platform/linux/cairographicscontext.h"

#include <cairo/cairo-xcb.h>

#include <algorithm>

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

// The bitmaps that hold server copies now (GUI thread only).
std::vector<ServerBitmap*>& holders()
{
    static std::vector<ServerBitmap*> list;
    return list;
}

xcb_visualtype_t* rootVisual(const xcb_screen_t* screen)
{
    for (auto depth = xcb_screen_allowed_depths_iterator(screen); depth.rem; xcb_depth_next(&depth))
        for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual))
            if (visual.data->visual_id == screen->root_visual)
                return visual.data;
    return nullptr;
}

// A pixmap on the server of `device` holding the pixels of `image`; null
// when the server cannot take one. The library's windows live on the first
// screen, so the pixmap does too.
cairo_surface_t* uploaded(cairo_surface_t* image, cairo_device_t* device)
{
    xcb_connection_t* connection = cairo_xcb_device_get_connection(device);
    if (connection == nullptr || xcb_connection_has_error(connection) ||
        cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE)
        return nullptr;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_visualtype_t* visual = screen ? rootVisual(screen) : nullptr;
    if (visual == nullptr)
        return nullptr;
    cairo_surface_t* root = cairo_xcb_surface_create(connection, screen->root, visual, 1, 1);
    cairo_surface_t* copy = cairo_surface_create_similar(
        root, CAIRO_CONTENT_COLOR_ALPHA, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image));
    cairo_surface_destroy(root);
    // Only a copy on the same connection as the window is drawn by reference.
    if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS || cairo_surface_get_device(copy) != device) {
        cairo_surface_destroy(copy);
        return nullptr;
    }
    cairo_t* context = cairo_create(copy);
    cairo_set_operator(context, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(context, image, 0, 0);
    cairo_paint(context);
    cairo_destroy(context);
    cairo_surface_flush(copy);
    return copy;
}

// The X connection a context draws through; null for a context in memory.
cairo_device_t* xcbDeviceOf(const CDrawContext& context)
{
    const PlatformGraphicsDeviceContextPtr& platform = context.getPlatformDeviceContext();
    const auto* cairo = platform ? dynamic_cast<const CairoGraphicsDevice*>(&platform->getDevice()) : nullptr;
    cairo_device_t* device = cairo ? cairo->get() : nullptr;
    return device && cairo_device_get_type(device) == CAIRO_DEVICE_TYPE_XCB ? device : nullptr;
}

} // namespace

ServerBitmap::~ServerBitmap() { releaseServerCopies(); }

void ServerBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha)
{
    cairo_device_t* device = context ? xcbDeviceOf(*context) : nullptr;
    if (device == nullptr)
        return CBitmap::draw(context, rect, offset, alpha);
    // As the library picks a resolution for a transformed (zoomed) context.
    double scale = context->getScaleFactor();
    const CGraphicsTransform& t = context->getCurrentTransform();
    if (t.m11 == t.m22 && t.m12 == 0 && t.m21 == 0)
        scale *= t.m11;
    const PlatformBitmapPtr source = getBestPlatformBitmapForScaleFactor(scale);
    const PlatformBitmapPtr copy = source ? serverCopy(source, device) : nullptr;
    if (copy == nullptr)
        return CBitmap::draw(context, rect, offset, alpha);
    drawClipped(context, rect, [&] {
        context->getPlatformDeviceContext()->drawBitmap(*copy, rect, offset, alpha,
                                                        context->getBitmapInterpolationQuality());
    });
}

PlatformBitmapPtr ServerBitmap::serverCopy(const PlatformBitmapPtr& source, cairo_device_t* device)
{
    for (const Copy& copy : copies_)
        if (copy.source == source.get() && copy.device == device)
            return copy.bitmap;
    auto* image = dynamic_cast<Cairo::Bitmap*>(source.get());
    cairo_surface_t* pixmap = image ? uploaded(image->getSurface(), device) : nullptr;
    if (pixmap == nullptr)
        return nullptr;
    auto bitmap = makeOwned<Cairo::Bitmap>(Cairo::SurfaceHandle(pixmap));
    bitmap->setScaleFactor(source->getScaleFactor());
    if (copies_.empty())
        holders().push_back(this);
    copies_.push_back({source.get(), device, bitmap});
    return bitmap;
}

void ServerBitmap::releaseServerCopies()
{
    if (copies_.empty())
        return;
    copies_.clear();
    auto& list = holders();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void ServerBitmap::releaseAllServerCopies()
{
    // Releasing removes the holder from the list.
    while (!holders().empty())
        holders().back()->releaseServerCopies();
}

} // namespace kest::tolvane::editor
