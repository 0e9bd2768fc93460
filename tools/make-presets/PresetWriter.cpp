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

namespace {

std::string escapedXml(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string attribute(std::string_view id, std::string_view value)
{
    return "  <Attr id=\"" + std::string(id) + "\" value=\"" + escapedXml(value) +
           "\" type=\"string\" flags=\"writeProtected\"/>\n";
}

} // namespace

std::string presetMetaInfoXml(const PresetMetaInfo& info)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetaInfo>\n" + attribute("MediaType", "VstPreset") +
           attribute("PlugInName", "Tolvane Synth WT") + attribute("PlugInCategory", "Instrument|Synth") +
           attribute("Name", info.name) + attribute("MusicalCategory", info.musicalCategory) +
           attribute("MusicalInstrument", info.musicalCategory) + "</MetaInfo>\n";
}

bool writeVstPresetFile(const std::string& path, plugin::EngineContext& context, const PresetMetaInfo& info)
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
    const std::string xml = presetMetaInfoXml(info);
    if (!Vst::PresetFile::savePreset(preset, Vst::Tolvane::kProcessorUID, component, nullptr, xml.c_str(),
                                     static_cast<int32>(xml.size())))
        return false;
    std::ofstream file(formats::pathFromUtf8(path), std::ios::binary | std::ios::trunc);
    file.write(preset->getData(), static_cast<std::streamsize>(preset->getSize()));
    return static_cast<bool>(file.flush());
}

} // namespace kest::tolvane::tools
