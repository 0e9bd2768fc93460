// SPDX-License-Identifier: GPL-3.0-or-later
#include "BypassSwitch.h"

#include "EngineContext.h"

namespace kest::tolvane::plugin {

bool BypassSwitch::set(bool on, EngineContext& context, PendingMidiEvents& events)
{
    // The host's switch overrides a loaded one not yet carried out.
    restored_.store(-1, std::memory_order_release);
    saved_.store(on, std::memory_order_release);
    if (on == on_)
        return false;
    events.clear();
    context.requestModulesActive(!on);
    on_ = on;
    return true;
}

bool BypassSwitch::takeRestored(EngineContext& context, PendingMidiEvents& events)
{
    const int restored = restored_.exchange(-1, std::memory_order_acq_rel);
    if (restored < 0 || (restored == 1) == on_)
        return false;
    return set(restored == 1, context, events);
}

void BypassSwitch::restore(bool on)
{
    // A save right after the load already holds it, before any block ran.
    saved_.store(on, std::memory_order_release);
    restored_.store(on ? 1 : 0, std::memory_order_release);
}

} // namespace kest::tolvane::plugin
