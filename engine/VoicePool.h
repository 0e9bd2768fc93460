// The engine's voices seen through their common base, and the search that
// picks the voice for a new note.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "VoiceUnitBase.h"

namespace kest::tolvane::synth {

// The size is a power of two so that the search ring wraps with a mask; size,
// mask and the search cursor change only together, in adopt.
class VoicePool {
public:
    static constexpr int kMaxSize = 1024;

    // count rounded up to a power of two, at most kMaxSize; 1 below 1.
    static int roundedSize(int count);

    // Takes the count voices of an array the engine owns and puts the cursor
    // back on voice 0. count must be a size roundedSize gives; any other
    // leaves the pool empty, so that the mask always covers the voices.
    template <typename Voice> void adopt(Voice* voices, int count)
    {
        size_ = voices && count == roundedSize(count) ? count : 0;
        for (int i = 0; i < size_; ++i)
            slots_[static_cast<std::size_t>(i)] = &voices[i];
        cursor_ = 0;
        sounding_.fill(0);
    }

    int size() const { return size_; }
    int mask() const { return size_ - 1; }
    // The voice that took the previous note; the search starts after it.
    int cursor() const { return cursor_; }

    VoiceUnitBase& operator[](int index) const { return *slots_[static_cast<std::size_t>(index)]; }

    // Three passes over the ring from the voice after the cursor back to it:
    // a free voice, else a releasing or fading one, else a held one. The
    // cursor moves to the voice found; -1 when the pool is empty or every
    // pass failed.
    int findVoice();

    // The sounding set: every voice a note claimed since it was last found
    // free. The block loop walks only these, in pool order (the order in which
    // voices add into a shared output), instead of every voice of the pool.
    void markSounding(int index)
    {
        if (index >= 0 && index < size_)
            sounding_[static_cast<std::size_t>(index) / 64] |= std::uint64_t{1} << (index % 64);
    }
    // Calls fn on each voice of the set that is not free, in pool order, and
    // drops the free ones from the set.
    template <typename Fn> void forEachSounding(Fn fn)
    {
        for (int word = 0; word * 64 < size_; ++word) {
            std::uint64_t& bits = sounding_[static_cast<std::size_t>(word)];
            for (std::uint64_t left = bits; left != 0; left &= left - 1) {
                const int bit = std::countr_zero(left);
                VoiceUnitBase& v = (*this)[word * 64 + bit];
                if (v.status == VoiceUnitBase::kFree)
                    bits &= ~(std::uint64_t{1} << bit);
                else
                    fn(v);
            }
        }
    }
    int soundingCount() const;
    // At least soundingCount(), without visiting the voices: the set may still
    // hold voices that ended since the last walk.
    int soundingUpperBound() const
    {
        int count = 0;
        for (int word = 0; word * 64 < size_; ++word)
            count += std::popcount(sounding_[static_cast<std::size_t>(word)]);
        return count;
    }

    class Iterator {
    public:
        explicit Iterator(VoiceUnitBase* const* slot) : slot_(slot) {}
        VoiceUnitBase& operator*() const { return **slot_; }
        Iterator& operator++()
        {
            ++slot_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return slot_ != other.slot_; }

    private:
        VoiceUnitBase* const* slot_;
    };
    Iterator begin() const { return Iterator(slots_.data()); }
    Iterator end() const { return Iterator(slots_.data() + size_); }

private:
    std::array<VoiceUnitBase*, kMaxSize> slots_{};
    int size_ = 0;
    int cursor_ = 0;
    std::array<std::uint64_t, kMaxSize / 64> sounding_{};
};

} // namespace kest::tolvane::synth
