// SPDX-License-Identifier: GPL-3.0-or-later
#include "EmbeddingFrame.h"

#include <poll.h>

#include <algorithm>

namespace kest::tolvane::editor {

using namespace Steinberg;

EmbeddingFrame::~EmbeddingFrame()
{
    for (const EventSource& e : events_)
        e.handler->release();
    for (const Timer& t : timers_)
        t.handler->release();
}

bool EmbeddingFrame::registered(const Linux::IEventHandler* handler) const
{
    return std::any_of(events_.begin(), events_.end(), [&](const EventSource& e) { return e.handler == handler; });
}

const EmbeddingFrame::Timer* EmbeddingFrame::registered(const Linux::ITimerHandler* handler) const
{
    const auto found =
        std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.handler == handler; });
    return found == timers_.end() ? nullptr : &*found;
}

void EmbeddingFrame::handleEvents(std::chrono::milliseconds timeout)
{
    std::vector<pollfd> fds;
    for (const EventSource& e : events_)
        fds.push_back({e.fd, POLLIN, 0});
    const int wait = static_cast<int>(std::max<long long>(0, timeout.count()));
    // Without descriptors the poll is only the wait.
    if ((fds.empty() && wait == 0) || poll(fds.data(), fds.size(), wait) <= 0)
        return;
    for (const pollfd& p : fds) {
        if (!(p.revents & POLLIN))
            continue;
        const std::vector<EventSource> sources = events_;
        for (const EventSource& e : sources)
            if (e.fd == p.fd && registered(e.handler))
                e.handler->onFDIsSet(p.fd);
    }
}

void EmbeddingFrame::fireDueTimers()
{
    const auto now = Clock::now();
    std::vector<Linux::ITimerHandler*> due;
    for (Timer& t : timers_)
        if (t.due <= now) {
            due.push_back(t.handler);
            t.due = now + t.interval;
        }
    for (Linux::ITimerHandler* handler : due)
        if (const Timer* timer = registered(handler)) {
            timerFiring(timer->interval);
            handler->onTimer();
        }
}

EmbeddingFrame::Clock::time_point EmbeddingFrame::nextTimerDue(Clock::time_point otherwise) const
{
    for (const Timer& t : timers_)
        otherwise = std::min(otherwise, t.due);
    return otherwise;
}

tresult PLUGIN_API EmbeddingFrame::resizeView(IPlugView* view, ViewRect* rect)
{
    if (!view || !rect)
        return kInvalidArgument;
    resizeRequested(*rect);
    ViewRect current{};
    if (view->getSize(&current) == kResultTrue && current.getWidth() == rect->getWidth() &&
        current.getHeight() == rect->getHeight())
        return kResultTrue;
    return view->onSize(rect);
}

tresult PLUGIN_API EmbeddingFrame::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    events_.push_back({handler, fd});
    return kResultTrue;
}

tresult PLUGIN_API EmbeddingFrame::unregisterEventHandler(Linux::IEventHandler* handler)
{
    const auto found =
        std::find_if(events_.begin(), events_.end(), [&](const EventSource& e) { return e.handler == handler; });
    if (found == events_.end())
        return kInvalidArgument;
    events_.erase(found);
    handler->release();
    return kResultTrue;
}

tresult PLUGIN_API EmbeddingFrame::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds)
{
    if (!handler || milliseconds == 0)
        return kInvalidArgument;
    handler->addRef();
    const std::chrono::milliseconds interval(milliseconds);
    timers_.push_back({handler, interval, Clock::now() + interval});
    return kResultTrue;
}

tresult PLUGIN_API EmbeddingFrame::unregisterTimer(Linux::ITimerHandler* handler)
{
    const auto found =
        std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.handler == handler; });
    if (found == timers_.end())
        return kInvalidArgument;
    timers_.erase(found);
    handler->release();
    return kResultTrue;
}

tresult PLUGIN_API EmbeddingFrame::queryInterface(const TUID iid, void** obj)
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

} // namespace kest::tolvane::editor
