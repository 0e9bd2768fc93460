// SPDX-License-Identifier: GPL-3.0-or-later
// The tone on show follows what the current part plays, and the current
// part's last note is published for the editor's playhead. Both run with the
// engine to ourselves (after each block on the audio thread, or under the
// engine lock), read only engine state and never allocate.
#include "EngineContext.h"

namespace kest::tolvane::plugin {

namespace {

// A Playhead in one word: bit 63 set once published, the tone + 1 in bits
// 0..8, bit 9 sounding, each kind's step + 1 in 7 bits from bit 10.
constexpr std::uint64_t kPublished = std::uint64_t{1} << 63;
constexpr int kStepBits = 7;
constexpr int kFirstStepBit = 10;

std::uint64_t pack(const EngineContext::Playhead& playhead)
{
    std::uint64_t bits =
        kPublished | static_cast<std::uint64_t>(playhead.tone + 1) | (playhead.sounding ? std::uint64_t{1} << 9 : 0);
    for (std::size_t k = 0; k < playhead.steps.size(); ++k)
        bits |= static_cast<std::uint64_t>(playhead.steps[k] + 1) << (kFirstStepBit + kStepBits * k);
    return bits;
}

EngineContext::Playhead unpack(std::uint64_t bits)
{
    EngineContext::Playhead playhead;
    if ((bits & kPublished) == 0)
        return playhead;
    playhead.tone = static_cast<int>(bits & 0x1FF) - 1;
    playhead.sounding = (bits >> 9) & 1;
    for (std::size_t k = 0; k < playhead.steps.size(); ++k)
        playhead.steps[k] = static_cast<int>((bits >> (kFirstStepBit + kStepBits * k)) & 0x7F) - 1;
    return playhead;
}

} // namespace

void EngineContext::followPart()
{
    toneFollowsPart_.store(true, std::memory_order_relaxed);
    selectByPart();
    followSound();
}

void EngineContext::pinCurrentTone() { toneFollowsPart_.store(false, std::memory_order_relaxed); }

void EngineContext::followSound()
{
    const synth::PartState& part = synth->part(currentPart);
    // Whatever changed the part's program or mode (MIDI, SysEx, a reset, the
    // editor) brings the tone page back to what it plays.
    if (currentPart != followedPart_ || part.mode != followedMode_ || part.program != followedProgram_) {
        followedPart_ = currentPart;
        followedMode_ = part.mode;
        followedProgram_ = part.program;
        toneFollowsPart_.store(true, std::memory_order_relaxed);
    }
    if (!toneFollowsPart())
        return;
    int tone = part.program;
    switch (part.mode) {
    case synth::kModeSampler: return;
    case synth::kModePercussion: {
        const int played = synth->lastNote(currentPart).tone;
        tone = played >= synth::kPercussionToneBase ? played : synth::kPercussionToneBase;
        break;
    }
    default: break;
    }
    // Not selectTone: only the tone and its wavetable change, so that nothing
    // the message thread's own operations read (the sample slot) is written.
    if (tone != currentTone) {
        currentTone = tone;
        currentTonePreset = &synth->tone(tone);
        selectWaveTable(currentTonePreset->wave);
    }
}

void EngineContext::publishPlayhead()
{
    Playhead playhead;
    playhead.tone = synth->lastNote(currentPart).tone;
    if (const auto* voice = synth->lastNoteVoice(currentPart)) {
        playhead.sounding = true;
        for (int k = 0; k < synth::kSequenceKindCount; ++k) {
            const auto index = static_cast<std::size_t>(k);
            if (!voice->expression.sequences[index].isEmpty())
                playhead.steps[index] = voice->cursors[index].step();
        }
    }
    const std::uint64_t bits = pack(playhead);
    if (playhead_.load(std::memory_order_relaxed) != bits)
        playhead_.store(bits, std::memory_order_release);
}

EngineContext::Playhead EngineContext::playhead() const { return unpack(playhead_.load(std::memory_order_acquire)); }

} // namespace kest::tolvane::plugin
