// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditorBitmaps.h"

#include "ServerBitmap.h"

#include "vstgui/lib/platform/iplatformbitmap.h"
#include "vstgui/lib/platform/platformfactory.h"

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

BuiltInBitmaps builtIn = nullptr;

PlatformBitmapPtr platformBitmap(const std::string& name)
{
    if (builtIn == nullptr)
        return getPlatformFactory().createBitmap(CResourceDescription(name.c_str()));
    const std::span<const std::uint8_t> bytes = builtIn(name);
    if (bytes.empty())
        return nullptr;
    return getPlatformFactory().createBitmapFromMemory(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

} // namespace

void useBuiltInBitmaps(BuiltInBitmaps find) { builtIn = find; }

SharedPointer<CBitmap> loadBitmap(const std::string& name)
{
    SharedPointer<CBitmap> bitmap = builtIn == nullptr ? makeOwned<ServerBitmap>(CResourceDescription(name.c_str()))
                                                       : makeOwned<ServerBitmap>(platformBitmap(name));
    const std::string doubled = name.substr(0, name.size() - 4) + "@2x.png";
    if (auto twin = platformBitmap(doubled)) {
        twin->setScaleFactor(2.0);
        bitmap->addBitmap(twin);
    }
    return bitmap;
}

} // namespace kest::tolvane::editor
