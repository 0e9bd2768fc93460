// SPDX-License-Identifier: GPL-3.0-or-later
// The audio callback's work allocates nothing and makes no system call. Heap
// calls are counted by replacing the allocator's entry points for the whole
// process; system calls by a seccomp filter on the thread that plays the
// periods, which turns each one into a counted signal instead of running it.
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <thread>

#include "EngineContext.h"
#include "FactoryBank.h"
#include "HeapCallCounter.h"
#include "LivePlayer.h"
#include "LiveTestSupport.h"

namespace {
std::atomic<long> systemCalls{0};
std::atomic<long> firstSystemCall{-1};

// Runs instead of the trapped system call, which then returns garbage: only
// the count matters, and nothing in a correct callback gets here.
extern "C" void onSystemCall(int, siginfo_t* info, void*)
{
    long none = -1;
    firstSystemCall.compare_exchange_strong(none, info->si_syscall);
    systemCalls.fetch_add(1, std::memory_order_relaxed);
}

// Every system call of this thread from now on traps, except returning from
// the trap's handler and ending the thread.
bool trapSystemCalls()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}
} // namespace

using namespace kest::tolvane;
using namespace kest::tolvane::tools;
using namespace tolvane_live_test;

namespace {

// A busy stretch of live MIDI: chords on every channel, controllers, bends,
// program changes, the engine's SysEx and a foreign one, and one crowded period.
std::vector<Message> busyMidi(int periods, int period)
{
    std::vector<Message> m;
    for (int p = 0; p < periods; ++p) {
        const int at = p * period;
        const int channel = p % 16;
        for (int k = 0; k < 8; ++k)
            m.push_back(noteOn(at + k, channel, 40 + (p * 5 + k) % 48));
        if (p > 4)
            m.push_back(noteOff(at + 3, (channel + 11) % 16, 40 + ((p - 5) * 5) % 48));
        m.push_back(control(at + 7, channel, 1 + p % 11, p % 128));
        m.push_back({at + 9, {static_cast<std::uint8_t>(0xE0 | channel), static_cast<std::uint8_t>(p % 128), 0x40}});
        if (p % 7 == 0)
            m.push_back({at + 11, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(p % 128)}});
        if (p % 5 == 0)
            m.push_back(
                {at + 13, {0xF0, 0x7D, 0x10, 0x20, 0x04, static_cast<std::uint8_t>(p % 128), 0x19, 0x10, 0xF7}});
        if (p % 9 == 0)
            m.push_back({at + 13, {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}});
        if (p == periods / 2)
            for (int i = 0; i < 600; ++i)
                m.push_back(control(at + 20, i % 16, 11, i % 128));
    }
    return m;
}

void expectNoHeapOrSystemCalls(OutputLayout layout)
{
    constexpr int kPeriod = 256, kPeriods = 200, kWarmUp = 20;
    plugin::EngineContext context;
    loadFactoryBank(context);
    context.synth->receiveSysEx = true;
    LivePlayer player(context, layout);
    player.setSampleRate(48000);
    player.reserveFrames(kPeriod);
    const std::vector<Message> midi = busyMidi(kPeriods, kPeriod);
    std::vector<PeriodMidi> periods; // built here: the counted thread must not build them
    for (int p = 0; p < kPeriods; ++p)
        periods.emplace_back(midi, p * kPeriod, kPeriod);
    std::vector<std::vector<float>> buffers(static_cast<std::size_t>(channelCount(layout)),
                                            std::vector<float>(kPeriod));
    std::vector<float*> outputs;
    for (auto& b : buffers)
        outputs.push_back(b.data());

    struct sigaction action {};
    action.sa_sigaction = onSystemCall;
    action.sa_flags = SA_SIGINFO;
    ASSERT_EQ(::sigaction(SIGSYS, &action, nullptr), 0);

    bool trapped = false;
    long selfCheckHeap = 0, selfCheckCalls = 0, playingCalls = -1;
    std::thread audio([&] {
        void* (*volatile allocate)(std::size_t) = std::malloc;
        void (*volatile release)(void*) = std::free;
        release(allocate(64)); // the thread's first allocation maps its arena: not under the filter
        for (int p = 0; p < kWarmUp; ++p)
            player.process(periods[static_cast<std::size_t>(p)], outputs.data(), kPeriod);
        trapped = trapSystemCalls();
        if (!trapped)
            return;
        // Both counters must see what they count, or the zeros below would prove nothing.
        tolvane_test::heapCalls = 0;
        systemCalls = 0;
        tolvane_test::countingHeapCalls = true;
        release(allocate(64));
        tolvane_test::countingHeapCalls = false;
        ::syscall(SYS_getppid);
        selfCheckHeap = tolvane_test::heapCalls.exchange(0);
        selfCheckCalls = systemCalls.exchange(0);
        firstSystemCall = -1;

        tolvane_test::countingHeapCalls = true;
        for (int p = kWarmUp; p < kPeriods; ++p)
            player.process(periods[static_cast<std::size_t>(p)], outputs.data(), kPeriod);
        tolvane_test::countingHeapCalls = false;
        playingCalls = systemCalls.load(); // the thread's own ending makes system calls of its own
    });
    audio.join();
    ASSERT_TRUE(trapped) << "seccomp filters are not available here";
    ASSERT_EQ(selfCheckHeap, 2);
    ASSERT_EQ(selfCheckCalls, 1);
    EXPECT_EQ(tolvane_test::heapCalls.load(), 0) << "heap calls while playing";
    EXPECT_EQ(playingCalls, 0) << "system calls while playing, the first one number " << firstSystemCall.load();
    EXPECT_GT(player.mostVoices(), 100); // the periods really played
    EXPECT_EQ(player.droppedEvents(), 0);
}

} // namespace

TEST(LiveRealtime, SummedOutputPeriodsNeitherAllocateNorCallTheSystem)
{
    expectNoHeapOrSystemCalls(OutputLayout::Summed);
}

TEST(LiveRealtime, MultiOutputPeriodsNeitherAllocateNorCallTheSystem)
{
    expectNoHeapOrSystemCalls(OutputLayout::Multi);
}
