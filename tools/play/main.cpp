// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane-play: the engine as a live JACK sound module. MIDI into midi_in is
// played at once; the sound leaves on out_L/out_R (or one pair per output).
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "EngineContext.h"
#include "JackSession.h"
#include "LivePlayer.h"
#include "PlayOptions.h"
#include "SoundDataLoader.h"
#include "StateFile.h"
#include "StatusLine.h"
#include "Utf8Arguments.h"

namespace {

using namespace kest::tolvane;
using namespace kest::tolvane::tools;

constexpr int kExitFailure = 1;
constexpr int kExitUsageError = 2;
constexpr long kStatusIntervalNs = 200'000'000;

int fail(const std::string& subject, const std::string& message)
{
    std::fprintf(stderr, "tolvane-play: %s: %s\n", subject.c_str(), message.c_str());
    return kExitFailure;
}

// SIGINT and SIGTERM are blocked in every thread (JACK's threads inherit the
// mask) and taken by the main loop with sigtimedwait, so no handler runs
// inside the audio callback.
sigset_t blockQuitSignals()
{
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGINT);
    sigaddset(&quit, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &quit, nullptr);
    return quit;
}

// Waits for a quit signal or the server's end, redrawing the status line. True when the server went away.
bool runUntilQuit(const sigset_t& quit, JackSession& session, const LivePlayer& player, StatusLine& status)
{
    const timespec interval{0, kStatusIntervalNs};
    for (;;) {
        if (session.serverGone())
            return true;
        if (sigtimedwait(&quit, nullptr, &interval) > 0)
            return session.serverGone();
        status.draw(player.activeVoices(), player.mostVoices(), session.dspLoad(), session.xruns());
    }
}

int run(const PlayOptions& options)
{
    plugin::EngineContext context;
    LoadFailure failure;
    // Loading holds nothing that needs cleaning up, so the quit signals are
    // blocked only afterwards: until then one ends the program at once.
    if (!loadSoundData(context, options, failure))
        return fail(failure.subject, failure.message);
    for (const std::string& notice : sampleSourceNotices(context))
        std::fprintf(stderr, "tolvane-play: %s\n", notice.c_str());
    const sigset_t quit = blockQuitSignals();
    applyEngineSwitches(context, options);
    {
        // A sound module obeys the universal GM, GS and XG messages as a hardware one
        // would; the plug-in leaves them to the host's project instead.
        std::lock_guard lock(context.engineMutex());
        context.synth->setReceiveUniversalSysEx(true);
    }

    LivePlayer player(context, options.multi ? OutputLayout::Multi : OutputLayout::Summed);
    player.setTempo(options.tempo);
    std::string error;
    auto session = JackSession::open(options.clientName, player, error);
    if (!session)
        return fail("JACK", error);
    if (!session->activate(error))
        return fail("JACK", error);
    if (options.connect)
        for (const std::string& problem : session->connectToHardware())
            std::fprintf(stderr, "tolvane-play: %s\n", problem.c_str());
    if (!options.quiet)
        std::printf("tolvane-play: '%s' on JACK at %d Hz, %d frames per period; Ctrl-C quits\n",
                    session->clientName().c_str(), session->sampleRate(), session->periodFrames());
    std::fflush(stdout);

    StatusLine status(!options.quiet && ::isatty(STDERR_FILENO));
    const bool serverGone = runUntilQuit(quit, *session, player, status);
    status.finish();
    const long xruns = session->xruns();
    const JackSession::PeriodWork work = session->periodWork();
    const int periodFrames = session->periodFrames();
    const int rate = session->sampleRate();
    const std::string reason = serverGone ? session->shutdownReason() : "";
    session->close(); // no callback runs after this: the engine is ours alone again

    int result = 0;
    if (serverGone)
        result = fail("JACK", reason + "; stopping");
    if (!options.saveStatePath.empty() && !saveStateFile(context, options.saveStatePath, error))
        result = fail(options.saveStatePath, error);
    if (!options.quiet) {
        std::printf("tolvane-play: played %.1f s, %d voices at most, %ld xruns",
                    rate > 0 ? double(player.framesPlayed()) / rate : 0.0, player.mostVoices(), xruns);
        if (player.droppedEvents() > 0)
            std::printf(", %ld MIDI events dropped", player.droppedEvents());
        if (!options.saveStatePath.empty() && result == 0)
            std::printf("; state saved to %s", options.saveStatePath.c_str());
        std::printf("\n");
        if (work.periods > 0 && rate > 0)
            std::printf("tolvane-play: work per period %.1f us mean, %.1f us longest, of %.1f us\n",
                        work.mean.count() / 1000.0, work.longest.count() / 1000.0, 1e6 * periodFrames / rate);
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const Utf8Arguments arguments(argc, argv);
    const std::vector<std::string_view> args = arguments.options();
    const PlayOptionsResult parsed = parsePlayOptions(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "tolvane-play: %s\nTry 'tolvane-play --help'.\n", parsed.error.c_str());
        return kExitUsageError;
    }
    if (parsed.options.help) {
        std::fputs(playUsageText().c_str(), stdout);
        return 0;
    }
    return run(parsed.options);
}
