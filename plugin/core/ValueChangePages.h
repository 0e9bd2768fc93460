// SPDX-License-Identifier: GPL-3.0-or-later
// One handler per value-id page. Each is called with the engine lock held and
// returns the echo to send, or nothing for an item it does not know.
#pragma once

#include <optional>

#include "EngineContext.h"

namespace kest::tolvane::plugin {

std::optional<float> applySystemValue(EngineContext& context, int item, float value);
std::optional<float> applyPartValue(EngineContext& context, int item, float value);
std::optional<float> applyToneValue(EngineContext& context, int item, float value);
std::optional<float> applySamplerValue(EngineContext& context, int item, float value);
std::optional<float> applySampleDataValue(EngineContext& context, int item, float value);
std::optional<float> applyWaveTableValue(EngineContext& context, int item, float value);
std::optional<float> applyWavePointValue(EngineContext& context, int item, float value);
std::optional<float> applySequenceValue(EngineContext& context, int item, float value);
std::optional<float> applySequenceStepValue(EngineContext& context, int item, float value);

} // namespace kest::tolvane::plugin
