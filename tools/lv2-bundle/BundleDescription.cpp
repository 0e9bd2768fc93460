// SPDX-License-Identifier: GPL-3.0-or-later
#include "BundleDescription.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <string_view>

#include "Lv2Identity.h"
#include "ProtocolIds.h"

namespace kest::tolvane::tools {

namespace {

namespace ids = plugin::ids;
using namespace lv2;

constexpr std::string_view kPrefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix foaf: <http://xmlns.com/foaf/0.1/> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix midi: <http://lv2plug.in/ns/ext/midi#> .
@prefix opts: <http://lv2plug.in/ns/ext/options#> .
@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .
@prefix owl: <http://www.w3.org/2002/07/owl#> .
@prefix pset: <http://lv2plug.in/ns/ext/presets#> .
@prefix time: <http://lv2plug.in/ns/ext/time#> .
@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .
@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .

)";

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string slug(std::string_view text)
{
    std::string out;
    for (char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c - 'A' + 'a');
        else if (keep)
            out += c;
        else if (!out.empty() && out.back() != '-')
            out += '-';
    }
    while (!out.empty() && out.back() == '-')
        out.pop_back();
    return out;
}

std::string uri(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '<';
    out += text;
    out += '>';
    return out;
}

std::string groupUri(int pair) { return uri(std::string(kPluginUri) + "#out" + std::to_string(pair + 1)); }
std::string stereoGroupUri() { return uri(std::string(kStereoPluginUri) + "#out"); }

// Every preset holds state bytes both plug-ins load.
std::string appliesTo() { return uri(kPluginUri) + ", " + uri(kStereoPluginUri); }

std::string bankUri(std::string_view category) { return uri(std::string(kPluginUri) + "#bank-" + slug(category)); }

// LV2 reads an odd minor version as a development release: the release
// number a.b.c becomes minor 2 * (100a + b) and micro c, which grow with
// every release and stay even.
std::pair<int, int> lv2Version()
{
    int major = 0, minor = 0, micro = 0;
    std::sscanf(ids::kVersion, "%d.%d.%d", &major, &minor, &micro);
    return {2 * (100 * major + minor), micro};
}

// A stereo output group, its two elements named so hosts tell left from right.
void writeGroup(std::ostringstream& out, const std::string& group, const std::string& symbol, const std::string& label)
{
    out << group << "\n    a pg:StereoGroup, pg:OutputGroup ;\n    lv2:symbol " << quoted(symbol) << " ;\n"
        << "    rdfs:label " << quoted(label) << " ;\n"
        << "    pg:element [ lv2:index 0 ; lv2:designation pg:left ] , [ lv2:index 1 ; lv2:designation pg:right ] "
           ".\n\n";
}

void writeOutputPort(std::ostringstream& out, unsigned index, const std::string& symbol, const std::string& name,
                     const std::string& group, bool left)
{
    out << " , [\n        a lv2:OutputPort, lv2:AudioPort ;\n"
        << "        lv2:index " << index << " ;\n"
        << "        lv2:symbol " << quoted(symbol) << " ;\n"
        << "        lv2:name " << quoted(name) << " ;\n"
        << "        pg:group " << group << " ;\n"
        << "        lv2:designation " << (left ? "pg:left" : "pg:right") << "\n    ]";
}

// What both plug-ins say of themselves, up to their ports.
void writePluginHead(std::ostringstream& out, const char* pluginUri, const std::string& name, bool withEditor,
                     bool needsBlockBound, const std::string& mainGroup)
{
    const auto [minor, micro] = lv2Version();
    out << uri(pluginUri) << "\n    a lv2:Plugin, lv2:InstrumentPlugin, doap:Project ;\n"
        << "    doap:name " << quoted(name) << " ;\n"
        << "    doap:license <https://spdx.org/licenses/GPL-3.0-or-later> ;\n"
        << "    doap:maintainer [ foaf:name " << quoted(ids::kVendor) << " ; foaf:homepage " << uri(ids::kVendorUrl)
        << " ] ;\n"
        << "    lv2:minorVersion " << minor << " ;\n    lv2:microVersion " << micro << " ;\n";
    if (needsBlockBound)
        out << "    lv2:requiredFeature urid:map, bufsz:boundedBlockLength, opts:options ;\n"
            << "    lv2:optionalFeature lv2:hardRTCapable, state:threadSafeRestore ;\n";
    else
        out << "    lv2:requiredFeature urid:map ;\n"
            << "    lv2:optionalFeature lv2:hardRTCapable, opts:options, bufsz:boundedBlockLength, "
               "state:threadSafeRestore ;\n";
    out << "    opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    pg:mainOutput " << mainGroup << " ;\n";
    if (withEditor)
        out << "    ui:ui " << uri(kUiUri) << " ;\n";
    out << "    lv2:port [\n        a lv2:InputPort, atom:AtomPort ;\n"
        << "        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent, time:Position ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:index " << kEventPort << " ;\n        lv2:symbol \"events\" ;\n"
        << "        lv2:name " << quoted(ids::kEventInputName) << "\n    ]";
}

} // namespace

std::string presetUri(const Lv2Preset& preset)
{
    std::string path = slug(preset.name);
    if (!preset.category.empty())
        path = slug(preset.category) + "-" + path;
    return uri(std::string(kPluginUri) + "#preset-" + path);
}

std::string manifestTtl(bool withEditor, const std::vector<Lv2Preset>& presets)
{
    std::ostringstream out;
    out << kPrefixes;
    for (const char* plugin : {kPluginUri, kStereoPluginUri})
        out << uri(plugin) << "\n    a lv2:Plugin, lv2:InstrumentPlugin ;\n"
            << "    lv2:binary " << uri(kBinaryName) << " ;\n    rdfs:seeAlso <TolvaneSynthWT.ttl> .\n\n";
    if (withEditor)
        out << uri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << uri(kBinaryName)
            << " ;\n    rdfs:seeAlso <TolvaneSynthWT.ttl> .\n\n";
    for (const Lv2Preset& preset : presets)
        out << presetUri(preset) << "\n    a pset:Preset ;\n    lv2:appliesTo " << appliesTo()
            << " ;\n    rdfs:seeAlso <presets.ttl> .\n\n";
    return out.str();
}

std::string pluginTtl(bool withEditor)
{
    std::ostringstream out;
    out << kPrefixes;
    for (int pair = 0; pair < ids::kOutputPairCount; ++pair)
        writeGroup(out, groupUri(pair), "out" + std::to_string(pair + 1),
                   ids::kOutputNamePrefix + std::to_string(pair + 1));
    writeGroup(out, stereoGroupUri(), "out", "out");

    // The 16 pairs, each its own output.
    writePluginHead(out, kPluginUri, std::string(ids::kProductName) + " (16 outputs)", withEditor, false, groupUri(0));
    for (int channel = 0; channel < kOutputChannelCount; ++channel) {
        const int pair = channel / 2;
        const bool left = channel % 2 == 0;
        const std::string number = std::to_string(pair + 1);
        writeOutputPort(out, kFirstOutputPort + static_cast<unsigned>(channel),
                        "out" + number + (left ? "_left" : "_right"),
                        ids::kOutputNamePrefix + number + (left ? " L" : " R"), groupUri(pair), left);
    }
    out << " .\n\n";

    // Their sum on one pair.
    writePluginHead(out, kStereoPluginUri, ids::kProductName, withEditor, true, stereoGroupUri());
    for (int channel = 0; channel < kStereoChannelCount; ++channel) {
        const bool left = channel == 0;
        writeOutputPort(out, kFirstOutputPort + static_cast<unsigned>(channel), left ? "out_left" : "out_right",
                        left ? "out L" : "out R", stereoGroupUri(), left);
    }
    out << " .\n";

    if (withEditor)
        // The editor reads the engine directly, as in VST 3: it needs the
        // instance itself, so hosts that run UIs in another process offer none.
        out << "\n"
            << uri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << uri(kBinaryName) << " ;\n"
            << "    lv2:requiredFeature ui:parent, ui:idleInterface, "
               "<http://lv2plug.in/ns/ext/instance-access> ;\n"
            << "    lv2:optionalFeature ui:resize ;\n"
            << "    lv2:extensionData ui:idleInterface, ui:resize .\n";
    return out.str();
}

std::string presetsTtl(const std::vector<Lv2Preset>& presets)
{
    std::ostringstream out;
    out << kPrefixes;
    out << uri(kStateKeyUri) << "\n    a rdf:Property, owl:DatatypeProperty ;\n"
        << "    rdfs:label \"plug-in state\" ;\n"
        << "    rdfs:comment \"The plug-in's saved state bytes, as VST 3 hosts store them.\" ;\n"
        << "    rdfs:range xsd:base64Binary .\n\n";
    std::set<std::string> banks;
    for (const Lv2Preset& preset : presets)
        if (!preset.category.empty() && banks.insert(preset.category).second)
            out << bankUri(preset.category) << "\n    a pset:Bank ;\n    rdfs:label " << quoted(preset.category)
                << " .\n\n";
    for (const Lv2Preset& preset : presets) {
        out << presetUri(preset) << "\n    a pset:Preset ;\n    lv2:appliesTo " << appliesTo() << " ;\n"
            << "    rdfs:label " << quoted(preset.name) << " ;\n";
        if (!preset.category.empty())
            out << "    pset:bank " << bankUri(preset.category) << " ;\n";
        out << "    state:state [\n        " << uri(kStateKeyUri) << " \"" << base64(preset.state)
            << "\"^^xsd:base64Binary\n    ] .\n\n";
    }
    return out.str();
}

std::string base64(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) |
                                    (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                    (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

} // namespace kest::tolvane::tools
