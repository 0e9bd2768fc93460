// SPDX-License-Identifier: GPL-3.0-or-later
#include "HeapCallCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
// Plain thread-local flags: reading them allocates nothing.
thread_local bool countingThisThread = false;
thread_local bool failingThisThread = false;
} // namespace

namespace tolvane_test {
std::atomic<bool> countingHeapCalls{false};
std::atomic<long> heapCalls{0};

void countHeapCallsOnThisThread(bool on) { countingThisThread = on; }
void failHeapCallsOnThisThread(bool on) { failingThisThread = on; }
} // namespace tolvane_test

namespace {
void note()
{
    if (countingThisThread || tolvane_test::countingHeapCalls.load(std::memory_order_relaxed))
        tolvane_test::heapCalls.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

// The executable's own allocator entry points replace the C library's and
// operator new's for the whole process, the code under test included.
extern "C" {
void* malloc(std::size_t size)
{
    note();
    return failingThisThread ? nullptr : __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size)
{
    note();
    return failingThisThread ? nullptr : __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size)
{
    note();
    return failingThisThread ? nullptr : __libc_realloc(pointer, size);
}
void free(void* pointer)
{
    if (pointer)
        note();
    __libc_free(pointer);
}
}

void* operator new(std::size_t size)
{
    note();
    if (void* p = failingThisThread ? nullptr : __libc_malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept
{
    if (pointer)
        note();
    __libc_free(pointer);
}
void operator delete[](void* pointer) noexcept { operator delete(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { operator delete(pointer); }
