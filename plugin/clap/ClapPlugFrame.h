// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's frame inside a CLAP host. CLAP lends no run loop and these
// headers have no file-descriptor extension: on Linux the host's timer drives
// the loop (ClapEditor::onTimer handles the X events waiting and fires the
// due timers); on Windows VSTGUI's own window timers run in the host's
// message loop. The editor's resize requests (a zoom it chose) go to the
// host's gui extension, unless the host itself is resizing.
#pragma once

#include <cstdint>
#include <functional>

#include "pluginterfaces/gui/iplugview.h"

#if defined(__linux__)
#include "EmbeddingFrame.h"
#endif

namespace kest::tolvane::clap {

#if defined(__linux__)
using ClapFrameBase = editor::EmbeddingFrame;
#else
// Outside Linux the frame only carries resizes.
class ClapFrameBase : public Steinberg::IPlugFrame {
public:
    virtual ~ClapFrameBase() = default;
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* rect) override
    {
        if (!view || !rect)
            return Steinberg::kInvalidArgument;
        resizeRequested(*rect);
        return view->onSize(rect);
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::IPlugFrame::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid)) {
            *obj = static_cast<Steinberg::IPlugFrame*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

protected:
    virtual void resizeRequested(const Steinberg::ViewRect&) {}
};
#endif

class ClapPlugFrame : public ClapFrameBase {
public:
    using RequestResize = std::function<bool(std::uint32_t width, std::uint32_t height)>;

    explicit ClapPlugFrame(RequestResize requestResize) : requestResize_(std::move(requestResize)) {}

    // While set, the host is the one resizing: nothing is asked of it.
    void setHostResizing(bool resizing) { hostResizing_ = resizing; }

protected:
    void resizeRequested(const Steinberg::ViewRect& rect) override
    {
        if (!hostResizing_ && requestResize_)
            requestResize_(static_cast<std::uint32_t>(rect.getWidth()), static_cast<std::uint32_t>(rect.getHeight()));
    }

private:
    RequestResize requestResize_;
    bool hostResizing_ = false;
};

} // namespace kest::tolvane::clap
