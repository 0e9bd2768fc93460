// SPDX-License-Identifier: GPL-3.0-or-later
// Counts every heap call the process makes while counting is on, and fails
// them on request. Link
// HeapCallCounter.cpp into a test executable (never into a sanitized one: the
// sanitizers own the allocator's entry points) and switch counting on around
// the code that must not allocate.
#pragma once

#include <atomic>

namespace tolvane_test {

extern std::atomic<bool> countingHeapCalls;
extern std::atomic<long> heapCalls;

// Counts the calls of the calling thread alone while on, whatever
// countingHeapCalls says (for one thread among several busy ones).
void countHeapCallsOnThisThread(bool on);

// While on, every allocation of the calling thread fails (malloc returns
// null, operator new throws std::bad_alloc): what an exhausted heap does.
void failHeapCallsOnThisThread(bool on);

} // namespace tolvane_test
