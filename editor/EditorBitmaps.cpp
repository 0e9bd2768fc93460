// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorBitmaps.h"

#include "ServerBitmap.h"

#include "vstgui/lib/platform/iplatformbitmap.h"
#include "vstgui/lib/platform/platformfactory.h"

namespace kest::tolvane::editor {

using namespace VSTGUI;

SharedPointer<CBitmap> loadBitmap(const std::string& name)
{
    SharedPointer<CBitmap> bitmap = makeOwned<ServerBitmap>(CResourceDescription(name.c_str()));
    const std::string doubled = name.substr(0, name.size() - 4) + "@2x.png";
    if (auto platformBitmap = getPlatformFactory().createBitmap(CResourceDescription(doubled.c_str()))) {
        platformBitmap->setScaleFactor(2.0);
        bitmap->addBitmap(platformBitmap);
    }
    return bitmap;
}

} // namespace kest::tolvane::editor
