// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-make-lv2-bundle: writes the LV2 bundle's description files, and the
// factory presets from the .vstpreset files the preset writer made (a
// sub-folder is a preset's category), so every new preset becomes an LV2
// preset with the build.
//   tolvane-make-lv2-bundle BUNDLE-FOLDER [--editor] [--presets FOLDER]
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "BundleDescription.h"
#include "VstPresetReader.h"

namespace fs = std::filesystem;
using namespace kest::tolvane::tools;

namespace {

bool writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

// Every .vstpreset under `folder`, in path order; false with a message on the first bad one.
bool collectPresets(const fs::path& folder, std::vector<Lv2Preset>& presets)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".vstpreset")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::set<std::string> uris;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        const auto parsed = parseVstPreset(bytes, error);
        if (!parsed || parsed->classId != kTolvaneProcessorClassId) {
            std::fprintf(stderr, "tolvane-make-lv2-bundle: %s: %s\n", file.c_str(),
                         parsed ? "not a preset of this plug-in" : error.c_str());
            return false;
        }
        Lv2Preset preset;
        preset.name = file.stem().string();
        const fs::path category = fs::relative(file.parent_path(), folder);
        if (category != ".")
            preset.category = category.generic_string();
        preset.state = parsed->component;
        if (!uris.insert(presetUri(preset)).second) {
            std::fprintf(stderr, "tolvane-make-lv2-bundle: %s: a second preset of that name\n", file.c_str());
            return false;
        }
        presets.push_back(std::move(preset));
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(stderr, "Usage: tolvane-make-lv2-bundle BUNDLE-FOLDER [--editor] [--presets FOLDER]\n");
        return 2;
    }
    const fs::path bundle(args[0]);
    bool withEditor = false;
    std::vector<Lv2Preset> presets;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--editor") {
            withEditor = true;
        } else if (args[i] == "--presets" && i + 1 < args.size()) {
            if (!collectPresets(fs::path(args[++i]), presets))
                return 1;
        } else {
            std::fprintf(stderr, "tolvane-make-lv2-bundle: unknown argument %s\n", std::string(args[i]).c_str());
            return 2;
        }
    }
    std::error_code ec;
    fs::create_directories(bundle, ec);
    const bool written = writeFile(bundle / "manifest.ttl", manifestTtl(withEditor, presets)) &&
                         writeFile(bundle / "TolvaneSynthWT.ttl", pluginTtl(withEditor)) &&
                         writeFile(bundle / "presets.ttl", presetsTtl(presets));
    if (!written) {
        std::fprintf(stderr, "tolvane-make-lv2-bundle: cannot write into %s\n", bundle.c_str());
        return 1;
    }
    return 0;
}
