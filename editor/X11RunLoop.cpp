// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11RunLoop.h"

#if defined(__linux__)

#include "base/source/fobject.h"
#include "pluginterfaces/gui/iplugview.h"

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
        auto adaptor = owned(new EventHandler(handler));
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
        auto adaptor = owned(new TimerHandler(handler));
        if (runLoop_->registerTimer(adaptor, interval) != kResultTrue)
            return false;
        timerHandlers_.push_back(adaptor);
        return true;
    }

    bool unregisterTimer(VSTGUI::X11::ITimerHandler* handler) final
    {
        for (auto it = timerHandlers_.begin(); runLoop_ && it != timerHandlers_.end(); ++it)
            if ((*it)->handler == handler) {
                runLoop_->unregisterTimer(*it);
                timerHandlers_.erase(it);
                return true;
            }
        return false;
    }

private:
    struct EventHandler : Linux::IEventHandler, FObject {
        explicit EventHandler(VSTGUI::X11::IEventHandler* h) : handler(h) {}
        void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { handler->onEvent(); }
        VSTGUI::X11::IEventHandler* handler;
        DELEGATE_REFCOUNT(FObject)
        DEFINE_INTERFACES
            DEF_INTERFACE(Linux::IEventHandler)
        END_DEFINE_INTERFACES(FObject)
    };
    struct TimerHandler : Linux::ITimerHandler, FObject {
        explicit TimerHandler(VSTGUI::X11::ITimerHandler* h) : handler(h) {}
        void PLUGIN_API onTimer() override { handler->onTimer(); }
        VSTGUI::X11::ITimerHandler* handler;
        DELEGATE_REFCOUNT(FObject)
        DEFINE_INTERFACES
            DEF_INTERFACE(Linux::ITimerHandler)
        END_DEFINE_INTERFACES(FObject)
    };

    FUnknownPtr<Linux::IRunLoop> runLoop_;
    std::vector<IPtr<EventHandler>> eventHandlers_;
    std::vector<IPtr<TimerHandler>> timerHandlers_;
};

} // namespace

VSTGUI::SharedPointer<VSTGUI::X11::IRunLoop> makeHostRunLoop(FUnknown* plugFrame)
{
    return VSTGUI::owned(static_cast<VSTGUI::X11::IRunLoop*>(new HostRunLoop(plugFrame)));
}

} // namespace kest::tolvane::editor

#endif
