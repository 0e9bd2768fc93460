// The 16-part multitimbral engine base: settings, part modes and resets, the
// MIDI handlers and the controller tables, over a voice pool (VoicePool.h) and
// the parts' controller state (PartControllers.h). Definitions are spread by
// job: EventDispatch.cpp (block loop, apply path, direct calls),
// ChannelHandlers.cpp (notes, program, pressure, bend), ControllerHandlers.cpp
// (controller and data-entry tables) and MultiTimberSynthBase.cpp (the rest).
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "ITolvaneModule.h"
#include "MidiEvent.h"
#include "ModuleHost.h"
#include "PartControllers.h"
#include "Records.h"
#include "VoicePool.h"

namespace kest::tolvane::synth {

class MultiTimberSynthBase : public ITolvaneModule {
public:
    static constexpr int kMaxPolyphony = VoicePool::kMaxSize;
    using VoiceUnitBase = synth::VoiceUnitBase;

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

    // ITolvaneModule.
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

    // Engine settings, part modes and operations on every voice.
    virtual void updateRateConstants();
    virtual void initPresets() {}
    float getMasterVolume() const { return masterVolume; }
    void setMasterVolume(float volume);
    float getSampleRate() const { return sampleRate; }
    void applySampleRate(float rate);
    float getMasterTune() const { return masterTune; }
    void setMasterTune(float hz);
    int getActiveVoiceCount() const;
    // The sample time of an event's position: samples since the engine
    // started, counted over every block it rendered. Voices time their ticks by it.
    std::int64_t sampleTimeAt(int position) const { return blockOrigin_ + position; }
    // The sample time of the event being applied (or of the next block's start).
    std::int64_t eventTime() const { return sampleTimeAt(eventPos_); }
    // At least getActiveVoiceCount(), and cheaper: a caller that asks every
    // block can skip the exact count when this settles its question.
    int activeVoiceUpperBound() const { return voices_.soundingUpperBound(); }
    int getPolyphony() const { return voices_.size(); }
    // Rebuilds the pool with count voices rounded up to a power of two (at most
    // kMaxPolyphony): every voice is new and stopped. Returns the polyphony.
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

    // Direct-call entry points: the engine's own event goes the way a listed
    // event goes (accepts, then apply), at once and untimed.
    void noteOff(int channel, int key);
    void noteOn(int channel, int key, int velocity);
    void polyPressure(int channel, int key, int value);
    void controlChange(int channel, int controller, int value);
    void programChange(int channel, int program);
    void channelPressure(int channel, int value);
    void pitchBend(int channel, int lsb, int msb);
    void pitchBend14(int channel, int value);
    void systemExclusive(const std::uint8_t* bytes, int length);

    // Event handlers; each reads the event's channel and data.
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

    int voiceCount() const { return voices_.size(); }
    VoiceUnitBase& voice(int index) { return voices_[index]; }
    const VoiceUnitBase& voice(int index) const { return voices_[index]; }
    const VoicePool& voicePool() const { return voices_; }

    PartState& part(int index) { return parts_[index]; }
    const PartState& part(int index) const { return parts_[index]; }
    // Master volume of a 7-bit value: 2^((index + 1) / 8 - 16), 6 dB per 8 steps, 1.0 at 127.
    static float volumeTableEntry(int index);

    // Engine settings.
    int portMask = 0xFFFF;
    bool receiveSysEx = false;
    bool receiveUniversalSysEx = false; // front-end setting: not part of the saved state, kept by systemReset
    std::uint8_t sysExManufacturerId = 0x7D;
    std::uint8_t sysExDeviceId = 0x10;
    std::uint8_t sysExModelId = 0x00;
    float sampleRate = 44100.0f;
    float masterTune = 440.0f;
    float masterVolume = 0.8f;
    int maxMode = 0;
    bool rpnEnabled = true;
    bool nrpnEnabled = false;

protected:
    using ControllerHandler = void (MultiTimberSynthBase::*)(const MidiEvent& event);
    using DataEntryHandler = void (MultiTimberSynthBase::*)(int channel, const DataEntry& entry);

    // Replaces the voices with count fresh stopped ones (a size
    // VoicePool::roundedSize gives) and hands them to the pool.
    virtual void allocateVoices(int count) = 0;
    // Search, then place the chosen voice at the current event position and on
    // the part's output pair. Null when the note is dropped.
    VoiceUnitBase* claimVoice(const MidiEvent& event);
    // Renders the sounding voices up to target; returns the output pairs
    // (bit n: pair n) that a voice rendered into. With endOfBlock every
    // sounding voice is left at position 0, where the next block starts.
    virtual std::uint32_t renderVoices(float* const* outputs, int target, bool endOfBlock);
    // The same, each voice rendered into the block's part scratch first and
    // added from there into its output pair and its part's pair.
    std::uint32_t renderVoicesByPart(ProcessBlock& block, int target, bool endOfBlock);
    // Whether a message of the block's list or a direct call takes effect: its
    // type is handled, a note-on's part is not muted, a SysEx message is received.
    bool accepts(const MidiEvent& event) const;
    // Runs the handler of an accepted message.
    void apply(const MidiEvent& event);
    // The engine's own event filled with a direct call's arguments, untimed.
    MidiEvent& fillOwnEvent(int type, int channel, int data1, int data2);
    void applyDirect(int type, int channel, int data1, int data2);
    // A listed program change: stores the program only.
    void selectProgram(const MidiEvent& event);
    // Whether a SysEx message is received at all under the two switches.
    bool acceptsSysEx(const MidiMessage& message) const;
    // A universal message, else the engine's own address-map message.
    void applySysEx(const MidiEvent& event);
    // Calls fn on every voice of the channel when the part is not muted (a
    // voice with a channel is never free, so the sounding set holds them all).
    template <typename Fn> void forChannelVoices(int channel, Fn fn)
    {
        if (part(channel).mode == kModeMute)
            return;
        voices_.forEachSounding([&](VoiceUnitBase& v) {
            if (v.channel == channel)
                fn(v);
        });
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
    // NRPN and RPN LSB and MSB (98..101), each while its switch is on.
    void ccParameterNumber(const MidiEvent& event);
    void ccAllSoundOff(const MidiEvent& event);
    void ccResetAllControllers(const MidiEvent& event);
    void ccAllNotesOff(const MidiEvent& event);
    void ccSustain(const MidiEvent& event);
    void ccIgnore(const MidiEvent&) {}

    // Data-entry handlers.
    void deBendSensitivity(int channel, const DataEntry& entry);
    void deFineTuning(int channel, const DataEntry& entry);
    void deCoarseTuning(int channel, const DataEntry& entry);
    void applyPartTuning(int channel);
    void deMasterVolume(int channel, const DataEntry& entry);
    void deDefaultMode(int channel, const DataEntry& entry);
    void deMode(int channel, const DataEntry& entry);
    void deIgnore(int, const DataEntry&) {}

    void buildHandlerTables();
    // Runs data-entry handler [dataEntryTarget] of the channel's part.
    void dispatchDataEntry(int channel, const DataEntry& entry);
    // Releases every voice of the channel that the sustain pedal holds.
    void releaseSustained(int channel);

    VoicePool voices_;
    PartControllers parts_;
    std::array<ControllerHandler, 128> controllerHandlers_{};
    std::array<DataEntryHandler, 257> dataEntryHandlers_{};
    MidiEvent ownEvent_;
    // Sample position at which the event being applied takes effect; a voice
    // started by it begins rendering here (0 outside a block).
    int eventPos_ = 0;
    // The sample time of the next block's first sample, and of the block's
    // index 0 (between blocks: of the next block's start).
    std::int64_t nextBlockTime_ = 0;
    std::int64_t blockOrigin_ = 0;
};

} // namespace kest::tolvane::synth
