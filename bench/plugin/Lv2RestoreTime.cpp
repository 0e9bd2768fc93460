// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane_lv2_restore_time: how long the LV2 plug-in (loaded by lilv from the
// bundle) takes to restore the factory bank's state through its state
// interface, as a host restores a project or a preset into an active
// instance: its blocks run on an audio thread, which the host holds between
// two blocks while its main thread restores (LV2 never runs restore beside a
// block); and into an instance that never ran. Each the best, the median and
// the worst of nine restores. Not a test: a measurement.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "Lv2Songs.h"

namespace {

using namespace tolvane_lv2_test;
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 512;
constexpr int kRestores = 9;

double restoreMilliseconds(PluginInstance& plugin)
{
    const auto before = Clock::now();
    if (!plugin.restoreState(bankState()))
        std::fprintf(stderr, "tolvane_lv2_restore_time: the plug-in refused the state\n");
    return std::chrono::duration<double, std::milli>(Clock::now() - before).count();
}

void report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%s: best %.3f ms, median %.3f ms, worst %.3f ms\n", what, times.front(), times[times.size() / 2],
                times.back());
}

} // namespace

int main()
{
    bankState(); // built before the clock runs
    std::vector<double> between, fresh;
    const std::vector<MidiAt> noEvents;
    PluginInstance running(kRate, kBlock);
    for (int i = 0; i < kRestores; ++i) {
        std::thread audio([&] {
            for (int block = 0; block < 20; ++block) {
                running.setEvents(noEvents);
                running.run(kBlock);
            }
        });
        audio.join();
        between.push_back(restoreMilliseconds(running));
        PluginInstance unused(kRate, kBlock);
        fresh.push_back(restoreMilliseconds(unused));
    }
    report("restore between blocks of an active instance", between);
    report("restore into an instance that never ran", fresh);
    return 0;
}
