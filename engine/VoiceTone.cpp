// SPDX-License-Identifier: GPL-3.0-or-later
// The tone voice: binding, note on/off, envelope, pitch, render dispatch and
// the plain oscillator.
#include <algorithm>
#include <climits>
#include <utility>

#include "EnvelopeSegment.h"
#include "FixedPoint.h"
#include "OscillatorStep.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::synth {

namespace {
constexpr std::int32_t kNeverEnds = INT_MAX;
constexpr int kAttack = 1, kDecay = 2, kSustain = 4, kRelease = 8, kFinalFade = 0;

int clamp7(int v) { return std::clamp(v, 0, 127); }
} // namespace

using Voice = SynthesizerWT::VoiceUnitWT;

void Voice::bind(SynthesizerWT& engine)
{
    engine_ = &engine;
    tables_ = engine.tables_;
    gainCurve_ = tables_->gainCurve.data();
    panTable_ = tables_->pan.data();
    rates = engine.rates_;
    runKernels = engine.runKernels_;
    phaseMask = engine.tableSize * kQ18One - 1;
    noiseMask = phaseMask >> 5;
    masterVolume = engine.masterVolume;
    wave = std::as_const(engine).waveTable(0);
    envCurve = tables_->decayCurve.data();
    lfsr = 1;
    structure = VoiceStructure::Silent;
    renderFn = &renderStopOnly;
    stop();
}

void Voice::useKernels(const VoiceRunKernels& kernels)
{
    runKernels = &kernels;
    renderFn = kernels.forStructure(structure, (phaseMask >> kQ18Bits) + 1);
}

void Voice::stop() { VoiceUnitBase::stop(); }

// ---- note on ------------------------------------------------------------------

void Voice::noteOn(int noteChannel, int noteKeyIn, int velocity)
{
    const PartState& part = engine_->part(noteChannel);
    const bool percussion = part.mode == kModePercussion;
    const int midiKey = clamp7(noteKeyIn);
    const int toneIndex = percussion ? kPercussionToneBase + midiKey : part.program;
    const TonePreset& tone = engine_->tone(toneIndex);
    noteTone = toneIndex;

    int noteKey = midiKey;
    int kfOffset = 0;
    if (percussion) {
        noteKey = clamp7(tone.key);
        panIndex = clamp7(tone.pan);
    } else {
        panIndex = 64;
        const int follow = std::clamp(midiKey - clamp7(tone.kfStart) + 127, 0, 255);
        kfOffset = tables_->keyFollow[static_cast<std::size_t>(follow)] << std::clamp(tone.kf, 0, 3);
    }

    status = kHeld;
    channel = noteChannel & 0x0F;
    key = midiKey;
    setupGains(gainCurve_, panTable_, part.cc[7], part.cc[11], part.cc[10], velocity, masterVolume);

    pitchRoot = rates.pitchBase - 8192 + std::clamp(tone.tune, 0, 16383);
    playedNote = noteKey;
    basePitch = pitchRoot + tables_->keyPitch[static_cast<std::size_t>(noteKey)];
    bendRangePitch = tables_->keyPitch[static_cast<std::size_t>(clamp7(part.bendRange))];
    bendDelta = std::clamp(part.pitchBend, 0, 16383) - 8192;
    bendOffset = (bendDelta * bendRangePitch) >> 13;
    partTune = partTuningPitch(part);
    lfoPitchOffset = 0;
    recomputePitch();
    phase = 0;
    toneWave = tone.wave & 0x7F;
    wave = std::as_const(*engine_).waveTable(toneWave);
    levelCache.attenuation = WaveLevelCache::kStale;

    setupLfo(tone, part.cc[1]);
    setupEnvelope(tone.ar, tone.dr, tone.sl, tone.rr, tone.tl, kfOffset);
    toneLevel = levelAttenuation;
    // strc 0..3; other values use bits 0-1.
    static constexpr VoiceStructure kByStrc[4] = {VoiceStructure::NoLfo, VoiceStructure::LfoPitch,
                                                  VoiceStructure::LfoLevel, VoiceStructure::Noise};
    structure = kByStrc[tone.strc & 3];
    useKernels(*runKernels);
    startExpression(engine_->toneExpression(toneIndex), engine_->getTickRate(), engine_->wholeSampleRate());
}

// ---- envelope -------------------------------------------------------------------

void Voice::setupEnvelope(int ar, int dr, int sl, int rr, int tl, int kfOffset)
{
    ar = clamp7(ar);
    dr = clamp7(dr);
    sl = clamp7(sl);
    rr = clamp7(rr);
    tl = clamp7(tl);
    const SynthTables& t = *tables_;
    const int rateKey = rates.envRateBase + kfOffset;

    levelAttenuation = t.levelAtt[static_cast<std::size_t>(tl)];
    silencePos = t.envLevel[static_cast<std::size_t>(128 - tl)];
    slParam = sl;
    sustainPos = std::min(t.envLevel[static_cast<std::size_t>(sl)], silencePos);
    attackRate = t.rate2(rateKey + ar * 1024);
    decayRate = t.rate2(rateKey + dr * 1024);
    releaseRate = t.rate2(rateKey + rr * 1024);
    envPos = 0;

    if (ar <= 126) {
        envCurve = t.attackCurve.data();
        envEnd = kEnvelopeTop;
        envRate = attackRate;
        envState = kAttack;
    } else {
        startDecay();
    }
}

void Voice::startDecay()
{
    envCurve = tables_->decayCurve.data();
    envPos = 0;
    if (slParam >= 1) {
        envEnd = sustainPos;
        envRate = decayRate;
        envState = kDecay;
    } else {
        envEnd = kNeverEnds;
        envRate = 0;
        envState = kSustain;
    }
}

bool Voice::advanceEnvelope()
{
    switch (envState) {
    case kAttack: startDecay(); return true;
    case kDecay:
        if (sustainPos >= silencePos)
            break;
        envCurve = tables_->decayCurve.data();
        envPos = sustainPos;
        envRate = 0;
        envEnd = kNeverEnds;
        envState = kSustain;
        return true;
    default: break;
    }
    stop();
    return false;
}

bool Voice::leaveAttack()
{
    if (envState != kAttack)
        return true;
    // Same attenuation on the decay curve: attack codes are even and
    // decayCurve[i] = 2i, so the code c sits at position (c / 2) << 18.
    if (envPos < kEnvelopeTop) {
        const std::int32_t code = tables_->attackCurve[static_cast<std::size_t>(envPos >> kQ18Bits)];
        envPos = code << (kQ18Bits - 1);
    } else {
        envPos = 0;
    }
    envCurve = tables_->decayCurve.data();
    if (envPos > silencePos) {
        stop();
        return false;
    }
    return true;
}

void Voice::noteOff()
{
    if (!(status & kHeldBit))
        return;
    if (!leaveAttack())
        return;
    envEnd = silencePos;
    envRate = releaseRate;
    envState = kRelease;
    status = kReleased;
    currentEnd = releaseEnd;
    currentLoopLength = releaseLoopLength;
    releaseSequences();
}

void Voice::soundOff()
{
    if (!(status & (kHeldBit | kReleasedBit)))
        return;
    if (!leaveAttack())
        return;
    envEnd = silencePos;
    envRate = rates.soundOffRate;
    envState = kFinalFade;
    status = kFading;
    channel = -1;
    currentEnd = releaseEnd;
    currentLoopLength = releaseLoopLength;
    releaseSequences();
}

// ---- pitch ------------------------------------------------------------------------

void Voice::recomputePitch() { phaseInc = tables_->pow2(basePitch + partTune + lfoPitchOffset + bendOffset); }

void Voice::setPitchBend(int value)
{
    bendDelta = std::clamp(value, 0, 16383) - 8192;
    bendOffset = (bendDelta * bendRangePitch) >> 13;
    recomputePitch();
}

void Voice::setPartTuning(int pitch)
{
    partTune = pitch;
    recomputePitch();
}

void Voice::setBendRange(int semitones)
{
    bendRangePitch = tables_->keyPitch[static_cast<std::size_t>(clamp7(semitones))];
    bendOffset = (bendDelta * bendRangePitch) >> 13;
    recomputePitch();
}

} // namespace kest::tolvane::synth
