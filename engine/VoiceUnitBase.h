// The state and gain arithmetic every voice kind shares, and the operations an
// engine calls on a voice whatever its kind.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <limits>

namespace kest::tolvane::synth {

class VoiceUnitBase {
public:
    // Renders the voice from renderPos up to target (exclusive) into the pair.
    // A plain function chosen when a note starts: the block loop calls it for
    // every sounding voice, so it costs one indirect call and nothing more.
    using RenderFn = void (*)(VoiceUnitBase& voice, float* left, float* right, int target);

    enum Status : int { kFree = 0, kHeld = 0x11, kReleased = 0x21, kFading = 0x41 };
    static constexpr int kHeldBit = 0x10;
    static constexpr int kReleasedBit = 0x20;
    static constexpr int kFadingBit = 0x40;

    int status = kFree;
    int channel = -1;
    int key = 0;
    // Released by its key while the part's sustain pedal was down: still
    // held, until the pedal lifts.
    bool sustained = false;
    int outputPair = 0;
    int part = 0; // of the note's start; kept while it fades (channel is not)
    int renderPos = 0;
    // The sample time (see MultiTimberSynthBase::sampleTimeAt) of the
    // voice's next tick; kNoTick for a voice that does nothing by the tick clock.
    static constexpr std::int64_t kNoTick = std::numeric_limits<std::int64_t>::max();
    std::int64_t tickTime = kNoTick;
    int panIndex = 64;
    float panLeft = 0.0f, panRight = 0.0f;
    float volumeGain = 0.0f, expressionGain = 0.0f, velocityGain = 0.0f;
    float masterVolume = 0.0f;
    float velMaster = 0.0f;
    float amp = 0.0f;
    float gainLeft = 0.0f, gainRight = 0.0f;
    RenderFn renderFn = &renderStopOnly;

    virtual ~VoiceUnitBase() = default;
    virtual void stop();
    virtual void noteOff() = 0;
    virtual void soundOff() = 0;
    virtual void noteOn(int channel, int key, int velocity) = 0;
    virtual void setMasterVolume(float volume);
    virtual void setBendRange(int semitones) = 0;
    // The part's RPN fine and coarse tuning, in pitch units (8192 an octave).
    virtual void setPartTuning(int pitch) = 0;
    virtual void setPitchBend(int value) = 0;
    virtual void setModulation(int value) = 0;
    virtual void setVolume(int value);
    virtual void setExpression(int value);
    virtual void setPan(int value);
    // The tick at tickTime has come (the voice has rendered up to it): moves
    // whatever the tick clock drives and sets the next tickTime. May stop the voice.
    virtual void tick() { tickTime = kNoTick; }
    // Renders from renderPos up to target (exclusive) into the voice's output pair.
    void render(float* const* outputs, int target)
    {
        renderFn(*this, outputs[outputPair], outputs[outputPair + 1], target);
    }
    // The render function of a voice that has no sound to make: it stops.
    static void renderStopOnly(VoiceUnitBase& voice, float* left, float* right, int target);

    bool isSounding() const { return status != kFree; }

protected:
    // Gains at note-on from the part's controllers, the velocity and the pan index.
    void setupGains(const float* gainCurve, const float* panTable, int cc7, int cc11, int cc10, int velocity,
                    float master);
    void recomputeGains();
    const float* gainCurve_ = nullptr;
    const float* panTable_ = nullptr;
    int cc10_ = 64;
};

} // namespace kest::tolvane::synth
