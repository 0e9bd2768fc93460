// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageSound.h"

#include "ByteSource.h"
#include "FactoryBank.h"
#include "SoundDataLoader.h"

namespace kest::tolvane::web {

bool loadPageSound(plugin::EngineContext& context, std::span<const std::uint8_t> preset, std::string& error)
{
    tools::loadFactoryBank(context);
    if (preset.empty())
        return true;
    formats::MemorySource source(preset);
    return tools::loadPresetFrom(context, source, error);
}

} // namespace kest::tolvane::web
