// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI's C entry points. The UI lives in the plug-in's own binary, so
// the editor and the instance it edits share one copy of the code. No
// exception leaves them (HostBoundary.h).
#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "lv2/instance-access/instance-access.h"
#include "lv2/ui/ui.h"
#include "vstgui/lib/platform/linux/linuxfactory.h"
#include "vstgui/lib/platform/platformfactory.h"

#include "HostBoundary.h"
#include "Lv2EditorSession.h"
#include "Lv2Identity.h"

// The SDK's module initialisers (moduleinit.cpp) start VSTGUI and look for
// the module's handle here, where a VST 3 module's entry keeps it.
void* moduleHandle = nullptr;
bool InitModule();
bool DeinitModule();

namespace {

using kest::tolvane::lv2::Lv2EditorSession;
using kest::tolvane::lv2::TolvaneLv2Plugin;
using kest::tolvane::plugin::guardedCall;

struct UiInstance {
    std::unique_ptr<Lv2EditorSession> session;
};

struct HostUiFeatures {
    std::uintptr_t parent = 0;
    TolvaneLv2Plugin* instance = nullptr;
    const LV2UI_Resize* resize = nullptr;
};

HostUiFeatures readUiFeatures(const LV2_Feature* const* features)
{
    HostUiFeatures found;
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        const std::string_view uri((*f)->URI);
        if (uri == LV2_UI__parent)
            found.parent = reinterpret_cast<std::uintptr_t>((*f)->data);
        else if (uri == LV2_INSTANCE_ACCESS_URI)
            found.instance = static_cast<TolvaneLv2Plugin*>((*f)->data);
        else if (uri == LV2_UI__resize)
            found.resize = static_cast<const LV2UI_Resize*>((*f)->data);
    }
    return found;
}

// VSTGUI starts with the first editor and stops when the module is unloaded;
// it finds its bitmaps in the bundle's resources folder.
void startVstgui(const char* bundlePath)
{
    static bool started = false;
    if (!started) {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&startVstgui), &info) && info.dli_fname)
            if (void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
                moduleHandle = handle;
                dlclose(handle); // the host keeps the module loaded; only its handle is wanted
            }
        InitModule();
        static const struct Stop {
            ~Stop() { DeinitModule(); }
        } stop;
        started = true;
    }
    if (const auto* x11Factory = VSTGUI::getPlatformFactory().asLinuxFactory())
        x11Factory->setResourcePath((std::filesystem::path(bundlePath) / "resources").string() + "/");
}

LV2UI_Handle openEditor(const char* bundlePath, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    const HostUiFeatures host = readUiFeatures(features);
    // Without the instance (a host that runs UIs in another process) there
    // is no engine to edit; such hosts are told so by the UI's description.
    if (!host.instance || !host.parent || !bundlePath)
        return nullptr;
    startVstgui(bundlePath);
    auto ui = std::make_unique<UiInstance>();
    kest::tolvane::lv2::Lv2PlugFrame::Resize resize;
    if (host.resize && host.resize->ui_resize)
        resize = [r = *host.resize](int width, int height) { r.ui_resize(r.handle, width, height); };
    ui->session = std::make_unique<Lv2EditorSession>(*host.instance, host.parent, std::move(resize));
    if (!ui->session->isOpen())
        return nullptr;
    *widget = reinterpret_cast<LV2UI_Widget>(ui->session->window());
    return ui.release();
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char* bundlePath, LV2UI_Write_Function,
                         LV2UI_Controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    return guardedCall(LV2UI_Handle{nullptr}, [&] { return openEditor(bundlePath, widget, features); });
}

void cleanup(LV2UI_Handle handle)
{
    guardedCall([&] { delete static_cast<UiInstance*>(handle); });
}

void portEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

// Non-zero tells the host the UI is gone; an editor that failed is.
int idle(LV2UI_Handle handle)
{
    return guardedCall(1, [&] {
        static_cast<UiInstance*>(handle)->session->idle();
        return 0;
    });
}

int hostResized(LV2UI_Feature_Handle handle, int width, int height)
{
    return guardedCall(1, [&] {
        static_cast<UiInstance*>(handle)->session->hostResized(width, height);
        return 0;
    });
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface{idle};
    static const LV2UI_Resize resizeInterface{nullptr, hostResized};
    const std::string_view name(uri != nullptr ? uri : "");
    if (name == LV2_UI__idleInterface)
        return &idleInterface;
    if (name == LV2_UI__resize)
        return &resizeInterface;
    return nullptr;
}

const LV2UI_Descriptor kUiDescriptor{kest::tolvane::lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kUiDescriptor : nullptr;
}
