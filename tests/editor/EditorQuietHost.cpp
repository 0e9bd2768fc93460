// SPDX-License-Identifier: GPL-3.0-or-later
// A quiet host for measuring what the open editor costs: processor, controller
// and editor in one process on $DISPLAY, with a run loop that sleeps in poll()
// between X events and timers (the SDK's editor host spins on its own).
//
// usage: tolvane_editor_quiet_host <idle|playing|closed> <seconds> [<X server pid> [<zoom %>]]
//   idle     the editor open and untouched
//   playing  the editor open while part 1 plays a held note with modulation,
//            volume, pan and pitch bend moving in every 10 ms block
//   closed   the same song with no editor, to tell the engine's share
// A zoom (100, 150, 200) comes to the editor as the host's content scale factor.
// After one second of settling it measures for <seconds> and prints one line:
// its own CPU time, the X server's (from /proc), and the drawing requests that
// reached the editor's window (DAMAGE rectangles) with the pixels they covered.
// Two atoms interned at the start and end of the measurement mark it in an
// xtrace log (scripts/measure-editor-idle.sh counts the requests between them).
#include "EditorHostSupport.h"
#include "EngineContext.h"
#include "TolvaneIds.h"
#include "TolvaneVSTController.h"
#include "TolvaneVSTProcessor.h"
#include "VstTestSupport.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include "vstgui/lib/platform/linux/linuxfactory.h"
#include "vstgui/lib/platform/platformfactory.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

bool InitModule();
bool DeinitModule();

namespace {

using namespace tolvane_vst_test;
using namespace tolvane_editor_test;
using namespace std::chrono_literals;
using Steinberg::Vst::TolvaneVSTController;
using Steinberg::Vst::TolvaneVSTProcessor;
namespace ids = Steinberg::Vst::Tolvane;

double ownCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// utime + stime of another process, in seconds; 0 when it cannot be read.
double processCpuSeconds(long pid)
{
    if (pid <= 0)
        return 0.0;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line))
        return 0.0;
    // Fields after the command name, which sits in parentheses and may hold spaces.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Marks the measurement in an xtrace log; a harmless request of its own connection.
void markInTrace(const char* name)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (connection && !xcb_connection_has_error(connection))
        free(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::string(name).size()), name),
            nullptr));
    if (connection)
        xcb_disconnect(connection);
}

// One 10 ms block of the song: controllers move on every block.
void playBlock(TolvaneVSTProcessor& processor, int blockIndex)
{
    Block block(480);
    if (blockIndex == 0)
        block.addNoteOn(0, 60, 0.8f);
    const double phase = blockIndex * 0.05;
    block.addParameter(ids::midiParamId(0, 1), 0.5 + 0.5 * std::sin(phase));
    block.addParameter(ids::midiParamId(0, 7), 0.6 + 0.3 * std::sin(phase * 0.7));
    block.addParameter(ids::midiParamId(0, 10), 0.5 + 0.5 * std::cos(phase * 0.3));
    block.addParameter(ids::midiParamId(0, ids::kPitchBendItem), 0.5 + 0.4 * std::sin(phase * 1.3));
    processor.process(block.data);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "idle" && mode != "playing" && mode != "closed")) {
        std::fprintf(stderr, "usage: %s <idle|playing|closed> <seconds> [<X server pid> [<zoom %%>]]\n", argv[0]);
        return 2;
    }
    const auto measured = std::chrono::milliseconds(static_cast<long long>(std::atof(argv[2]) * 1000.0));
    const long serverPid = argc > 3 ? std::atol(argv[3]) : 0;
    const int zoomPercent = argc > 4 ? std::atoi(argv[4]) : 100;
    if (zoomPercent < 100 || zoomPercent > 400) {
        std::fprintf(stderr, "zoom %d %% is outside 100..400\n", zoomPercent);
        return 2;
    }
    if (!InitModule())
        return 1;
    VSTGUI::getPlatformFactory().asLinuxFactory()->setResourcePath(TOLVANE_EDITOR_RESOURCE_DIR "/");

    HostApplication host;
    auto* processor = new TolvaneVSTProcessor;
    auto* controller = new TolvaneVSTController;
    processor->initialize(&host);
    controller->initialize(&host);
    ProcessSetup setup{kRealtime, kSample32, 512, 48000.0};
    processor->setupProcessing(setup);
    processor->setActive(true);
    processor->connect(controller);
    controller->connect(processor);

    HostFrame frame;
    ParentWindow parent;
    IPlugView* view = nullptr;
    DamageWatch damage;
    if (mode != "closed") {
        view = controller->createView("editor");
        view->setFrame(&frame);
        if (zoomPercent != 100) {
            FUnknownPtr<IPlugViewContentScaleSupport> scale(view);
            if (!scale || scale->setContentScaleFactor(zoomPercent / 100.0f) != kResultTrue) {
                std::fprintf(stderr, "the editor takes no content scale factor\n");
                return 1;
            }
        }
        ViewRect size{};
        view->getSize(&size);
        if (!parent.create(size.getWidth(), size.getHeight())) {
            std::fprintf(stderr, "no X display\n");
            return 1;
        }
        if (view->attached(parent.handle(), kPlatformTypeX11EmbedWindowID) != kResultTrue) {
            std::fprintf(stderr, "the editor did not open\n");
            return 1;
        }
        parent.mapChildren();
        frame.run(100ms);
        const auto children = parent.children();
        if (children.empty() || !damage.start(children.front())) {
            std::fprintf(stderr, "cannot watch the editor's window (DAMAGE)\n");
            return 1;
        }
    }

    int blockIndex = 0;
    auto runFor = [&](std::chrono::milliseconds duration) {
        // Idle, the loop wakes for the editor's timers and X events only.
        if (mode == "idle")
            return frame.run(duration);
        const auto end = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < end) {
            frame.run(10ms);
            if (mode != "idle")
                playBlock(*processor, blockIndex++);
        }
    };
    runFor(1000ms);
    damage.collect();

    markInTrace("TOLVANE_MEASURE_BEGIN");
    const double ownBefore = ownCpuSeconds(), serverBefore = processCpuSeconds(serverPid);
    runFor(measured);
    const double ownAfter = ownCpuSeconds(), serverAfter = processCpuSeconds(serverPid);
    markInTrace("TOLVANE_MEASURE_END");

    const auto rects = damage.collect();
    long long pixels = 0;
    for (const xcb_rectangle_t& r : rects)
        pixels += static_cast<long long>(r.width) * r.height;
    const double seconds = std::chrono::duration<double>(measured).count();
    const double hostPercent = 100.0 * (ownAfter - ownBefore) / seconds;
    const double serverPercent = 100.0 * (serverAfter - serverBefore) / seconds;
    std::printf("mode=%s zoom=%d%% seconds=%.1f host_cpu=%.2f%% xserver_cpu=%.2f%% together=%.2f%% draws=%zu "
                "drawn_pixels=%lld\n",
                mode.c_str(), zoomPercent, seconds, hostPercent, serverPercent, hostPercent + serverPercent,
                rects.size(), pixels);

    if (view) {
        view->removed();
        view->setFrame(nullptr);
        view->release();
    }
    controller->disconnect(processor);
    processor->disconnect(controller);
    processor->setActive(false);
    controller->terminate();
    processor->terminate();
    controller->release();
    processor->release();
    DeinitModule();
    return 0;
}
