// SPDX-License-Identifier: GPL-3.0-or-later
#include "RenderOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

#include "OutputFormat.h"

namespace kest::tolvane::tools {

namespace {

constexpr int kMinSampleRate = 8000, kMaxSampleRate = 384000;
constexpr int kMaxBlockSize = 8192;
constexpr int kMaxPolyphony = 1024;
constexpr double kMaxTailSeconds = 600.0;
constexpr double kMaxGainDb = 60.0;
constexpr double kMinNormalizeDbfs = -60.0;

std::optional<long long> parseInteger(std::string_view text) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value)) return std::nullopt;
    return value;
}

class Parser {
public:
    explicit Parser(std::span<const std::string_view> args) : args_(args) {}

    OptionsResult run() {
        bool optionsEnded = false;
        for (i_ = 0; i_ < args_.size() && result_.ok(); ++i_) {
            const std::string_view arg = args_[i_];
            if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
                positional(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else {
                option(arg);
            }
        }
        return result_;
    }

private:
    void positional(std::string_view arg) {
        if (!result_.options.songPath.empty()) {
            fail("only one song can be rendered at a time ('" + result_.options.songPath + "' and '" + std::string(arg) + "')");
            return;
        }
        result_.options.songPath = arg;
    }

    void option(std::string_view arg) {
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        RenderOptions& o = result_.options;
        auto flag = [&](bool& target) {
            if (inlineValue) fail(std::string(name) + " takes no value");
            target = true;
        };
        if (name == "-h" || name == "--help") flag(o.help);
        else if (name == "--float") flag(o.floatSamples);
        else if (name == "--quiet" || name == "-q") flag(o.quiet);
        else if (name == "--receive-sysex") flag(o.receiveSysEx);
        else if (name == "--nrpn") flag(o.nrpn);
        else if (name == "--init") flag(o.init);
        else if (name == "-o" || name == "--output") {
            if (auto v = value(name, inlineValue)) {
                if (v->empty()) fail(std::string(name) + " needs a file name");
                o.outputPath = *v;
            }
        } else if (name == "--stems") {
            if (auto v = value(name, inlineValue)) {
                if (v->empty()) fail("--stems needs a folder");
                o.stemsDir = *v;
            }
        } else if (name == "--gain") {
            if (auto v = value(name, inlineValue)) {
                const auto db = parseNumber(*v);
                if (!db || std::fabs(*db) > kMaxGainDb)
                    fail("--gain wants decibels from -60 to 60, not '" + *v + "'");
                else
                    o.gainDb = *db;
            }
        } else if (name == "--normalize") {
            normalizeTarget(inlineValue);
        } else if (name == "--state") path(name, inlineValue, o.statePath);
        else if (name == "--preset") path(name, inlineValue, o.presetPath);
        else if (name == "--tones") path(name, inlineValue, o.tonesPath);
        else if (name == "--samplers") path(name, inlineValue, o.samplersPath);
        else if (name == "--sample-params") path(name, inlineValue, o.sampleParamsPath);
        else if (name == "--wavetables") path(name, inlineValue, o.waveTablesPath);
        else if (name == "--table-size") integer(name, inlineValue, 8, 128, o.tableSize);
        else if (name == "--wav") {
            if (auto v = value(name, inlineValue)) waveImport(*v);
        } else if (name == "--sample-rate") integer(name, inlineValue, kMinSampleRate, kMaxSampleRate, o.sampleRate);
        else if (name == "--block") integer(name, inlineValue, 1, kMaxBlockSize, o.blockSize);
        else if (name == "--bus") integer(name, inlineValue, 1, 16, o.bus);
        else if (name == "--polyphony") integer(name, inlineValue, 1, kMaxPolyphony, o.polyphony);
        else if (name == "--tail") {
            if (auto v = value(name, inlineValue)) {
                const auto seconds = parseNumber(*v);
                if (!seconds || *seconds < 0.0 || *seconds > kMaxTailSeconds)
                    fail("--tail wants seconds from 0 to " + std::to_string(static_cast<int>(kMaxTailSeconds)) + ", not '" +
                         std::string(*v) + "'");
                else
                    o.tailSeconds = *seconds;
            }
        } else {
            fail("unknown option '" + std::string(arg) + "'");
        }
    }

    // --normalize takes an optional level: the next argument is it when it reads as a number.
    void normalizeTarget(std::optional<std::string_view> inlineValue) {
        RenderOptions& o = result_.options;
        o.normalize = true;
        std::optional<std::string_view> text = inlineValue;
        if (!text && i_ + 1 < args_.size() && parseNumber(args_[i_ + 1])) text = args_[++i_];
        if (!text) return;
        const auto dbfs = parseNumber(*text);
        if (!dbfs || *dbfs > 0.0 || *dbfs < kMinNormalizeDbfs)
            fail("--normalize wants a peak level from -60 to 0 dBFS, not '" + std::string(*text) + "'");
        else
            o.normalizeDbfs = *dbfs;
    }

    void path(std::string_view name, std::optional<std::string_view> inlineValue, std::string& target) {
        if (auto v = value(name, inlineValue)) {
            if (v->empty()) fail(std::string(name) + " needs a file name");
            target = *v;
        }
    }

    // SLOT=PATH, optionally ending in :dpcm or :adpcm.
    void waveImport(const std::string& text) {
        const auto eq = text.find('=');
        const auto slot = eq == std::string::npos ? std::nullopt : parseInteger(std::string_view(text).substr(0, eq));
        if (!slot || *slot < 0 || *slot > 127 || eq + 1 >= text.size()) {
            fail("--wav wants SLOT=PATH[:dpcm|:adpcm] with a slot from 0 to 127, not '" + text + "'");
            return;
        }
        WaveImportOption wave{static_cast<int>(*slot), text.substr(eq + 1), formats::SampleSourceKind::Pcm};
        if (wave.path.ends_with(":dpcm")) {
            wave.kind = formats::SampleSourceKind::Dpcm;
            wave.path.resize(wave.path.size() - 5);
        } else if (wave.path.ends_with(":adpcm")) {
            wave.kind = formats::SampleSourceKind::Adpcm;
            wave.path.resize(wave.path.size() - 6);
        }
        if (wave.path.empty()) {
            fail("--wav needs a file name after the slot");
            return;
        }
        result_.options.waves.push_back(std::move(wave));
    }

    std::optional<std::string> value(std::string_view name, std::optional<std::string_view> inlineValue) {
        if (inlineValue) return std::string(*inlineValue);
        if (i_ + 1 >= args_.size()) {
            fail(std::string(name) + " needs a value");
            return std::nullopt;
        }
        return std::string(args_[++i_]);
    }

    void integer(std::string_view name, std::optional<std::string_view> inlineValue, int min, int max, int& target) {
        const auto v = value(name, inlineValue);
        if (!v) return;
        const auto n = parseInteger(*v);
        if (!n || *n < min || *n > max) {
            fail(std::string(name) + " wants a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                 ", not '" + *v + "'");
            return;
        }
        target = static_cast<int>(*n);
    }

    void fail(std::string message) {
        if (result_.ok()) result_.error = std::move(message);
    }

    std::span<const std::string_view> args_;
    std::size_t i_ = 0;
    OptionsResult result_;
};

} // namespace

std::string RenderOptions::resolvedOutputPath() const {
    if (!outputPath.empty()) return outputPath;
    return isDemo() ? "demo.wav" : "out.wav";
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    // Not both there yet: compare the full paths the names resolve to.
    auto resolved = [](const std::string& path) {
        std::error_code error;
        const auto full = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
        return error ? std::filesystem::path() : full.lexically_normal();
    };
    const auto fullA = resolved(a);
    return !fullA.empty() && fullA == resolved(b);
}

namespace {

// What the output path asks for that cannot be written, or "".
std::string outputFormatProblem(const RenderOptions& o) {
    const std::string path = o.resolvedOutputPath();
    std::string extension = extensionOf(path);
    if (outputFormatFor(path, false)) {
        if (!o.floatSamples || outputFormatFor(path, true)) return "";
        for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return extension + " holds no float samples: leave out --float or write a .wav file";
    }
    const std::string named = extension.empty() ? "no extension" : "the extension '." + extension + "'";
    return "cannot tell the format of '" + path + "' by " + named + "; this build writes " + supportedExtensions();
}

} // namespace

OptionsResult parseRenderOptions(std::span<const std::string_view> args) {
    OptionsResult result = Parser(args).run();
    const RenderOptions& o = result.options;
    if (result.ok() && !o.isDemo() && sameFile(o.songPath, o.resolvedOutputPath()))
        result.error = "the output file '" + o.resolvedOutputPath() + "' is the song itself: choose another name with -o";
    if (result.ok()) result.error = outputFormatProblem(o);
    if (result.ok() && o.normalize && o.gainDb != 0.0)
        result.error = "--normalize sets the gain itself: give --gain or --normalize, not both";
    // Each replaces the whole state, so one would silently undo the other.
    if (result.ok() && !o.statePath.empty() && !o.presetPath.empty())
        result.error = "--state and --preset each load a whole plug-in state: give one of them";
    return result;
}

std::string usageText() {
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
           "  --polyphony N        number of voices, 1 to 1024 (rounded up to a power of two)\n"
           "  --tail SECONDS       render on after the last event until all voices end, at most\n"
           "                       this long (default 2)\n"
           "\n"
           "Sound data, loaded in this order before the song starts:\n"
           "  (the factory bank: 128 wavetables, 256 GM tones, part 10 in Percussion mode)\n"
           "  --init               leave the factory bank out: start from the power-on sound\n"
           "  --state FILE         a saved plug-in state\n"
           "  --preset FILE        a .vstpreset file of the plug-in\n"
           "  --table-size N       wavetable length, 8 to 128 (rounded up to a power of two)\n"
           "  --wav SLOT=PATH[:dpcm|:adpcm]\n"
           "                       WAV file into sample slot 0-127, optionally reduced (repeatable)\n"
           "  --wavetables FILE    wavetable text file\n"
           "  --tones FILE         tone preset text file\n"
           "  --samplers FILE      sampler preset text file\n"
           "  --sample-params FILE sample-data parameter text file\n"
           "\n"
           "  --receive-sysex      accept the song's Tolvane System Exclusive messages (always on\n"
           "                       for the demo); GM System On/Off, GS Reset, XG System On and\n"
           "                       Universal Master Volume are always obeyed\n"
           "  --nrpn               obey NRPN controllers\n"
           "  -q, --quiet          no progress bar and no summary\n"
           "  -h, --help           this text\n"
           "\n"
           "Exit status: 0 done, 1 bad input or output file, 2 bad command line,\n"
           "130 interrupted (Ctrl-C), 143 terminated; an unfinished render leaves no file.\n";
}

} // namespace kest::tolvane::tools
