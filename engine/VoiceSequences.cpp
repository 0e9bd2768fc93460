// SPDX-License-Identifier: GPL-3.0-or-later
// A tone voice on the tick clock: its tone's volume, arpeggio, pitch and wave
// sequences, its LFO's delay and fade-in and a portamento glide, moved on at
// each tick between two renders, so that every render set sees the same
// changes at the same sample; and a legato change of note.
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
    glideOffset = glideTicks = glideTick = 0;
    tickClock = TickClock{sampleRate, std::clamp(tickRate, kMinTickRate, kMaxTickRate), 0};
    expressionActive = source.changesSound();
    if (!expressionActive) {
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
    if (expression.needsTicks())
        startTickClock();
}

void Voice::startTickClock()
{
    if (tickTime == kNoTick)
        tickTime = engine_->eventTime() + tickClock.nextTickLength();
}

void Voice::tick()
{
    tickTime += tickClock.nextTickLength();
    bool pitchMoved = false, levelMoved = false, waveMoved = false;
    if (glideTick < glideTicks) {
        // The straight line from the glide's start to the note, at this tick,
        // to the nearest 1/16 semitone (halves away from the note's far side).
        ++glideTick;
        const int remaining = glideTicks - glideTick;
        const int scaled = glideFrom * remaining;
        glideOffset = (scaled >= 0 ? 2 * scaled + glideTicks : 2 * scaled - glideTicks) / (2 * glideTicks);
        pitchMoved = true;
    }
    if (expressionActive)
        stepExpression(pitchMoved, levelMoved, waveMoved);
    applySequences(pitchMoved, levelMoved, waveMoved);

    if (expressionActive) {
        const ToneSequence& volume = expression.sequence(SequenceKind::Volume);
        const SequenceCursor& volumeCursor = cursors[static_cast<std::size_t>(SequenceKind::Volume)];
        if (!volume.isEmpty() && volumeCursor.ended(volume) && valueAt(volume, volumeCursor, kNeutralVolume) == 0) {
            stop(); // the sound has ended on silence for good
            return;
        }
    }
    if (!staysOnTickClock())
        tickTime = kNoTick;
}

void Voice::stepExpression(bool& pitchMoved, bool& levelMoved, bool& waveMoved)
{
    stepLfoTiming();
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
}

void Voice::startGlide(int fromSixteenths, int ticks)
{
    if (structure == VoiceStructure::SampleMono || structure == VoiceStructure::SampleStereo || ticks <= 0 ||
        fromSixteenths == 0)
        return;
    glideFrom = fromSixteenths;
    glideOffset = fromSixteenths;
    glideTicks = ticks;
    glideTick = 0;
    applySequences(true, false, false);
    startTickClock();
}

int Voice::glidePitch() const { return 16 * playedNote + glideOffset; }

bool Voice::changeNote(int newKey)
{
    const bool samples = structure == VoiceStructure::SampleMono || structure == VoiceStructure::SampleStereo;
    if (samples || !(status & kHeldBit))
        return false;
    // A percussion key plays its own tone at that tone's note: another key
    // is another sound, which only a restart gives.
    if (engine_->part(channel).mode == kModePercussion && kPercussionToneBase + (newKey & 0x7F) != toneIndex)
        return false;
    key = newKey & 0x7F;
    if (engine_->part(channel).mode == kModePercussion)
        return true;
    playedNote = key;
    glideOffset = glideTicks = glideTick = 0;
    applySequences(true, false, false);
    return true;
}

void Voice::releaseSequences()
{
    if (!expressionActive)
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
    if (glideTick < glideTicks)
        return true;
    if (!expressionActive)
        return false;
    if (lfoFadeStep < lfoFadeSteps)
        return true;
    for (int k = 0; k < kSequenceKindCount; ++k) {
        const ToneSequence& sequence = expression.sequences[static_cast<std::size_t>(k)];
        if (!sequence.isEmpty() && !cursors[static_cast<std::size_t>(k)].ended(sequence))
            return true;
    }
    return false;
}

// The tone's sequences (when it has any) and the glide at their present
// values, into the pitch, the level and the wave.
void Voice::applySequences(bool pitchMoved, bool levelMoved, bool waveMoved)
{
    if (pitchMoved)
        applyPitch();
    if (!expressionActive)
        return;
    if (levelMoved) {
        const ToneSequence& volume = expression.sequence(SequenceKind::Volume);
        const int step = valueAt(volume, cursors[static_cast<std::size_t>(SequenceKind::Volume)], kNeutralVolume);
        levelAttenuation = std::min(toneLevel + tables_->volumeStep[static_cast<std::size_t>(step)], kLogCodeSilence);
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

void Voice::applyPitch()
{
    int note = playedNote;
    int offset = glideOffset;
    if (expressionActive) {
        const ToneSequence& arpeggio = expression.sequence(SequenceKind::Arpeggio);
        const SequenceCursor& arpeggioCursor = cursors[static_cast<std::size_t>(SequenceKind::Arpeggio)];
        if (!arpeggio.isEmpty() && arpeggioCursor.step() >= 0) {
            const int value = valueAt(arpeggio, arpeggioCursor, 0);
            if (arpeggio.mode == kSequenceRelative)
                note = std::clamp(playedNote + value, 0, 127);
            else if (!arpeggioCursor.holding()) // a fixed arpeggio that has run out returns to the note
                note = value;
        }
        const ToneSequence& pitch = expression.sequence(SequenceKind::Pitch);
        const SequenceCursor& pitchCursor = cursors[static_cast<std::size_t>(SequenceKind::Pitch)];
        offset += pitch.isEmpty() || pitch.mode == kSequenceRelative ? pitchSum : valueAt(pitch, pitchCursor, 0);
    }
    basePitch = pitchRoot + tables_->keyPitch[static_cast<std::size_t>(note)] + pitchUnitsOfSixteenths(offset);
    recomputePitch();
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
