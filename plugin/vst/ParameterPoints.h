// SPDX-License-Identifier: GPL-3.0-or-later
// Turns every point of the host's MIDI-parameter queues (controllers, pitch
// bend, program) into its own event, in an order that keeps MIDI's meaning.
//
// A host hands controllers over one queue per parameter, so the order in which
// different controllers arrived on one offset is gone. It is rebuilt here: the
// points on one offset are taken in rounds (the first point of every queue on
// that offset, then the second, ...), and within a round bank and parameter
// numbers (0, 32, 98-101) come before data entry (6, 38, 96, 97), which comes
// before everything else. A parameter number of 127 (the null RPN or NRPN that
// ends a set-up) only deselects, so it waits until every other point of its
// offset has been applied. An RPN set-up sent on one tick as 101, 100, 6, 38,
// several of them in a row, and then 101/100 = 127 thus selects and enters
// each in turn, and only then deselects.
#pragma once

#include <array>
#include <cstdint>

namespace kest::tolvane::plugin {

class PendingMidiEvents;

class ParameterPoints {
public:
    static constexpr int kCapacity = 1024;

    // Call beginQueue before the points of each queue, then add its points in
    // their queue order. Points past kCapacity in one block are dropped.
    void beginQueue();
    void add(int type, int channel, int data1, int data2, int time);

    // Adds the collected events to `events` in the rebuilt order and forgets them.
    void moveInto(PendingMidiEvents& events);
    void clear() { count_ = 0; }
    int count() const { return count_; }

    // 0: bank and parameter numbers, 1: data entry, 2: everything else.
    static int rank(int type, int controller);

private:
    struct Point {
        std::int32_t time;
        std::int32_t round;
        std::int32_t rank;
        std::int32_t sequence; // delivery order, which breaks every remaining tie
        std::uint8_t type, channel, data1, data2;
    };

    std::array<Point, kCapacity> points_{};
    int count_ = 0;
    int queueTime_ = -1;
    int nextRound_ = 0;
};

} // namespace kest::tolvane::plugin
