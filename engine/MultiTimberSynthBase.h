// The 16-part multitimbral engine base: parts, voice pool and search, MIDI
// dispatch, controller and data-entry handler tables, resets.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "ITolvaneModule.h"
#include "MidiEvent.h"
#include "ModuleHost.h"
#include "Records.h"

namespace kest::tolvane::synth {

class MultiTimberSynthBase : public ITolvaneModule {
public:
    static constexpr int kMaxPolyphony = 1024;

    // Voice state shared by every voice kind.
    class VoiceUnitBase {
    public:
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
        int renderPos = 0;
        int panIndex = 64;
        float panLeft = 0.0f, panRight = 0.0f;
        float volumeGain = 0.0f, expressionGain = 0.0f, velocityGain = 0.0f;
        float masterVolume = 0.0f;
        float velMaster = 0.0f;
        float amp = 0.0f;
        float gainLeft = 0.0f, gainRight = 0.0f;

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
        // Renders from renderPos up to target (exclusive) into the voice's output pair.
        virtual void render(float* const* outputs, int target) = 0;

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

    MultiTimberSynthBase();
    ~MultiTimberSynthBase() override;
    MultiTimberSynthBase(const MultiTimberSynthBase&) = delete;
    MultiTimberSynthBase& operator=(const MultiTimberSynthBase&) = delete;

    // Accepted ranges of the float settings; values outside are held at the
    // nearest bound so no rate constant overflows.
    static constexpr float kMinSampleRate = 1000.0f;
    static constexpr float kMaxSampleRate = 1536000.0f;
    static constexpr float kMinMasterTune = 1.0f;
    static constexpr float kMaxMasterTune = 20000.0f;

    // ITolvaneModule (orders 1..13).
    // Non-finite rates are ignored by every float setter.
    void setSampleRate(float rate) override;
    void setBlockSize(int) override {}
    void reset() override;
    void systemReset() override;
    void attach(ModuleHost& host) override;
    void detach() override { stopVoices(-1); }
    void suspend(bool) override { stopVoices(-1); }
    void pauseHook() override { stopVoices(-1); }
    void resumeHook() override { stopVoices(-1); }
    void deactivate() override { stopVoices(-1); }
    void activate() override { stopVoices(-1); }
    void process(ProcessBlock& block) override;

    // Orders 15..42.
    virtual void allocateVoices(int count) = 0;
    virtual void updateRateConstants();
    virtual void initPresets() {}
    float getMasterVolume() const { return masterVolume; }
    void setMasterVolume(float volume);
    float getSampleRate() const { return sampleRate; }
    void applySampleRate(float rate);
    float getMasterTune() const { return masterTune; }
    void setMasterTune(float hz);
    int getActiveVoiceCount() const;
    int getPolyphony() const { return polyphony; }
    int setPolyphony(int count);
    void setPartOutput(int part, int output);
    int getSysExManufacturerId() const { return sysExManufacturerId; }
    void setSysExManufacturerId(int id) { sysExManufacturerId = static_cast<std::uint8_t>(id & 0x7F); }
    int getSysExDeviceId() const { return sysExDeviceId; }
    void setSysExDeviceId(int id) { sysExDeviceId = static_cast<std::uint8_t>(id & 0x7F); }
    int getSysExModelId() const { return sysExModelId; }
    void setSysExModelId(int id) { sysExModelId = static_cast<std::uint8_t>(id & 0x7F); }
    int getDefaultMode(int part) const;
    void setDefaultMode(int part, int mode);
    int getMode(int part) const;
    void setMode(int part, int mode);
    void resetParts(bool restoreModes);
    void stopVoices(int channel);
    void soundOffVoices(int channel);

    // Direct-call entry points (orders 43..51): run the handler at once, untimed.
    void noteOff(int channel, int key);
    void noteOn(int channel, int key, int velocity);
    void polyPressure(int channel, int key, int value);
    void controlChange(int channel, int controller, int value);
    void programChange(int channel, int program);
    void channelPressure(int channel, int value);
    void pitchBend(int channel, int lsb, int msb);
    void pitchBend14(int channel, int value);
    void systemExclusive(const std::uint8_t* bytes, int length);

    // Event handlers (orders 52..58); each reads the event's channel and data.
    void handleNoteOff(const MidiEvent& event);
    virtual void handleNoteOn(const MidiEvent& event);
    void handlePolyPressure(const MidiEvent&) {}
    // Stores the program and fades out the channel's voices (direct calls and value changes).
    void handleProgramChange(const MidiEvent& event);
    void handleChannelPressure(const MidiEvent& event);
    void handlePitchBend(const MidiEvent& event);
    virtual void handleSysEx(const MidiEvent&) {}

    // GM System On/Off, GS Reset and XG System On reset the parts (resetParts(true));
    // Universal Master Volume sets masterVolume from its coarse byte through the
    // volume table. They are obeyed while receiveSysEx or this switch is on: a
    // stand-alone player turns it on to answer them as a GM module does, the
    // plug-in leaves it off so that "Recieve sysEx" governs every SysEx message.
    bool getReceiveUniversalSysEx() const { return receiveUniversalSysEx; }
    void setReceiveUniversalSysEx(bool on) { receiveUniversalSysEx = on; }

    bool getRpnEnabled() const { return rpnEnabled; }
    void setRpnEnabled(bool enabled);
    bool getNrpnEnabled() const { return nrpnEnabled; }
    void setNrpnEnabled(bool enabled);

    // Runs controller handler table entry [controller] with the engine's own event.
    void runControllerHandler(int channel, int controller, int value);
    // The engine's own event, used by direct calls and by the processor's value changes.
    MidiEvent& ownEvent() { return ownEvent_; }

    // Voice pool access.
    virtual int voiceCount() const = 0;
    virtual VoiceUnitBase& voice(int index) = 0;
    const VoiceUnitBase& voice(int index) const { return const_cast<MultiTimberSynthBase*>(this)->voice(index); }

    PartState& part(int index) { return parts_[static_cast<std::size_t>(index & 0x0F)]; }
    const PartState& part(int index) const { return parts_[static_cast<std::size_t>(index & 0x0F)]; }
    // Master volume of a 7-bit value: 2^((index + 1) / 8 - 16), 6 dB per 8 steps, 1.0 at 127.
    static float volumeTableEntry(int index);

    // Engine settings.
    int portMask = 0xFFFF;
    bool receiveSysEx = false;
    bool receiveUniversalSysEx = false;  // front-end setting: not part of the saved state, kept by systemReset
    std::uint8_t sysExManufacturerId = 0x7D;
    std::uint8_t sysExDeviceId = 0x10;
    std::uint8_t sysExModelId = 0x00;
    float sampleRate = 44100.0f;
    float masterTune = 440.0f;
    float masterVolume = 0.8f;
    int maxMode = 0;
    int polyphony = 128;
    int voiceCursor = 0;
    int voiceMask = 127;
    bool rpnEnabled = true;
    bool nrpnEnabled = false;

protected:
    using ControllerHandler = void (MultiTimberSynthBase::*)(const MidiEvent& event);
    using DataEntryHandler = void (MultiTimberSynthBase::*)(int channel, int value, int mask, int delta);

    // Three-pass search over the ring; returns the voice index or -1.
    int findVoice();
    // Search, then place the chosen voice at the current event position and on
    // the part's output pair. Null when the note is dropped.
    VoiceUnitBase* claimVoice(const MidiEvent& event);
    void renderVoices(float* const* outputs, int target);
    // Whether a SysEx message is received at all under the two switches.
    bool acceptsSysEx(const MidiMessage& message) const;
    // A universal message, else the engine's own address-map message.
    void applySysEx(const MidiEvent& event);
    // Calls fn on every voice of the channel when the part is not muted.
    template <typename Fn> void forChannelVoices(int channel, Fn fn)
    {
        if (part(channel).mode == kModeMute)
            return;
        const int n = voiceCount();
        for (int i = 0; i < n; ++i) {
            VoiceUnitBase& v = voice(i);
            if (v.channel == channel)
                fn(v);
        }
    }

    // Controller handlers.
    void ccStore(const MidiEvent& event);
    void ccModulation(const MidiEvent& event);
    void ccDataEntryMsb(const MidiEvent& event);
    void ccVolume(const MidiEvent& event);
    void ccPan(const MidiEvent& event);
    void ccExpression(const MidiEvent& event);
    void ccDataEntryLsb(const MidiEvent& event);
    void ccDataIncrement(const MidiEvent& event);
    void ccDataDecrement(const MidiEvent& event);
    void ccNrpnLsb(const MidiEvent& event);
    void ccNrpnMsb(const MidiEvent& event);
    void ccRpnLsb(const MidiEvent& event);
    void ccRpnMsb(const MidiEvent& event);
    void ccAllSoundOff(const MidiEvent& event);
    void ccResetAllControllers(const MidiEvent& event);
    void ccAllNotesOff(const MidiEvent& event);
    void ccSustain(const MidiEvent& event);
    void ccIgnore(const MidiEvent&) {}

    // Data-entry handlers.
    void deBendSensitivity(int channel, int value, int mask, int delta);
    void deFineTuning(int channel, int value, int mask, int delta);
    void deCoarseTuning(int channel, int value, int mask, int delta);
    void applyPartTuning(int channel);
    void deMasterVolume(int channel, int value, int mask, int delta);
    void deDefaultMode(int channel, int value, int mask, int delta);
    void deMode(int channel, int value, int mask, int delta);
    void deIgnore(int, int, int, int) {}

    void buildHandlerTables();
    void selectDataEntryTarget(int channel, bool nrpn);
    // Runs data-entry handler [dataEntryTarget] of the channel's part.
    void dispatchDataEntry(int channel, int value, int mask, int delta);
    void resetRunningControllers();
    // Releases every voice of the channel that the sustain pedal holds.
    void releaseSustained(int channel);

    std::array<PartState, kPartCount> parts_{};
    std::array<ControllerHandler, 128> controllerHandlers_{};
    std::array<DataEntryHandler, 257> dataEntryHandlers_{};
    MidiEvent ownEvent_;
    // Sample position at which the event being applied takes effect; a voice
    // started by it begins rendering here (0 outside a block).
    int eventPos_ = 0;
};

} // namespace kest::tolvane::synth
