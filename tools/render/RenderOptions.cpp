// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "FilePath.h"
#include "OutputFormat.h"

namespace kest::tolvane::tools {

namespace {

constexpr int kMinSampleRate = 8000, kMaxSampleRate = 384000;
constexpr int kMaxBlockSize = 8192;
constexpr double kMaxTailSeconds = 600.0;
constexpr double kMaxGainDb = 60.0;
constexpr double kMinNormalizeDbfs = -60.0;

// --normalize takes an optional level: the next argument is it when it reads as a number.
void readNormalizeTarget(CommandLine& args, RenderOptions& o)
{
    o.normalize = true;
    const auto text = args.optionalNumberValue();
    if (!text)
        return;
    const auto dbfs = parseFiniteNumber(*text);
    if (!dbfs || *dbfs > 0.0 || *dbfs < kMinNormalizeDbfs)
        args.fail("--normalize wants a peak level from -60 to 0 dBFS, not '" + *text + "'");
    else
        o.normalizeDbfs = *dbfs;
}

void readOption(CommandLine& args, RenderOptions& o)
{
    const std::string_view name = args.name();
    if (name == "-h" || name == "--help")
        args.flag(o.help);
    else if (name == "--float")
        args.flag(o.floatSamples);
    else if (name == "--quiet" || name == "-q")
        args.flag(o.quiet);
    else if (name == "-o" || name == "--output")
        args.path(o.outputPath);
    else if (name == "--stems") {
        if (auto v = args.value()) {
            if (v->empty())
                args.fail("--stems needs a folder");
            o.stemsDir = *v;
        }
    } else if (name == "--gain") {
        if (auto v = args.value()) {
            const auto db = parseFiniteNumber(*v);
            if (!db || std::fabs(*db) > kMaxGainDb)
                args.fail("--gain wants decibels from -60 to 60, not '" + *v + "'");
            else
                o.gainDb = *db;
        }
    } else if (name == "--normalize")
        readNormalizeTarget(args, o);
    else if (name == "--sample-rate")
        args.integer(kMinSampleRate, kMaxSampleRate, o.sampleRate);
    else if (name == "--block")
        args.integer(1, kMaxBlockSize, o.blockSize);
    else if (name == "--bus")
        args.integer(1, 16, o.bus);
    else if (name == "--tail") {
        if (const auto seconds = args.number(0.0, kMaxTailSeconds))
            o.tailSeconds = *seconds;
    } else if (!readSoundDataOption(args, o)) {
        args.fail("unknown option '" + std::string(args.argument()) + "'");
    }
}

// What the output path asks for that cannot be written, or "".
std::string outputFormatProblem(const RenderOptions& o)
{
    const std::string path = o.resolvedOutputPath();
    std::string extension = extensionOf(path);
    if (outputFormatFor(path, false)) {
        if (!o.floatSamples || outputFormatFor(path, true))
            return "";
        for (char& c : extension)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return extension + " holds no float samples: leave out --float or write a .wav file";
    }
    const std::string named = extension.empty() ? "no extension" : "the extension '." + extension + "'";
    return "cannot tell the format of '" + path + "' by " + named + "; this build writes " + supportedExtensions();
}

} // namespace

std::string RenderOptions::resolvedOutputPath() const
{
    if (!outputPath.empty())
        return outputPath;
    return isDemo() ? "demo.wav" : "out.wav";
}

bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(formats::pathFromUtf8(a), formats::pathFromUtf8(b), ec))
        return true;
    // Not both there yet: compare the full paths the names resolve to.
    auto resolved = [](const std::string& path) {
        std::error_code error;
        const auto full =
            std::filesystem::weakly_canonical(std::filesystem::absolute(formats::pathFromUtf8(path), error), error);
        return error ? std::filesystem::path() : full.lexically_normal();
    };
    const auto fullA = resolved(a);
    return !fullA.empty() && fullA == resolved(b);
}

OptionsResult parseRenderOptions(std::span<const std::string_view> args)
{
    OptionsResult result;
    RenderOptions& o = result.options;
    CommandLine line(args);
    while (line.next()) {
        if (line.isOption()) {
            readOption(line, o);
        } else if (!o.songPath.empty()) {
            line.fail("only one song can be rendered at a time ('" + o.songPath + "' and '" +
                      std::string(line.argument()) + "')");
        } else {
            o.songPath = line.argument();
        }
    }
    result.error = line.error();
    if (result.ok() && !o.isDemo() && sameFile(o.songPath, o.resolvedOutputPath()))
        result.error =
            "the output file '" + o.resolvedOutputPath() + "' is the song itself: choose another name with -o";
    if (result.ok())
        result.error = outputFormatProblem(o);
    if (result.ok() && o.normalize && o.gainDb != 0.0)
        result.error = "--normalize sets the gain itself: give --gain or --normalize, not both";
    if (result.ok())
        result.error = checkSoundDataOptions(o);
    return result;
}

std::string usageText()
{
    return "Usage: tolvane-render [options] [song.mid]\n"
           "Renders a Standard MIDI File (format 0 or 1) through the Tolvane Synth WT engine.\n"
           "Without a song it renders the built-in demo song to demo.wav.\n"
           "\n"
           "Options:\n"
           "  -o, --output FILE    output file (default out.wav); its extension picks the format:\n"
           "                       wav, flac, ogg, aiff, caf, w64, rf64 (mp3 where libsndfile writes it)\n"
           "  --sample-rate HZ     sample rate, 8000 to 384000 (default 44100)\n"
           "  --block N            frames per block, 1 to 8192 (default 512)\n"
           "  --float              32-bit float samples instead of 24-bit PCM\n"
           "  --bus N              write output pair N (1-16) only instead of the sum of all 16\n"
           "  --stems DIR          also write one stereo file per part that carried sound\n"
           "                       (DIR/part10-drums.wav ...), whatever the parts' outputs\n"
           "  --gain DB            gain on the final mix and the stems, -60 to 60 (default 0)\n"
           "  --normalize [DBFS]   scale the whole render to peak at DBFS, -60 to 0 (default -1)\n"
           "  --tail SECONDS       render on after the last event until all voices end, at most\n"
           "                       this long (default 2)\n"
           "  -q, --quiet          no progress bar and no summary\n"
           "  -h, --help           this text\n"
           "\n" +
           soundDataUsage() +
           "  (System Exclusive is always on for the demo: it programs its tones that way.\n"
           "  GM System On/Off, GS Reset, XG System On and Universal Master Volume are always obeyed.)\n"
           "\n"
           "Exit status: 0 done, 1 bad input or output file, 2 bad command line,\n"
           "130 interrupted (Ctrl-C), 143 terminated; an unfinished render leaves no file.\n";
}

} // namespace kest::tolvane::tools
