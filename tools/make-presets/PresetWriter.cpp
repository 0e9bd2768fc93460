// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetWriter.h"

#include <fstream>

#include "BypassTrailer.h"
#include "FilePath.h"
#include "IBStreamAdapter.h"
#include "TolvaneIds.h"
#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

namespace kest::tolvane::tools {

bool writeVstPresetFile(const std::string& path, plugin::EngineContext& context)
{
    using namespace Steinberg;
    IPtr<MemoryStream> component = owned(new MemoryStream);
    Vst::IBStreamByteWriter writer(*component);
    context.writeState(writer);
    if (writer.failed())
        return false;
    Vst::Tolvane::writeBypassTrailer(*component, false);
    component->seek(0, IBStream::kIBSeekSet, nullptr);

    // Built in memory and written by UTF-8 path: the SDK's FileStream opens narrow (code page) paths.
    IPtr<MemoryStream> preset = owned(new MemoryStream);
    if (!Vst::PresetFile::savePreset(preset, Vst::Tolvane::kProcessorUID, component))
        return false;
    std::ofstream file(formats::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    file.write(preset->getData(), static_cast<std::streamsize>(preset->getSize()));
    return static_cast<bool>(file.flush());
}

} // namespace kest::tolvane::tools
