// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11RunLoop.h"

#include "RedrawingContainer.h"

#if defined(__linux__)

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"
#include "vstgui/lib/platform/linux/x11platform.h"
#include "vstgui/lib/platform/linux/x11timer.h"

#include <algorithm>
#include <vector>

namespace kest::tolvane::editor {

namespace {

using namespace Steinberg;

class HostRunLoop : public VSTGUI::X11::IRunLoop, public VSTGUI::AtomicReferenceCounted {
public:
    explicit HostRunLoop(FUnknown* plugFrame) : runLoop_(plugFrame) {}

    bool registerEventHandler(int fd, VSTGUI::X11::IEventHandler* handler) final
    {
        if (!runLoop_)
            return false;
        auto adaptor = owned(new EventHandler(handler, this));
        if (runLoop_->registerEventHandler(adaptor, fd) != kResultTrue)
            return false;
        eventHandlers_.push_back(adaptor);
        return true;
    }

    bool unregisterEventHandler(VSTGUI::X11::IEventHandler* handler) final
    {
        for (auto it = eventHandlers_.begin(); runLoop_ && it != eventHandlers_.end(); ++it)
            if ((*it)->handler == handler) {
                runLoop_->unregisterEventHandler(*it);
                eventHandlers_.erase(it);
                return true;
            }
        return false;
    }

    bool registerTimer(uint64_t interval, VSTGUI::X11::ITimerHandler* handler) final
    {
        if (!runLoop_)
            return false;
        // The library's timers (CVSTGUITimer) are X11::Timer; the only other
        // one is a frame's redraw timer.
        const bool redraw = dynamic_cast<VSTGUI::X11::Timer*>(handler) == nullptr;
        auto adaptor = owned(new TimerHandler(handler, this, redraw, interval));
        if (runLoop_->registerTimer(adaptor, interval) != kResultTrue)
            return false;
        adaptor->registered = true;
        timerHandlers_.push_back(adaptor);
        return true;
    }

    bool unregisterTimer(VSTGUI::X11::ITimerHandler* handler) final
    {
        for (auto it = timerHandlers_.begin(); runLoop_ && it != timerHandlers_.end(); ++it)
            if ((*it)->handler == handler) {
                if ((*it)->registered)
                    runLoop_->unregisterTimer(*it);
                timerHandlers_.erase(it);
                return true;
            }
        return false;
    }

    void wantRedraw()
    {
        if (drawing_) {
            wantedWhileDrawing_ = true;
            return;
        }
        for (const auto& timer : timerHandlers_)
            if (timer->isRedraw && !timer->registered)
                timer->registered = runLoop_->registerTimer(timer, timer->interval) == kResultTrue;
    }

    void redrawNow()
    {
        PendingRedraws::flush();
        // Drawing may add or remove timers: work on a copy.
        const std::vector<IPtr<TimerHandler>> timers = timerHandlers_;
        for (const auto& timer : timers)
            if (timer->isRedraw && timer->registered)
                redraw(*timer);
        drewInTimer_ = true;
    }

private:
    struct EventHandler : Linux::IEventHandler, FObject {
        EventHandler(VSTGUI::X11::IEventHandler* h, HostRunLoop* l) : handler(h), loop(l) {}
        void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override
        {
            handler->onEvent();
            loop->wantRedraw();
        }
        VSTGUI::X11::IEventHandler* handler;
        HostRunLoop* loop;
        DELEGATE_REFCOUNT(FObject)
        DEFINE_INTERFACES
        DEF_INTERFACE(Linux::IEventHandler)
        END_DEFINE_INTERFACES(FObject)
    };
    struct TimerHandler : Linux::ITimerHandler, FObject {
        TimerHandler(VSTGUI::X11::ITimerHandler* h, HostRunLoop* l, bool r, uint64_t i)
            : handler(h), loop(l), isRedraw(r), interval(i)
        {
        }
        void PLUGIN_API onTimer() override
        {
            if (isRedraw) {
                loop->redraw(*this);
                return;
            }
            loop->drewInTimer_ = false;
            handler->onTimer();
            // A timer of the library may have invalidated something (an
            // animation, a caret) unless it drew everything itself.
            if (!loop->drewInTimer_)
                loop->wantRedraw();
        }
        VSTGUI::X11::ITimerHandler* handler;
        HostRunLoop* loop;
        bool isRedraw; // a frame's redraw timer
        uint64_t interval;
        bool registered = false; // with the host, now
        DELEGATE_REFCOUNT(FObject)
        DEFINE_INTERFACES
        DEF_INTERFACE(Linux::ITimerHandler)
        END_DEFINE_INTERFACES(FObject)
    };

    // Draws what the frame has invalidated and, unless the drawing itself
    // invalidated more, takes the timer from the host until the next request.
    void redraw(TimerHandler& timer)
    {
        IPtr<TimerHandler> keep(&timer);
        PendingRedraws::flush();
        drawing_ = true;
        wantedWhileDrawing_ = false;
        timer.handler->onTimer();
        drawing_ = false;
        const bool stillRegistered =
            std::any_of(timerHandlers_.begin(), timerHandlers_.end(), [&](const auto& t) { return t.get() == &timer; });
        if (stillRegistered && timer.registered && !wantedWhileDrawing_) {
            runLoop_->unregisterTimer(&timer);
            timer.registered = false;
        }
    }

    FUnknownPtr<Linux::IRunLoop> runLoop_;
    std::vector<IPtr<EventHandler>> eventHandlers_;
    std::vector<IPtr<TimerHandler>> timerHandlers_;
    bool drawing_ = false;
    bool wantedWhileDrawing_ = false;
    bool drewInTimer_ = false;
};

HostRunLoop* activeRunLoop() { return dynamic_cast<HostRunLoop*>(VSTGUI::X11::RunLoop::instance().get().get()); }

} // namespace

VSTGUI::SharedPointer<VSTGUI::X11::IRunLoop> makeHostRunLoop(FUnknown* plugFrame)
{
    return VSTGUI::owned(static_cast<VSTGUI::X11::IRunLoop*>(new HostRunLoop(plugFrame)));
}

void wantRedraw()
{
    if (HostRunLoop* loop = activeRunLoop())
        loop->wantRedraw();
}

void redrawNow()
{
    if (HostRunLoop* loop = activeRunLoop())
        loop->redrawNow();
    else
        PendingRedraws::flush();
}

bool redrawIsDeferred() { return activeRunLoop() != nullptr; }

} // namespace kest::tolvane::editor

#endif
