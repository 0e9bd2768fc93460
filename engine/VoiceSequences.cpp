// SPDX-License-Identifier: GPL-3.0-or-later
// A tone voice on the tick clock: its tone's volume, arpeggio, pitch and wave
// sequences and its LFO's delay and fade-in, moved on at each tick between
// two renders, so that every render set sees the same changes at the same
// sample.
#include <algorithm>
#include <utility>

#include "LfoSteps.h"
#include "LogCode.h"
#include "NoiseStep.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {

using Voice = SynthesizerWT::VoiceUnitWT;

// A pitch step counts 1/16 semitone; the engine counts 8192 units an octave,
// so a step is 128/3 units. The nearest unit (never a tie: 3 does not divide
// 128 p): floor((128 p + 1) / 3).
int pitchUnitsOfSixteenths(int sixteenths)
{
    const int numerator = sixteenths * 128 + 1;
    return numerator >= 0 ? numerator / 3 : -((2 - numerator) / 3);
}

constexpr int kNeutralVolume = kMaxVolumeStep;

// The value a sequence gives now: its neutral value when the tone has no such
// sequence or it has not begun.
int valueAt(const ToneSequence& sequence, const SequenceCursor& cursor, int neutral)
{
    return sequence.isEmpty() || cursor.step() < 0 ? neutral : sequence.values[static_cast<std::size_t>(cursor.step())];
}

} // namespace

void Voice::startExpression(const ToneExpression& source, int tickRate, int sampleRate)
{
    tickTime = kNoTick;
    ticks = 0;
    if (!source.changesSound()) {
        // No copy is taken; the sequences of an earlier note must not seem to play.
        for (ToneSequence& sequence : expression.sequences)
            sequence.length = 0;
        return;
    }
    expression = source;
    normaliseExpression(expression);
    pitchSum = 0;

    const ToneLfoTiming& timing = expression.lfo;
    toneLfoDepth = timing.depth;
    lfoFadeStep = timing.delay > 0 || timing.fade > 0 ? 0 : 1;
    lfoFadeSteps = timing.delay == 0 && timing.fade > 0 ? timing.fade : 1;
    lfoDepth = lfoDepthNow();

    for (int k = 0; k < kSequenceKindCount; ++k)
        if (const ToneSequence& sequence = expression.sequences[static_cast<std::size_t>(k)]; !sequence.isEmpty()) {
            SequenceCursor& cursor = cursors[static_cast<std::size_t>(k)];
            cursor.start(sequence);
            if (k == static_cast<int>(SequenceKind::Pitch) && cursor.step() >= 0)
                pitchSum = valueAt(sequence, cursor, 0);
        }
    applySequences(true, true, true);
    if (!expression.needsTicks())
        return;
    tickClock = TickClock{sampleRate, std::clamp(tickRate, kMinTickRate, kMaxTickRate), 0};
    tickTime = engine_->eventTime() + tickClock.nextTickLength();
}

void Voice::tick()
{
    tickTime += tickClock.nextTickLength();
    stepLfoTiming();

    bool pitchMoved = false, levelMoved = false, waveMoved = false;
    for (int k = 0; k < kSequenceKindCount; ++k) {
        const ToneSequence& sequence = expression.sequences[static_cast<std::size_t>(k)];
        if (sequence.isEmpty())
            continue;
        SequenceCursor& cursor = cursors[static_cast<std::size_t>(k)];
        const SequenceCursor::Move move = cursor.tick(sequence);
        if (move == SequenceCursor::Move::None)
            continue;
        switch (static_cast<SequenceKind>(k)) {
        case SequenceKind::Volume: levelMoved = true; break;
        case SequenceKind::Wave: waveMoved = true; break;
        case SequenceKind::Arpeggio: pitchMoved = true; break;
        case SequenceKind::Pitch:
            // A relative sequence adds each step it plays, so a looped step is a sweep.
            if (sequence.mode == kSequenceRelative && move == SequenceCursor::Move::NewStep)
                pitchSum = std::clamp(pitchSum + valueAt(sequence, cursor, 0), -kMaxPitchOffset, kMaxPitchOffset);
            pitchMoved = true;
            break;
        }
    }
    applySequences(pitchMoved, levelMoved, waveMoved);

    const ToneSequence& volume = expression.sequence(SequenceKind::Volume);
    const SequenceCursor& volumeCursor = cursors[static_cast<std::size_t>(SequenceKind::Volume)];
    if (!volume.isEmpty() && volumeCursor.ended(volume) && valueAt(volume, volumeCursor, kNeutralVolume) == 0) {
        stop(); // the sound has ended on silence for good
        return;
    }
    if (!staysOnTickClock())
        tickTime = kNoTick;
}

void Voice::releaseSequences()
{
    if (tickTime == kNoTick)
        return;
    for (int k = 0; k < kSequenceKindCount; ++k)
        if (!expression.sequences[static_cast<std::size_t>(k)].isEmpty())
            cursors[static_cast<std::size_t>(k)].release();
}

// The LFO is silent through the delay, starts again from its first step when
// the delay ends (so a late vibrato begins at the centre of its swing) and its
// depth rises in whole steps over the fade.
void Voice::stepLfoTiming()
{
    const ToneLfoTiming& timing = expression.lfo;
    if (lfoFadeStep >= lfoFadeSteps)
        return;
    ++ticks;
    if (timing.delay > 0 && ticks == timing.delay) {
        lfoCounter = kLfoCounterPeriod;
        lfoIndex &= 1; // the first step of its half of the interleaved table
        lfoFadeSteps = timing.fade > 0 ? timing.fade : 1;
        lfoFadeStep = timing.fade > 0 ? 0 : 1;
    } else if (ticks > timing.delay) {
        ++lfoFadeStep;
    }
    lfoDepth = lfoDepthNow();
}

bool Voice::staysOnTickClock() const
{
    if (lfoFadeStep < lfoFadeSteps)
        return true;
    for (int k = 0; k < kSequenceKindCount; ++k) {
        const ToneSequence& sequence = expression.sequences[static_cast<std::size_t>(k)];
        if (!sequence.isEmpty() && !cursors[static_cast<std::size_t>(k)].ended(sequence))
            return true;
    }
    return false;
}

void Voice::applySequences(bool pitchMoved, bool levelMoved, bool waveMoved)
{
    if (levelMoved) {
        const ToneSequence& volume = expression.sequence(SequenceKind::Volume);
        const int step = valueAt(volume, cursors[static_cast<std::size_t>(SequenceKind::Volume)], kNeutralVolume);
        levelAttenuation = std::min(toneLevel + tables_->volumeStep[static_cast<std::size_t>(step)], kLogCodeSilence);
    }
    if (pitchMoved) {
        const ToneSequence& arpeggio = expression.sequence(SequenceKind::Arpeggio);
        const SequenceCursor& arpeggioCursor = cursors[static_cast<std::size_t>(SequenceKind::Arpeggio)];
        int note = playedNote;
        if (!arpeggio.isEmpty() && arpeggioCursor.step() >= 0) {
            const int value = valueAt(arpeggio, arpeggioCursor, 0);
            if (arpeggio.mode == kSequenceRelative)
                note = std::clamp(playedNote + value, 0, 127);
            else if (!arpeggioCursor.holding()) // a fixed arpeggio that has run out returns to the note
                note = value;
        }
        const ToneSequence& pitch = expression.sequence(SequenceKind::Pitch);
        const SequenceCursor& pitchCursor = cursors[static_cast<std::size_t>(SequenceKind::Pitch)];
        const int offset =
            pitch.isEmpty() || pitch.mode == kSequenceRelative ? pitchSum : valueAt(pitch, pitchCursor, 0);
        basePitch = pitchRoot + tables_->keyPitch[static_cast<std::size_t>(note)] + pitchUnitsOfSixteenths(offset);
        recomputePitch();
    }
    if (waveMoved) {
        const ToneSequence& waves = expression.sequence(SequenceKind::Wave);
        const int value = valueAt(waves, cursors[static_cast<std::size_t>(SequenceKind::Wave)], -1);
        if (structure == VoiceStructure::Noise || structure == VoiceStructure::ShortNoise) {
            useNoiseRegister(value > 0);
        } else {
            wave = std::as_const(*engine_).waveTable(value < 0 ? toneWave : value);
            levelCache.attenuation = WaveLevelCache::kStale;
        }
    }
}

// The short register runs in the low 7 bits of the same register, so a
// switch keeps the noise going; it must not be left at 0, where it would stick.
void Voice::useNoiseRegister(bool shortPeriod)
{
    const VoiceStructure wanted = shortPeriod ? VoiceStructure::ShortNoise : VoiceStructure::Noise;
    if (wanted == structure)
        return;
    if (shortPeriod) {
        lfsr &= kShortNoiseMask;
        if (lfsr == 0)
            lfsr = 1;
    }
    structure = wanted;
    useKernels(*runKernels);
}

} // namespace kest::tolvane::synth
