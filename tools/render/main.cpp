// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-render: renders a Standard MIDI File, or the built-in demo song,
// through the engine into an audio file.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AudioFileWriter.h"
#include "DemoSong.h"
#include "FilePath.h"
#include "MidiFile.h"
#include "OutputFormat.h"
#include "OutputMixer.h"
#include "PortableMath.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "SongRenderer.h"
#include "SoundDataLoader.h"
#include "StemNames.h"
#include "Utf8Arguments.h"

namespace {

using namespace kest::tolvane::tools;
using kest::tolvane::formats::pathFromUtf8;
using kest::tolvane::formats::utf8FromPath;

constexpr int kExitInputError = 1;
constexpr int kExitUsageError = 2;
constexpr int kExitBySignal = 128; // plus the signal number, as a shell reports it
// Longer songs are surely broken files (a tempo of one tick per minute or the like).
constexpr double kMaxSongSeconds = 4 * 3600.0;

std::atomic<int> stopSignal{0};

extern "C" void onStopSignal(int signal) { stopSignal = signal; }

// While the song and the sound data load, no file of ours exists yet: a stop
// signal then ends the program at once, as it does any program with nothing
// to clean up, instead of waiting for a load to finish.
class LoadingPhase {
public:
    LoadingPhase() { setStopAction(SIG_DFL); }
    ~LoadingPhase() { setStopAction(onStopSignal); }
    LoadingPhase(const LoadingPhase&) = delete;
    LoadingPhase& operator=(const LoadingPhase&) = delete;

private:
    static void setStopAction(void (*action)(int))
    {
        std::signal(SIGINT, action);
        std::signal(SIGTERM, action);
    }
};

int failInput(const std::string& subject, const std::string& message)
{
    std::fprintf(stderr, "tolvane-render: %s: %s\n", subject.c_str(), message.c_str());
    return kExitInputError;
}

double toDb(double linear) { return 20.0 * kest::tolvane::portableLog10(linear); }

std::string describeLevel(const OutputMixer& mixer)
{
    if (mixer.peak() <= 0.0f)
        return "silent";
    char text[96];
    if (mixer.clippedSamples() == 0)
        std::snprintf(text, sizeof text, "peak %.1f dBFS, no clipping", toDb(mixer.peak()));
    else
        std::snprintf(text, sizeof text, "peak %+.1f dBFS, %lld samples clipped", toDb(mixer.peak()),
                      static_cast<long long>(mixer.clippedSamples()));
    return text;
}

// Printed even with --quiet: a clipped render is rarely what anyone wants.
void warnAboutClipping(const std::string& path, const OutputMixer& mixer, bool floatSamples)
{
    if (mixer.clippedSamples() == 0)
        return;
    const double share = 100.0 * static_cast<double>(mixer.clippedSamples()) /
                         static_cast<double>(std::max<std::int64_t>(mixer.samples(), 1));
    std::fprintf(stderr,
                 "tolvane-render: warning: %s: %lld samples (%.3f %%) went beyond full scale (peak %+.1f dBFS)%s; "
                 "lower the level with --gain %.0f or use --normalize\n",
                 path.c_str(), static_cast<long long>(mixer.clippedSamples()), share, toDb(mixer.peak()),
                 floatSamples ? ", kept in the float file but clipped by most players" : " and were clipped",
                 std::floor(-toDb(mixer.peak())) - 1.0);
}

// The engine with the song's sound data loaded and the options' switches on.
std::unique_ptr<SongRenderer> prepareEngine(const RenderOptions& options, LoadFailure& failure)
{
    EngineSettings engine;
    engine.sampleRate = options.sampleRate;
    engine.blockSize = options.blockSize;
    engine.polyphony = options.polyphony;
    engine.receiveSysEx = options.receiveSysEx || options.isDemo(); // the demo programs its tones by SysEx
    engine.nrpn = options.nrpn;
    engine.partOutputs = !options.stemsDir.empty();
    auto renderer = std::make_unique<SongRenderer>(engine);
    {
        const LoadingPhase loading;
        if (!loadSoundData(renderer->context(), options, failure))
            return nullptr;
    }
    // A loaded state brings its own polyphony and switches; the options have the last word.
    if (options.polyphony > 0)
        renderer->context().applyPolyphony(options.polyphony);
    renderer->applySwitches();
    return renderer;
}

MixerSettings mixerSettings(const RenderOptions& options, const OutputFormat& format)
{
    MixerSettings mix;
    mix.blockSize = options.blockSize;
    mix.sampleRate = options.sampleRate;
    mix.format = format;
    mix.gain = static_cast<float>(kest::tolvane::portablePow10(options.gainDb / 20.0));
    mix.perPartStems = !options.stemsDir.empty();
    mix.mixPairs = allPairsOrBus(options.bus);
    return mix;
}

bool stopRequested() { return stopSignal.load() != 0; }

// The first of two passes for --normalize: the same render, only measured.
std::optional<float> measurePeak(const RenderOptions& options, const MidiSong& song, const OutputFormat& format,
                                 LoadFailure& failure)
{
    auto renderer = prepareEngine(options, failure);
    if (!renderer)
        return std::nullopt;
    RenderOptions unity = options;
    unity.gainDb = 0.0;
    OutputMixer meter(mixerSettings(unity, format), nullptr);
    meter.onProgress = [](std::int64_t) { return !stopRequested(); };
    renderer->render(song, options.tailSeconds, meter);
    return meter.peak();
}

int run(RenderOptions options)
{
    // From here on a stop must not leave a temporary file behind.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    const std::string songName = options.isDemo() ? "built-in demo song" : options.songPath;
    MidiReadResult read;
    {
        const LoadingPhase loading;
        read = options.isDemo() ? readMidiFile(builtInDemoSong()) : loadMidiFile(options.songPath);
    }
    if (!read.song)
        return failInput(songName, read.error);
    const MidiSong& song = *read.song;
    if (song.lengthSeconds > kMaxSongSeconds)
        return failInput(songName, "the song would last " + std::to_string(static_cast<long long>(song.lengthSeconds)) +
                                       " s; the renderer stops at " +
                                       std::to_string(static_cast<int>(kMaxSongSeconds)) + " s");

    const std::string outputPath = options.resolvedOutputPath();
    const OutputFormat format = *outputFormatFor(outputPath, options.floatSamples); // checked with the options
    LoadFailure failure;
    const auto started = std::chrono::steady_clock::now(); // both passes of --normalize count
    double normalizedBy = 0.0;
    if (options.normalize) {
        const auto peak = measurePeak(options, song, format, failure);
        if (!peak)
            return failInput(failure.subject, failure.message);
        if (*peak > 0.0f)
            normalizedBy = options.normalizeDbfs - toDb(*peak);
        options.gainDb = normalizedBy;
    }

    // Loaded before any output is made: a stop while loading leaves nothing behind.
    auto renderer = prepareEngine(options, failure);
    if (!renderer)
        return failInput(failure.subject, failure.message);
    std::string error;
    if (!options.stemsDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(pathFromUtf8(options.stemsDir), ec);
        if (ec)
            return failInput(options.stemsDir, "cannot create the stems folder: " + ec.message());
    }
    AudioFileWriter mainFile;
    if (!stopRequested() && !mainFile.open(outputPath, options.sampleRate, format, error))
        return failInput(outputPath, error);
    for (const std::string& notice : sampleSourceNotices(renderer->context()))
        std::fprintf(stderr, "tolvane-render: %s\n", notice.c_str());
    MixerSettings mix = mixerSettings(options, format);
    mix.stemPath = [&](int part) {
        return utf8FromPath(pathFromUtf8(options.stemsDir) /
                            pathFromUtf8(partStemName(renderer->engine(), part) + "." + format.extension));
    };
    OutputMixer mixer(mix, &mainFile);

    const auto expectedFrames =
        static_cast<std::int64_t>((song.lengthSeconds + options.tailSeconds) * options.sampleRate);
    ProgressBar progress(!options.quiet && ::isatty(STDERR_FILENO), expectedFrames, options.sampleRate);
    mixer.onProgress = [&](std::int64_t frames) {
        progress.update(frames);
        return !stopRequested();
    };

    const RenderStats stats =
        stopRequested() ? RenderStats{.stopped = true} : renderer->render(song, options.tailSeconds, mixer);
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.finish();

    if (stats.stopped || stopRequested()) {
        mixer.discardStems();
        mainFile.discard();
        if (const int signal = stopSignal.load()) {
            std::fprintf(stderr, "tolvane-render: %s; %s was not written\n",
                         signal == SIGINT ? "interrupted" : "terminated", outputPath.c_str());
            return kExitBySignal + signal;
        }
        return failInput(outputPath, mixer.error().empty() ? mainFile.lastError() : mixer.error());
    }
    std::vector<std::string> stems;
    if (!mixer.finishStems(stems, error)) {
        mainFile.discard();
        return failInput(outputPath, error);
    }
    if (!mainFile.commit(error))
        return failInput(outputPath, error);

    warnAboutClipping(outputPath, mixer, options.floatSamples);
    if (!options.quiet) {
        const double rendered = static_cast<double>(stats.frames) / options.sampleRate;
        const double speed = wallSeconds > 0 ? rendered / wallSeconds : 0.0;
        std::printf("%s: %.2f s rendered in %.2f s (%.0fx real time), %s, %d voices at most", outputPath.c_str(),
                    rendered, wallSeconds, speed, describeLevel(mixer).c_str(), stats.maxVoices);
        if (options.normalize)
            std::printf(", normalized by %+.1f dB", normalizedBy);
        else if (options.gainDb != 0.0)
            std::printf(", gain %+.1f dB", options.gainDb);
        if (!options.stemsDir.empty())
            std::printf(", %zu stem%s in %s", stems.size(), stems.size() == 1 ? "" : "s", options.stemsDir.c_str());
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Utf8Arguments arguments(argc, argv);
    const std::vector<std::string_view> args = arguments.options();
    const OptionsResult parsed = parseRenderOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "tolvane-render: %s\nTry 'tolvane-render --help'.\n", parsed.error.c_str());
        return kExitUsageError;
    }
    if (parsed.options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    return run(parsed.options);
}
