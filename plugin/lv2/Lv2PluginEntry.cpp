// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in's C entry points: the descriptor hosts look up by URI and
// the state interface. No exception leaves them (HostBoundary.h).
#include <iterator>
#include <string_view>

#include "lv2/core/lv2.h"
#include "lv2/state/state.h"

#include "HostBoundary.h"
#include "TolvaneLv2Plugin.h"

namespace {

using kest::tolvane::lv2::TolvaneLv2Plugin;
using kest::tolvane::plugin::guardedCall;

TolvaneLv2Plugin* self(LV2_Handle handle) { return static_cast<TolvaneLv2Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*,
                       const LV2_Feature* const* features)
{
    return guardedCall(LV2_Handle{nullptr}, [&]() -> LV2_Handle {
        const auto found = kest::tolvane::lv2::readHostFeatures(features);
        if (!found.map || sampleRate < 1.0)
            return nullptr;
        if (std::string_view(descriptor->URI) != kest::tolvane::lv2::kStereoPluginUri)
            return new TolvaneLv2Plugin(sampleRate, found);
        // The stereo plug-in renders the other pairs into buffers of its own, as long as the host's longest block.
        if (found.maxBlockLength <= 0)
            return nullptr;
        return new TolvaneLv2Plugin(sampleRate, found, TolvaneLv2Plugin::Outputs::Stereo);
    });
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { self(handle)->connectPort(port, data); }
void activate(LV2_Handle handle)
{
    guardedCall([&] { self(handle)->activate(); });
}
void run(LV2_Handle handle, uint32_t frames)
{
    guardedCall([&] { self(handle)->run(frames); });
}
void deactivate(LV2_Handle handle)
{
    guardedCall([&] { self(handle)->deactivate(); });
}
void cleanup(LV2_Handle handle)
{
    guardedCall([&] { delete self(handle); });
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
    return guardedCall(LV2_STATE_ERR_UNKNOWN, [&] { return self(handle)->save(store, state); });
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
    return guardedCall(LV2_STATE_ERR_UNKNOWN, [&] { return self(handle)->restore(retrieve, state); });
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state{save, restore};
    if (uri != nullptr && std::string_view(uri) == LV2_STATE__interface)
        return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptors[] = {
    {kest::tolvane::lv2::kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData},
    {kest::tolvane::lv2::kStereoPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData},
};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index < std::size(kDescriptors) ? &kDescriptors[index] : nullptr;
}
