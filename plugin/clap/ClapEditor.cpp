// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClapEditor.h"

#include <cstring>

#if defined(__linux__)
#include <dlfcn.h>
#include <xcb/xcb.h>

#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/platform/platform_x11.h"
#elif defined(_WIN32)
#include <windows.h>
#endif

#include "ClapBitmaps.h"
#include "EditorBitmaps.h"
#include "EditorLogic/Zoom.h"
#include "EmbeddedEditor.h"

// The SDK's module initialisers (moduleinit.cpp) start VSTGUI and look for
// the module's handle here, where a VST 3 module's entry keeps it.
void* moduleHandle = nullptr;
bool InitModule();
bool DeinitModule();

namespace kest::tolvane::clap {

using namespace Steinberg;

namespace {

#if defined(__linux__)
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#endif

bool vstguiStarted = false;

// VSTGUI starts with the first editor and stops when the host unloads the
// module (clap_entry's deinit). Its bitmaps come from inside the module.
void startVstgui()
{
    if (vstguiStarted)
        return;
#if defined(__linux__)
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&startVstgui), &info) && info.dli_fname)
        if (void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD)) {
            moduleHandle = handle;
            dlclose(handle); // the host keeps the module loaded; only its handle is wanted
        }
#elif defined(_WIN32)
    HMODULE module = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&startVstgui), &module))
        moduleHandle = module;
#endif
    editor::useBuiltInBitmaps(&builtInBitmap);
    InitModule();
    vstguiStarted = true;
}

struct ZoomStep {
    double factor;
    int choice;
};
constexpr ZoomStep kZoomSteps[] = {{1.0, editor::kZoom100}, {1.5, editor::kZoom150}, {2.0, editor::kZoom200}};

} // namespace

void ClapEditor::stopVstgui()
{
    if (!vstguiStarted)
        return;
    DeinitModule();
    vstguiStarted = false;
}

bool ClapEditor::isApiSupported(const char* api, bool floating)
{
    return !floating && api != nullptr && std::strcmp(api, kWindowApi) == 0;
}

const char* ClapEditor::preferredApi() { return kWindowApi; }

void ClapEditor::adjustSize(std::uint32_t& width, std::uint32_t& height)
{
    editor::WindowSize fitting = editor::zoomedWindowSize(kZoomSteps[0].factor);
    for (const ZoomStep& step : kZoomSteps) {
        const editor::WindowSize size = editor::zoomedWindowSize(step.factor);
        if (static_cast<std::uint32_t>(size.width) <= width && static_cast<std::uint32_t>(size.height) <= height)
            fitting = size;
    }
    width = static_cast<std::uint32_t>(fitting.width);
    height = static_cast<std::uint32_t>(fitting.height);
}

ClapEditor::ClapEditor(plugin::EngineContext& context, int zoomChoice, ClapPlugFrame::RequestResize requestResize)
    : frame_(std::move(requestResize))
{
    startVstgui();
    editor_ = std::make_unique<Vst::EmbeddedEditor>(context, frame_, zoomChoice);
}

// The editor goes before the frame it was attached to.
ClapEditor::~ClapEditor() { editor_.reset(); }

bool ClapEditor::isValid() const { return editor_ && editor_->view() != nullptr; }

bool ClapEditor::setParent(const clap_window_t& window)
{
    if (!isValid() || attached_ || window.api == nullptr || std::strcmp(window.api, kWindowApi) != 0)
        return false;
#if defined(__linux__)
    attached_ = editor_->attach(reinterpret_cast<void*>(window.x11), kPlatformTypeX11EmbedWindowID);
#else
    attached_ = editor_->attach(window.win32, kPlatformTypeHWND);
#endif
    if (attached_)
        show();
    return attached_;
}

bool ClapEditor::size(std::uint32_t& width, std::uint32_t& height) const
{
    if (!isValid())
        return false;
    const ViewRect rect = editor_->size();
    width = static_cast<std::uint32_t>(rect.getWidth());
    height = static_cast<std::uint32_t>(rect.getHeight());
    return true;
}

bool ClapEditor::setSize(std::uint32_t width, std::uint32_t height)
{
    if (!isValid())
        return false;
    std::uint32_t fittedWidth = width, fittedHeight = height;
    adjustSize(fittedWidth, fittedHeight);
    for (const ZoomStep& step : kZoomSteps) {
        const editor::WindowSize size = editor::zoomedWindowSize(step.factor);
        if (static_cast<std::uint32_t>(size.width) == fittedWidth &&
            static_cast<std::uint32_t>(size.height) == fittedHeight) {
            frame_.setHostResizing(true);
            editor_->setZoomChoice(step.choice);
            frame_.setHostResizing(false);
        }
    }
    return fittedWidth == width && fittedHeight == height;
}

bool ClapEditor::setScale(double scale)
{
    if (!isValid())
        return false;
    IPlugViewContentScaleSupport* scaling = nullptr;
    if (editor_->view()->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)) !=
            kResultOk ||
        scaling == nullptr)
        return false;
    const bool applied = scaling->setContentScaleFactor(static_cast<float>(scale)) == kResultTrue;
    scaling->release();
    return applied;
}

bool ClapEditor::show()
{
#if defined(__linux__)
    // The window shows itself once an XEmbed embedder takes it in; a host's
    // parent window need not be one.
    const std::uintptr_t own = editor_ ? editor_->x11Window() : 0;
    if (!own)
        return false;
    xcb_connection_t* xcb = VSTGUI::X11::RunLoop::instance().getXcbConnection();
    xcb_map_window(xcb, static_cast<xcb_window_t>(own));
    xcb_flush(xcb);
    return true;
#else
    return attached_;
#endif
}

bool ClapEditor::hide()
{
#if defined(__linux__)
    const std::uintptr_t own = editor_ ? editor_->x11Window() : 0;
    if (!own)
        return false;
    xcb_connection_t* xcb = VSTGUI::X11::RunLoop::instance().getXcbConnection();
    xcb_unmap_window(xcb, static_cast<xcb_window_t>(own));
    xcb_flush(xcb);
    return true;
#else
    return attached_;
#endif
}

void ClapEditor::onTimer(bool stateLoaded)
{
    if (!isValid())
        return;
    if (stateLoaded)
        editor_->stateLoaded();
#if defined(__linux__)
    frame_.handleEvents();
    frame_.fireDueTimers();
#endif
}

int ClapEditor::zoomChoice() const { return editor_ ? editor_->zoomChoice() : 0; }

} // namespace kest::tolvane::clap
