// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include <algorithm>
#include <cctype>

namespace kest::tolvane::tools {

namespace {

constexpr int kMinSampleRate = 8000, kMaxSampleRate = 384000;
constexpr int kMaxBlockSize = 8192;
constexpr double kMaxTailSeconds = 600.0;

void readOption(CommandLine& args, RenderOptions& o) {
    const std::string_view name = args.name();
    if (name == "-h" || name == "--help") args.flag(o.help);
    else if (name == "--float") args.flag(o.floatSamples);
    else if (name == "--quiet" || name == "-q") args.flag(o.quiet);
    else if (name == "-o" || name == "--output") args.path(o.outputPath);
    else if (name == "--stems") {
        if (auto v = args.value()) {
            if (v->empty()) args.fail("--stems needs a folder");
            o.stemsDir = *v;
        }
    } else if (name == "--sample-rate") args.integer(kMinSampleRate, kMaxSampleRate, o.sampleRate);
    else if (name == "--block") args.integer(1, kMaxBlockSize, o.blockSize);
    else if (name == "--bus") args.integer(1, 16, o.bus);
    else if (name == "--tail") {
        if (const auto seconds = args.number(0.0, kMaxTailSeconds)) o.tailSeconds = *seconds;
    } else if (!readSoundDataOption(args, o)) {
        args.fail("unknown option '" + std::string(args.argument()) + "'");
    }
}

} // namespace

std::string RenderOptions::resolvedOutputPath() const {
    if (!outputPath.empty()) return outputPath;
    return isDemo() ? "demo.wav" : "out.wav";
}

bool isFlacPath(const std::string& path) {
    if (path.size() < 5) return false;
    std::string ext = path.substr(path.size() - 5);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".flac";
}

OptionsResult parseRenderOptions(std::span<const std::string_view> args) {
    OptionsResult result;
    RenderOptions& o = result.options;
    CommandLine line(args);
    while (line.next()) {
        if (line.isOption()) {
            readOption(line, o);
        } else if (!o.songPath.empty()) {
            line.fail("only one song can be rendered at a time ('" + o.songPath + "' and '" + std::string(line.argument()) + "')");
        } else {
            o.songPath = line.argument();
        }
    }
    result.error = line.error();
    if (result.ok() && o.floatSamples && isFlacPath(o.resolvedOutputPath()))
        result.error = "FLAC holds no float samples: leave out --float or write a .wav file";
    if (result.ok()) result.error = checkSoundDataOptions(o);
    return result;
}

std::string usageText() {
    return "Usage: tolvane-render [options] [song.mid]\n"
           "Renders a Standard MIDI File (format 0 or 1) through the Tolvane Synth WT engine.\n"
           "Without a song it renders the built-in demo song to demo.wav.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE    output file (default out.wav; .flac writes FLAC)\n"
           "  --sample-rate HZ     sample rate, 8000 to 384000 (default 44100)\n"
           "  --block N            frames per block, 1 to 8192 (default 512)\n"
           "  --float              32-bit float samples instead of 24-bit PCM\n"
           "  --bus N              write output pair N (1-16) only instead of the sum of all 16\n"
           "  --stems DIR          also write one stereo file per output pair that carried sound\n"
           "  --tail SECONDS       render on after the last event until all voices end, at most\n"
           "                       this long (default 2)\n"
           "  -q, --quiet          no progress bar and no summary\n"
           "  -h, --help           this text\n"
           "\n" +
           soundDataUsage() +
           "  (the demo song always has System Exclusive on: it programs its tones that way)\n"
           "\n"
           "Exit status: 0 done, 1 bad input or output file, 2 bad command line.\n";
}

} // namespace kest::tolvane::tools
