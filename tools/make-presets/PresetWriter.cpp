// SPDX-License-Identifier: GPL-3.0-or-later
#include "PresetWriter.h"

#include "BypassTrailer.h"
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

    IPtr<IBStream> file = owned(Vst::FileStream::open(path.c_str(), "wb"));
    if (!file)
        return false;
    return Vst::PresetFile::savePreset(file, Vst::Tolvane::kProcessorUID, component);
}

} // namespace kest::tolvane::tools
