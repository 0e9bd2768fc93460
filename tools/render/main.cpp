// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-render: renders a Standard MIDI File, or the built-in demo song,
// through the engine into a WAV or FLAC file.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioFileWriter.h"
#include "DemoSong.h"
#include "MidiFile.h"
#include "OutputMixer.h"
#include "ProgressBar.h"
#include "RenderOptions.h"
#include "SongRenderer.h"
#include "SoundDataLoader.h"

namespace {

using namespace kest::tolvane::tools;

constexpr int kExitInputError = 1;
constexpr int kExitUsageError = 2;
constexpr int kExitInterrupted = 130;
// Longer songs are surely broken files (a tempo of one tick per minute or the like).
constexpr double kMaxSongSeconds = 4 * 3600.0;

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

int failInput(const std::string& subject, const std::string& message) {
    std::fprintf(stderr, "tolvane-render: %s: %s\n", subject.c_str(), message.c_str());
    return kExitInputError;
}

std::string stemPattern(const std::string& dir, const std::string& output) {
    const std::filesystem::path out(output);
    const std::string extension = isFlacPath(output) ? ".flac" : ".wav";
    return (std::filesystem::path(dir) / (out.stem().string() + "-out%02d" + extension)).string();
}

std::string describePeak(float peak) {
    if (peak <= 0.0f) return "silent";
    char text[48];
    std::snprintf(text, sizeof text, "peak %.1f dBFS%s", 20.0 * std::log10(peak), peak > 1.0f ? " (clipped)" : "");
    return text;
}

int run(const RenderOptions& options) {
    // From here on an interruption must not leave a temporary file behind.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const std::string songName = options.isDemo() ? "built-in demo song" : options.songPath;
    const MidiReadResult read = options.isDemo() ? readMidiFile(builtInDemoSong()) : loadMidiFile(options.songPath);
    if (!read.song) return failInput(songName, read.error);
    const MidiSong& song = *read.song;
    if (song.lengthSeconds > kMaxSongSeconds)
        return failInput(songName, "the song would last " + std::to_string(static_cast<long long>(song.lengthSeconds)) +
                                       " s; the renderer stops at " + std::to_string(static_cast<int>(kMaxSongSeconds)) + " s");

    const std::string outputPath = options.resolvedOutputPath();
    const SampleFormat format = options.floatSamples ? SampleFormat::Float32 : SampleFormat::Pcm24;
    std::string error;
    if (!options.stemsDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.stemsDir, ec);
        if (ec) return failInput(options.stemsDir, "cannot create the stems folder: " + ec.message());
    }
    AudioFileWriter mainFile;
    if (!mainFile.open(outputPath, options.sampleRate, format, error)) return failInput(outputPath, error);

    EngineSettings engine;
    engine.sampleRate = options.sampleRate;
    engine.blockSize = options.blockSize;
    engine.polyphony = options.polyphony;
    engine.receiveSysEx = options.receiveSysEx || options.isDemo();  // the demo programs its tones by SysEx
    engine.nrpn = options.nrpn;
    SongRenderer renderer(engine);
    LoadFailure failure;
    if (!loadSoundData(renderer.context(), options, failure)) return failInput(failure.subject, failure.message);
    for (const std::string& notice : sampleSourceNotices(renderer.context()))
        std::fprintf(stderr, "tolvane-render: %s\n", notice.c_str());
    // A loaded state brings its own polyphony and switches; the options have the last word.
    if (options.polyphony > 0) renderer.context().applyPolyphony(options.polyphony);
    renderer.applySwitches();

    MixerSettings mix;
    mix.bus = options.bus;
    mix.blockSize = options.blockSize;
    mix.sampleRate = options.sampleRate;
    mix.format = format;
    if (!options.stemsDir.empty()) mix.stemPathPattern = stemPattern(options.stemsDir, outputPath);
    OutputMixer mixer(mix, mainFile);

    const auto expectedFrames = static_cast<std::int64_t>((song.lengthSeconds + options.tailSeconds) * options.sampleRate);
    ProgressBar progress(!options.quiet && ::isatty(STDERR_FILENO), expectedFrames, options.sampleRate);
    mixer.onProgress = [&](std::int64_t frames) {
        progress.update(frames);
        return !interrupted.load();
    };

    const auto started = std::chrono::steady_clock::now();
    const RenderStats stats = renderer.render(song, options.tailSeconds, mixer);
    const double wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.finish();

    if (stats.stopped || interrupted) {
        mixer.discardStems();
        mainFile.discard();
        if (interrupted) {
            std::fprintf(stderr, "tolvane-render: interrupted; %s was not written\n", outputPath.c_str());
            return kExitInterrupted;
        }
        return failInput(outputPath, mixer.error().empty() ? mainFile.lastError() : mixer.error());
    }
    std::vector<std::string> stems;
    if (!mixer.finishStems(stems, error)) {
        mainFile.discard();
        return failInput(outputPath, error);
    }
    if (!mainFile.commit(error)) return failInput(outputPath, error);

    if (!options.quiet) {
        const double rendered = static_cast<double>(stats.frames) / options.sampleRate;
        const double speed = wallSeconds > 0 ? rendered / wallSeconds : 0.0;
        std::printf("%s: %.2f s rendered in %.2f s (%.0fx real time), %s, %d voices at most", outputPath.c_str(), rendered,
                    wallSeconds, speed, describePeak(mixer.peak()).c_str(), stats.maxVoices);
        if (!options.stemsDir.empty()) std::printf(", %zu stem%s in %s", stems.size(), stems.size() == 1 ? "" : "s",
                                                   options.stemsDir.c_str());
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
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
