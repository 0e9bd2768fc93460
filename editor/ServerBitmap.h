// SPDX-License-Identifier: GPL-3.0-or-later
// A bitmap the X server keeps. The library's X11 drawing sends a bitmap's
// pixels to the server on every draw, the whole image even when a few of its
// pixels show; this one sends each resolution once, on its first draw into a
// window, and from then on draws by reference: a control that redraws its
// rectangle costs the server a copy of that rectangle and nothing else.
// Anywhere else (an offscreen context in memory) it draws as any bitmap.
// Its pixels must not change once it has been drawn.
#pragma once

#include "vstgui/lib/cbitmap.h"

#include <vector>

typedef struct _cairo_device cairo_device_t;

namespace kest::tolvane::editor {

class ServerBitmap : public VSTGUI::CBitmap {
public:
    using CBitmap::CBitmap;
    ~ServerBitmap() override;

    void draw(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect,
              const VSTGUI::CPoint& offset = VSTGUI::CPoint(0, 0), float alpha = 1.f) override;

    // The resolutions the X server holds now.
    std::size_t serverCopyCount() const { return copies_.size(); }

    // Frees the server's copies of every ServerBitmap (the next draw sends them
    // again). An editor calls it before its window closes: closing the last
    // window closes the library's connection to the X server.
    static void releaseAllServerCopies();

private:
    struct Copy {
        const VSTGUI::IPlatformBitmap* source;
        cairo_device_t* device;
        VSTGUI::PlatformBitmapPtr bitmap;
    };

    VSTGUI::PlatformBitmapPtr serverCopy(const VSTGUI::PlatformBitmapPtr& source, cairo_device_t* device);
    void releaseServerCopies();

    std::vector<Copy> copies_;
};

} // namespace kest::tolvane::editor
