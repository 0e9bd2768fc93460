// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartPlay.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::synth {

void PartPlaySettings::clamp()
{
    mode = std::clamp(mode, 0, static_cast<int>(kPlayLegato));
    portamentoTime = std::clamp(portamentoTime, 0, 127);
    arpPattern = std::clamp(arpPattern, 0, static_cast<int>(kArpRandom));
    arpOctaves = std::clamp(arpOctaves, 1, kMaxArpOctaves);
    arpRate = std::clamp(arpRate, 1, kMaxArpRate);
    arpNoteValue = std::clamp(arpNoteValue, 0, kMaxArpNoteValue);
}

BeatFraction arpNoteValueBeats(int noteValue)
{
    static constexpr BeatFraction kValues[] = {{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 6}, {1, 8}, {1, 12}, {1, 16}};
    return kValues[std::clamp(noteValue, 0, kMaxArpNoteValue)];
}

int portamentoTicks(int time, int tickRate)
{
    const std::int64_t v = std::clamp(time, 0, 127);
    const std::int64_t numerator = 4 * v * v * std::max(tickRate, 1);
    constexpr std::int64_t kFullScale = 127 * 127;
    return static_cast<int>((2 * numerator + kFullScale) / (2 * kFullScale));
}

// ---- held keys ----------------------------------------------------------------

int HeldKeys::find(int key) const
{
    for (int i = 0; i < count_; ++i)
        if (keys_[static_cast<std::size_t>(i)].key == key)
            return i;
    return -1;
}

void HeldKeys::press(int key, int velocity)
{
    int i = find(key);
    if (i < 0) {
        if (count_ >= static_cast<int>(keys_.size()))
            return;
        i = count_++;
    }
    keys_[static_cast<std::size_t>(i)] = {key, velocity, nextOrder_++, false};
}

bool HeldKeys::release(int key, bool pedalDown)
{
    const int i = find(key);
    if (i < 0)
        return false;
    if (pedalDown) {
        keys_[static_cast<std::size_t>(i)].pedalHeld = true;
        return true;
    }
    std::copy(keys_.begin() + i + 1, keys_.begin() + count_, keys_.begin() + i);
    --count_;
    return true;
}

void HeldKeys::liftPedal()
{
    const auto end = std::remove_if(keys_.begin(), keys_.begin() + count_, [](const Key& k) { return k.pedalHeld; });
    count_ = static_cast<int>(end - keys_.begin());
}

const HeldKeys::Key* HeldKeys::latest() const
{
    const Key* latest = nullptr;
    for (int i = 0; i < count_; ++i)
        if (!latest || keys_[static_cast<std::size_t>(i)].order > latest->order)
            latest = &keys_[static_cast<std::size_t>(i)];
    return latest;
}

// ---- tempo ---------------------------------------------------------------------

double TempoClock::beatAt(std::int64_t time, double sampleRate) const
{
    return anchorBeat_ + static_cast<double>(time - anchorTime_) * bpm_ / (60.0 * sampleRate);
}

std::int64_t TempoClock::timeOfBeat(double beat, double sampleRate) const
{
    const double samples = (beat - anchorBeat_) * (60.0 * sampleRate) / bpm_;
    return anchorTime_ + static_cast<std::int64_t>(std::floor(samples + 0.5));
}

void TempoClock::report(std::int64_t time, double bpm, bool hasBeat, double beat, double sampleRate)
{
    if (!std::isfinite(bpm) || bpm <= 0.0 || !(sampleRate > 0.0))
        return;
    const double predicted = beatAt(time, sampleRate);
    if (!hasBeat || !std::isfinite(beat))
        beat = predicted;
    const double halfSample = 0.5 * bpm_ / (60.0 * sampleRate);
    if (bpm == bpm_ && std::abs(beat - predicted) <= halfSample)
        return;
    anchorTime_ = time;
    anchorBeat_ = beat;
    bpm_ = bpm;
    ++revision_;
}

} // namespace kest::tolvane::synth
