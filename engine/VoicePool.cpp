// SPDX-License-Identifier: GPL-3.0-or-later
#include "VoicePool.h"

namespace kest::tolvane::synth {

int VoicePool::roundedSize(int count)
{
    int size = 1;
    while (size < count && size < kMaxSize)
        size <<= 1;
    return size;
}

int VoicePool::soundingCount() const
{
    int count = 0;
    for (int word = 0; word * 64 < size_; ++word)
        for (std::uint64_t left = sounding_[static_cast<std::size_t>(word)]; left != 0; left &= left - 1)
            count += (*this)[word * 64 + std::countr_zero(left)].status != VoiceUnitBase::kFree ? 1 : 0;
    return count;
}

int VoicePool::findVoice()
{
    if (size_ <= 0)
        return -1;
    // The ring search skips the voice that took the previous note; a pool of
    // one voice would then never play, so there the single voice is examined.
    if (size_ == 1) {
        cursor_ = 0;
        return 0;
    }
    const int ringMask = mask();
    auto pass = [&](auto accepts) {
        for (int i = (cursor_ + 1) & ringMask; i != cursor_; i = (i + 1) & ringMask) {
            if (accepts((*this)[i].status)) {
                cursor_ = i;
                return i;
            }
        }
        return -1;
    };
    int found = pass([](int status) { return status == VoiceUnitBase::kFree; });
    if (found < 0)
        found =
            pass([](int status) { return (status & (VoiceUnitBase::kReleasedBit | VoiceUnitBase::kFadingBit)) != 0; });
    if (found < 0)
        found = pass([](int status) { return (status & VoiceUnitBase::kHeldBit) != 0; });
    return found;
}

} // namespace kest::tolvane::synth
