// SPDX-License-Identifier: GPL-3.0-or-later
// Parts that play other than one voice a note: MONO and LEGATO play one voice
// and go back to the last key still held; the arpeggiator plays the held keys
// one after another on one voice; portamento glides a new note in from the
// last one. The part's held keys, its voice and the arpeggio live in its
// PartPlayer.
#include <algorithm>
#include <cmath>

#include "MultiTimberSynthBase.h"

namespace kest::tolvane::synth {

namespace {

constexpr std::uint32_t kArpeggioSeed = 0x2545F491u;

bool holdsKey(const VoiceUnitBase& v) { return (v.status & VoiceUnitBase::kHeldBit) != 0; }

// One note the arpeggio may play: a held key in one of its octaves.
struct ArpeggioNote {
    int note, velocity, octave;
    std::uint32_t order;

    // As played: octave by octave, each in the order its keys went down.
    bool playedBefore(int otherOctave, std::uint32_t otherOrder) const
    {
        return octave != otherOctave ? octave < otherOctave : order < otherOrder;
    }
};

} // namespace

// ---- portamento -------------------------------------------------------------

int MultiTimberSynthBase::glideSource(int channel, const VoiceUnitBase* sounding)
{
    PartState& p = part(channel);
    const int pending = p.portamentoFrom;
    p.portamentoFrom = -1; // CC 84 holds for one note-on
    if (p.mode != kModeInstrument)
        return -1; // a percussion key or a sample has no pitch to glide from
    if (pending >= 0)
        return 16 * pending;
    if (p.cc[kPortamentoController] < 64)
        return -1;
    if (sounding)
        if (const int pitch = sounding->glidePitch(); pitch >= 0)
            return pitch;
    const int last = players_[static_cast<std::size_t>(channel)].lastNote;
    return last >= 0 ? 16 * last : -1;
}

void MultiTimberSynthBase::glideTo(VoiceUnitBase& voice, int channel, int key, int fromSixteenths)
{
    if (fromSixteenths < 0)
        return;
    voice.startGlide(fromSixteenths - 16 * key,
                     portamentoTicks(part(channel).cc[kPortamentoTimeController], tickRate_));
}

// ---- the part's voice -----------------------------------------------------------

VoiceUnitBase* MultiTimberSynthBase::playerVoice(int channel)
{
    const int index = players_[static_cast<std::size_t>(channel)].voice;
    if (index < 0 || index >= voices_.size())
        return nullptr;
    VoiceUnitBase& v = voices_[index];
    const bool sounding = (v.status & (VoiceUnitBase::kHeldBit | VoiceUnitBase::kReleasedBit)) != 0;
    return sounding && v.playerPart == channel ? &v : nullptr;
}

VoiceUnitBase* MultiTimberSynthBase::playOnPlayerVoice(int channel, int key, int velocity, bool legato)
{
    VoiceUnitBase* v = playerVoice(channel);
    if (v && legato && holdsKey(*v) && v->changeNote(key))
        return v;
    if (!v) {
        v = claimVoice(channel, key);
        if (!v)
            return nullptr;
        players_[static_cast<std::size_t>(channel)].voice = voices_.cursor();
    }
    v->sustained = false;
    v->playerPart = channel;
    v->part = channel;
    v->outputPair = 2 * std::clamp(part(channel).output, 0, kOutputPairCount - 1);
    startVoice(*v, channel, key, velocity);
    return v;
}

// ---- MONO and LEGATO --------------------------------------------------------------

void MultiTimberSynthBase::playerNoteOn(int channel, int key, int velocity)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    const PartPlaySettings& play = part(channel).play;
    player.keys.press(key, velocity);
    if (play.arpPattern != kArpOff) {
        if (!player.arpRunning)
            startArpeggio(channel, key, velocity);
        return; // a key added to a running arpeggio joins at its next step
    }
    VoiceUnitBase* sounding = playerVoice(channel);
    const int from = glideSource(channel, sounding);
    // LEGATO moves a note still held; after a release the phrase starts again.
    const bool legato = play.mode == kPlayLegato && sounding && holdsKey(*sounding);
    if (VoiceUnitBase* v = playOnPlayerVoice(channel, key, velocity, legato))
        glideTo(*v, channel, key, from);
    player.lastNote = key;
}

void MultiTimberSynthBase::playerNoteOff(int channel, int key)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    const bool pedalDown = part(channel).cc[kSustainController] >= 64;
    if (!player.keys.release(key, pedalDown))
        return;
    if (player.arpRunning) {
        if (player.keys.empty())
            stopArpeggio(channel);
        return;
    }
    VoiceUnitBase* v = playerVoice(channel);
    if (!pedalDown && v && v->key == key && holdsKey(*v))
        returnToLatestKey(channel, *v);
}

// The sounding key is up: back to the last key still held, or the release.
void MultiTimberSynthBase::returnToLatestKey(int channel, VoiceUnitBase& voice)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    const HeldKeys::Key* next = player.keys.latest();
    if (!next) {
        voice.noteOff();
        return;
    }
    const int from = glideSource(channel, &voice);
    if (VoiceUnitBase* moved =
            playOnPlayerVoice(channel, next->key, next->velocity, part(channel).play.mode == kPlayLegato))
        glideTo(*moved, channel, next->key, from);
    player.lastNote = next->key;
}

void MultiTimberSynthBase::playerPedalLifted(int channel)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    if (player.keys.empty())
        return;
    player.keys.liftPedal();
    if (player.arpRunning) {
        if (player.keys.empty())
            stopArpeggio(channel);
        return;
    }
    VoiceUnitBase* v = playerVoice(channel);
    if (v && holdsKey(*v) && !player.keys.contains(v->key))
        returnToLatestKey(channel, *v);
}

void MultiTimberSynthBase::releasePlayer(int channel)
{
    if (VoiceUnitBase* v = playerVoice(channel); v && holdsKey(*v))
        v->noteOff();
    clearPlayer(channel);
}

void MultiTimberSynthBase::clearPlayer(int channel)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    player.keys.clear();
    if (player.arpRunning) {
        player.arpRunning = false;
        player.arpNextStep = PartPlayer::kNoStep;
        --runningArpeggios_;
    }
}

// ---- the arpeggiator ----------------------------------------------------------------

void MultiTimberSynthBase::startArpeggio(int channel, int key, int velocity)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    player.arpRunning = true;
    ++runningArpeggios_;
    player.arpDirection = 1;
    player.arpRandom = kArpeggioSeed;
    player.arpOctave = 0;
    const HeldKeys::Key* pressed = player.keys.latest();
    player.arpOrder = pressed ? pressed->order : 0;
    // The pattern starts with the first key of a chord, at once.
    playOnPlayerVoice(channel, key, velocity, false);
    player.arpNote = player.lastNote = key;
    player.arpClock = TickClock{wholeSampleRate(), tickRate_, 0};
    scheduleArpeggioStep(channel, eventTime());
}

void MultiTimberSynthBase::stopArpeggio(int channel)
{
    if (VoiceUnitBase* v = playerVoice(channel); v && holdsKey(*v))
        v->noteOff(); // the last step sounds on through its release
    clearPlayer(channel);
}

void MultiTimberSynthBase::scheduleArpeggioStep(int channel, std::int64_t from)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    const PartPlaySettings& play = part(channel).play;
    if (play.arpNoteValue == 0) {
        std::int64_t next = from;
        for (int tick = 0; tick < play.arpRate; ++tick)
            next += player.arpClock.nextTickLength();
        player.arpNextStep = next;
        return;
    }
    // The next multiple of the note value, counted in beats from the song's start.
    const BeatFraction step = arpNoteValueBeats(play.arpNoteValue);
    const double rate = wholeSampleRate();
    const double beat = tempo_.beatAt(from, rate);
    player.arpGridStep = static_cast<std::int64_t>(std::floor(beat * step.denominator / step.numerator)) + 1;
    auto timeOfStep = [&](std::int64_t index) {
        return tempo_.timeOfBeat(static_cast<double>(index) * step.numerator / step.denominator, rate);
    };
    player.arpNextStep = timeOfStep(player.arpGridStep);
    if (player.arpNextStep <= from) // the present grid point, by rounding: the next one
        player.arpNextStep = timeOfStep(++player.arpGridStep);
}

void MultiTimberSynthBase::stepArpeggio(int channel)
{
    PartPlayer& player = players_[static_cast<std::size_t>(channel)];
    const PartPlaySettings& play = part(channel).play;
    const std::int64_t now = player.arpNextStep;
    if (player.keys.empty() || part(channel).mode == kModeMute) {
        stopArpeggio(channel);
        return;
    }
    // Every held key (the pedal's included) in each of the octaves.
    ArpeggioNote notes[128 * kMaxArpOctaves];
    int count = 0;
    for (int i = 0; i < player.keys.count(); ++i)
        for (int octave = 0; octave < play.arpOctaves; ++octave)
            if (const int note = player.keys[i].key + 12 * octave; note <= 127)
                notes[count++] = {note, player.keys[i].velocity, octave, player.keys[i].order};
    const ArpeggioNote* chosen = nullptr;
    auto lowestAbove = [&](int note) {
        const ArpeggioNote* best = nullptr;
        for (int i = 0; i < count; ++i)
            if (notes[i].note > note && (!best || notes[i].note < best->note))
                best = &notes[i];
        return best;
    };
    auto highestBelow = [&](int note) {
        const ArpeggioNote* best = nullptr;
        for (int i = 0; i < count; ++i)
            if (notes[i].note < note && (!best || notes[i].note > best->note))
                best = &notes[i];
        return best;
    };
    switch (play.arpPattern) {
    case kArpUp:
        chosen = lowestAbove(player.arpNote);
        chosen = chosen ? chosen : lowestAbove(-1);
        break;
    case kArpDown:
        chosen = highestBelow(player.arpNote);
        chosen = chosen ? chosen : highestBelow(128);
        break;
    case kArpUpDown:
        chosen = player.arpDirection > 0 ? lowestAbove(player.arpNote) : highestBelow(player.arpNote);
        if (!chosen) { // turn at the end
            player.arpDirection = -player.arpDirection;
            chosen = player.arpDirection > 0 ? lowestAbove(player.arpNote) : highestBelow(player.arpNote);
        }
        if (!chosen) // a single note
            chosen = lowestAbove(-1);
        break;
    case kArpAsPlayed:
        for (int i = 0; i < count; ++i) {
            const bool after = !notes[i].playedBefore(player.arpOctave, player.arpOrder) &&
                               (notes[i].octave != player.arpOctave || notes[i].order != player.arpOrder);
            if (after && (!chosen || notes[i].playedBefore(chosen->octave, chosen->order)))
                chosen = &notes[i];
        }
        if (!chosen)
            for (int i = 0; i < count; ++i)
                if (!chosen || notes[i].playedBefore(chosen->octave, chosen->order))
                    chosen = &notes[i];
        break;
    default: // random, from a fixed seed: a render repeats
        player.arpRandom = player.arpRandom * 1664525u + 1013904223u;
        chosen = &notes[(player.arpRandom >> 8) % static_cast<std::uint32_t>(count)];
        break;
    }
    if (!chosen) { // every held key above the top octave: nothing to play
        stopArpeggio(channel);
        return;
    }
    player.arpNote = player.lastNote = chosen->note;
    player.arpOctave = chosen->octave;
    player.arpOrder = chosen->order;
    // Without retrigger the step is a legato change: the envelope runs on.
    playOnPlayerVoice(channel, chosen->note, chosen->velocity, !play.arpRetrigger);
    scheduleArpeggioStep(channel, now);
}

void MultiTimberSynthBase::applyTransport(const MidiEvent& event)
{
    const std::uint32_t before = tempo_.revision();
    tempo_.report(eventTime(), event.tempo, (event.data1 & 1) != 0, event.beat, wholeSampleRate());
    if (tempo_.revision() == before)
        return;
    // A new tempo or position: steps on the song's grid are timed again from
    // here, a step on this very sample included.
    for (int channel = 0; channel < kPartCount; ++channel) {
        const PartPlayer& player = players_[static_cast<std::size_t>(channel)];
        if (player.arpRunning && part(channel).play.arpNoteValue != 0)
            scheduleArpeggioStep(channel, eventTime() - 1);
    }
}

} // namespace kest::tolvane::synth
