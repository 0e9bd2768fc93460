// SPDX-License-Identifier: GPL-3.0-or-later
// A fixed-capacity ring for one producer thread and one consumer thread:
// no allocation after construction, no lock, no system call. A full ring
// refuses the push; the producer decides whether to wait or retry.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace kest::tolvane::plugin {

template <typename T, std::size_t Capacity> class SpscQueue {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    // Producer side. False when the ring is full; nothing is written then.
    bool push(const T& item)
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity)
            return false;
        items_[tail & (Capacity - 1)] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer side. False when the ring is empty.
    bool pop(T& item)
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return false;
        item = items_[head & (Capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Producer side: a push would fail.
    bool full() const
    {
        return tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire) == Capacity;
    }
    // Either side; exact only on the side that is not moving it.
    bool empty() const { return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire); }
    static constexpr std::size_t capacity() { return Capacity; }

private:
    // Head and tail on their own cache lines, so the two threads do not share one.
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
    alignas(64) std::array<T, Capacity> items_{};
};

} // namespace kest::tolvane::plugin
