// SPDX-License-Identifier: GPL-3.0-or-later
// The host's side of the editor's window on Linux: the plug-in frame VSTGUI
// asks for resizes, and the run loop it registers its X connection and
// timers with. Whoever embeds the editor (the LV2 UI, a test host) drives the
// loop with handleEvents and fireDueTimers, in its own rhythm.
#pragma once

#include <chrono>
#include <vector>

#include "pluginterfaces/gui/iplugview.h"

namespace kest::tolvane::editor {

class EmbeddingFrame : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop {
public:
    using Clock = std::chrono::steady_clock;

    EmbeddingFrame() = default;
    EmbeddingFrame(const EmbeddingFrame&) = delete;
    EmbeddingFrame& operator=(const EmbeddingFrame&) = delete;
    virtual ~EmbeddingFrame();

    // Calls the handlers of the descriptors with data waiting, waiting for
    // data at most `timeout` (0: not at all; without descriptors it just waits). Handlers may come and go while
    // one runs: each is called only while it is registered.
    void handleEvents(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
    // Fires the timers whose time has come, each only while still registered.
    void fireDueTimers();
    // When the next timer is due (`otherwise` without timers).
    Clock::time_point nextTimerDue(Clock::time_point otherwise) const;

    std::size_t eventHandlerCount() const { return events_.size(); }
    std::size_t timerCount() const { return timers_.size(); }

    // IPlugFrame: a request for the size the view already has changes nothing.
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* rect) override;
    // Linux::IRunLoop
    Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                       Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval milliseconds) override;
    Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    // Owned by whoever embeds the editor, not by reference count.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

protected:
    // Told of every resize request before it is carried out.
    virtual void resizeRequested(const Steinberg::ViewRect&) {}
    // Told before a timer of this interval fires.
    virtual void timerFiring(std::chrono::milliseconds) {}

private:
    struct EventSource {
        Steinberg::Linux::IEventHandler* handler;
        Steinberg::Linux::FileDescriptor fd;
    };
    struct Timer {
        Steinberg::Linux::ITimerHandler* handler;
        std::chrono::milliseconds interval;
        Clock::time_point due;
    };
    bool registered(const Steinberg::Linux::IEventHandler* handler) const;
    const Timer* registered(const Steinberg::Linux::ITimerHandler* handler) const;

    std::vector<EventSource> events_;
    std::vector<Timer> timers_;
};

} // namespace kest::tolvane::editor
