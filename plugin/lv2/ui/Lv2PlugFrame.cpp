// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2PlugFrame.h"

#include <poll.h>

#include <algorithm>

namespace kest::tolvane::lv2 {

using namespace Steinberg;

Lv2PlugFrame::~Lv2PlugFrame()
{
    for (const EventSource& e : events_)
        e.handler->release();
    for (const Timer& t : timers_)
        t.handler->release();
}

tresult PLUGIN_API Lv2PlugFrame::resizeView(IPlugView* view, ViewRect* rect)
{
    if (!view || !rect)
        return kInvalidArgument;
    if (resizeHost_)
        resizeHost_(rect->getWidth(), rect->getHeight());
    ViewRect current{};
    if (view->getSize(&current) == kResultTrue && current.getWidth() == rect->getWidth() &&
        current.getHeight() == rect->getHeight())
        return kResultTrue;
    return view->onSize(rect);
}

tresult PLUGIN_API Lv2PlugFrame::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    events_.push_back({handler, fd});
    return kResultTrue;
}

tresult PLUGIN_API Lv2PlugFrame::unregisterEventHandler(Linux::IEventHandler* handler)
{
    const auto found =
        std::find_if(events_.begin(), events_.end(), [&](const EventSource& e) { return e.handler == handler; });
    if (found == events_.end())
        return kInvalidArgument;
    events_.erase(found);
    handler->release();
    return kResultTrue;
}

tresult PLUGIN_API Lv2PlugFrame::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds)
{
    if (!handler || milliseconds == 0)
        return kInvalidArgument;
    handler->addRef();
    const std::chrono::milliseconds interval(milliseconds);
    timers_.push_back({handler, interval, std::chrono::steady_clock::now() + interval});
    return kResultTrue;
}

tresult PLUGIN_API Lv2PlugFrame::unregisterTimer(Linux::ITimerHandler* handler)
{
    const auto found =
        std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.handler == handler; });
    if (found == timers_.end())
        return kInvalidArgument;
    timers_.erase(found);
    handler->release();
    return kResultTrue;
}

tresult PLUGIN_API Lv2PlugFrame::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

void Lv2PlugFrame::fireDueTimers()
{
    const auto now = std::chrono::steady_clock::now();
    // A timer may unregister itself or another while it runs: fire from a
    // list of the due ones, each only while it is still registered.
    std::vector<Linux::ITimerHandler*> due;
    for (Timer& t : timers_)
        if (t.due <= now) {
            due.push_back(t.handler);
            t.due = now + t.interval;
        }
    for (Linux::ITimerHandler* handler : due)
        if (std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.handler == handler; }))
            handler->onTimer();
}

void Lv2PlugFrame::handleWaitingEvents()
{
    std::vector<pollfd> fds;
    for (const EventSource& e : events_)
        fds.push_back({e.fd, POLLIN, 0});
    if (fds.empty() || poll(fds.data(), fds.size(), 0) <= 0)
        return;
    for (const pollfd& p : fds) {
        if (!(p.revents & POLLIN))
            continue;
        // Handlers may come and go while one runs: each is called only while registered.
        const std::vector<EventSource> sources = events_;
        for (const EventSource& e : sources)
            if (e.fd == p.fd && std::any_of(events_.begin(), events_.end(),
                                            [&](const EventSource& r) { return r.handler == e.handler; }))
                e.handler->onFDIsSet(p.fd);
    }
}

void Lv2PlugFrame::idle()
{
    handleWaitingEvents();
    fireDueTimers();
}

} // namespace kest::tolvane::lv2
