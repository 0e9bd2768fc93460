// The wavetable synthesizer: tone, noise and sampler voices, the sound data
// (tones, sampler presets, sample slots, wavetables) and System Exclusive.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "MultiTimberSynthBase.h"
#include "SequenceCursor.h"
#include "SynthTables.h"
#include "ToneExpression.h"
#include "VoiceRuns.h"

namespace kest::tolvane::synth {

class SynthesizerWT : public MultiTimberSynthBase {
public:
    // Per-voice constants that depend on sample rate, master tune and table size.
    struct RateConstants {
        int pitchBase = 0;
        int sampleBase = 0;
        int envRateBase = 0;
        int soundOffRate = 0;
        int lfoUnit = 0;
    };

    class VoiceUnitWT : public VoiceUnitBase {
    public:
        // Wires the voice to the engine's tables and records; the voice is left free.
        void bind(SynthesizerWT& engine);
        // Renders with the given set from now on.
        void useKernels(const VoiceRunKernels& kernels);

        void stop() override;
        void noteOff() override;
        void soundOff() override;
        // Tone note-on (Instrument or Percussion mode).
        void noteOn(int channel, int key, int velocity) override;
        // Sampler note-on: key selects SamplerPreset [key].
        void samplerNoteOn(int channel, int key, int velocity);
        void setBendRange(int semitones) override;
        void setPitchBend(int value) override;
        void setPartTuning(int pitch) override;
        void setModulation(int value) override;
        void tick() override;
        bool changeNote(int newKey) override;
        void startGlide(int fromSixteenths, int ticks) override;
        int glidePitch() const override;

        // LFO set-up at tone note-on from the tone's lfoFreq, strc and lms and the
        // part's modulation wheel; also clears the pitch and level offsets.
        void setupLfo(const TonePreset& tone, int wheel);
        // Envelope set-up at note-on from a preset's rates and levels.
        void setupEnvelope(int ar, int dr, int sl, int rr, int tl, int kfOffset);
        // Moves the envelope on when envPos reached envEnd; false when it ended
        // (the voice is then stopped).
        bool advanceEnvelope();
        // From full level down the decay curve to the sustain level, or
        // straight into sustain when sl is 0.
        void startDecay();
        // Attack position converted to the decay curve; false when the voice stopped.
        bool leaveAttack();
        // phaseInc from basePitch, the part's tuning, the LFO pitch offset and the bend offset.
        void recomputePitch();
        // At tone note-on, after the pitch, wave, level, LFO and envelope are
        // set: starts the tone's sequences and LFO timing on the tick clock,
        // or leaves the voice off the clock when the tone has neither.
        void startExpression(const ToneExpression& expression, int tickRate, int sampleRate);
        // The key is released (or the sound cut): sequences move past their release point.
        void releaseSequences();
        // lms times the larger of the wheel and the tone's depth, scaled by the fade-in.
        int lfoDepthNow() const { return lms * std::max(modulation, toneLfoDepth) * lfoFadeStep / lfoFadeSteps; }
        const SynthTables& tables() const { return *tables_; }

        RateConstants rates; // copied from the engine by updateRateConstants
        int phaseMask = 0;
        int noiseMask = 0;
        const VoiceRunKernels* runKernels = nullptr;       // the engine's choice, copied at bind
        VoiceStructure structure = VoiceStructure::Silent; // what the voice plays, or played last

        // Oscillator and pitch.
        const std::int32_t* wave = nullptr;
        WaveLevelCache levelCache; // the wave at the attenuation last rendered
        std::uint32_t phase = 0;   // Q18: phase >> 18 is the table entry
        std::int32_t phaseInc = 0; // Q18 entries per sample: pow2 of the pitch
        int basePitch = 0;         // pitches in 1/8192 octave
        int bendRangePitch = 0;
        int bendDelta = 0;
        int bendOffset = 0;
        int partTune = 0;
        int lfoPitchOffset = 0;
        int levelAttenuation = 0; // log code (1/256 octave per 2 units)

        // Envelope.
        int envState = 0;
        std::int32_t envPos = 0;  // Q18: envPos >> 18 indexes envCurve; 2^30 is the top
        std::int32_t envRate = 0; // Q18 per sample
        std::int32_t envEnd = 0;
        const std::int32_t* envCurve = nullptr;
        std::int32_t attackRate = 0, decayRate = 0, releaseRate = 0;
        std::int32_t sustainPos = 0;
        std::int32_t silencePos = 0;
        int slParam = 0;

        // LFO and noise.
        int lms = 0;
        std::int32_t lfoCounter = 0; // falls by lfoStep a sample; the LFO steps at 0 and adds 2^30
        std::int32_t lfoStep = 0;
        int lfoIndex = 0;
        int lfoDepth = 0;
        int amOffset = 0;
        int lfsr = 1;
        int noiseBit = 0;
        int toneLfoDepth = 0; // the tone's own depth, on the modulation wheel's scale
        int lfoFadeStep = 1;  // the LFO depth is full * lfoFadeStep / lfoFadeSteps
        int lfoFadeSteps = 1;
        int modulation = 0; // the part's modulation wheel, as the voice last took it

        // The tick clock and the tone's expression (a copy taken at note-on).
        TickClock tickClock;
        int ticks = 0; // ticks since note-on, counted while the LFO timing needs them
        bool expressionActive = false;
        ToneExpression expression;
        int toneIndex = 0; // the tone the note plays
        std::array<SequenceCursor, kSequenceKindCount> cursors{};
        int playedNote = 0; // the note before the arpeggio moves it
        int pitchRoot = 0;  // basePitch without the note and the pitch sequence
        int pitchSum = 0;   // a relative pitch sequence's running sum, 1/16 semitone
        int toneLevel = 0;  // the tone's level; the volume sequence attenuates from it
        int toneWave = 0;   // the tone's own wavetable
        // Portamento: the pitch stands glideOffset 1/16 semitones from the
        // note, moving from glideFrom to 0 over glideTicks ticks.
        int glideFrom = 0;
        int glideOffset = 0;
        int glideTicks = 0;
        int glideTick = 0;

        // Which note the voice plays, for the front ends (SynthesizerWT::LastNote).
        std::uint32_t noteSerial = 0;

        // Sample playback.
        const std::int32_t* sampleData = nullptr;
        int samplePos = 0;  // frame index
        int sampleFrac = 0; // 18-bit fraction of a frame
        int currentEnd = 0;
        int currentLoopLength = 0;
        int releaseEnd = 0;
        int releaseLoopLength = 0;

    private:
        // Takes the sequences' present values into the pitch, the level and the wave.
        void applySequences(bool pitchMoved, bool levelMoved, bool waveMoved);
        void applyPitch();
        void stepExpression(bool& pitchMoved, bool& levelMoved, bool& waveMoved);
        void startTickClock();
        void stepLfoTiming();
        bool staysOnTickClock() const;
        void useNoiseRegister(bool shortPeriod);

        SynthesizerWT* engine_ = nullptr;
        const SynthTables* tables_ = nullptr;
    };

    SynthesizerWT(float masterTune = 440.0f, float masterVolume = 0.8f);
    ~SynthesizerWT() override;

    void updateRateConstants() override;
    void initPresets() override;
    void startVoice(VoiceUnitBase& voice, int channel, int key, int velocity) override;
    void handleSysEx(const MidiEvent& event) override;

    VoiceUnitWT& toneVoice(int index) { return toneVoices_[static_cast<std::size_t>(index)]; }

    // The tone note a part began last, kept for the front ends (a playhead,
    // the percussion key an editor shows); the engine itself never reads it.
    struct LastNote {
        int tone = -1;  // none yet
        int voice = -1; // its voice's place in the pool's storage
        std::uint32_t serial = 0;
    };
    const LastNote& lastNote(int part) const { return lastNotes_[static_cast<std::size_t>(part & 0xF)]; }
    // The voice still playing the part's last note, or null once that note
    // has ended or its voice plays another.
    const VoiceUnitWT* lastNoteVoice(int part) const;

    // Sound data.
    TonePreset& tone(int index) { return tones_[static_cast<std::size_t>(index & 0xFF)]; }
    // A tone's sequences and LFO timing, read at each note-on like its fields.
    ToneExpression& toneExpression(int index) { return expressions_[static_cast<std::size_t>(index & 0xFF)]; }
    const ToneExpression& toneExpression(int index) const
    {
        return expressions_[static_cast<std::size_t>(index & 0xFF)];
    }
    SamplerPreset& samplerPreset(int index) { return samplerPresets_[static_cast<std::size_t>(index & 0x7F)]; }
    SampleData& sampleData(int index) { return sampleSlots_[static_cast<std::size_t>(index & 0x7F)]; }
    const std::int32_t* waveTable(int index) const
    {
        return &waveTables_[static_cast<std::size_t>(index & 0x7F) * kWaveTableMaxSize];
    }
    // For writing into the table at once: the voices' copies of their wave
    // at an attenuation are dropped, so that they read the new entries.
    std::int32_t* waveTable(int index);
    const SynthTables& tables() const { return *tables_; }
    // The render functions the voices use: the fastest this processor runs
    // unless set otherwise; null renders with the per-sample steps alone. All
    // give the same samples.
    const VoiceRunKernels* voiceRunKernels() const { return runKernels_; }
    void useVoiceRunKernels(const VoiceRunKernels* kernels);
    const RateConstants& rateConstants() const { return rates_; }

    int waveValueLog(int value) const { return waveValueLog_[static_cast<std::size_t>(value & 0xFF)]; }

    int tableSize = 32;
    int tableSizeBits = 5;
    int waveValueBits = 8;

    // Wavetable size: raised to 8, 16, 32, 64 or 128. Returns the resulting size.
    int setTableSize(int requested);
    // Entry i of table t := waveValueLog[value_i << (8 - depth)] for all 128 entries;
    // values wider than the depth are held at 2^depth - 1.
    void importWaveValues(int table, const int* values, int bitDepth);
    // The first min(count, 128) entries of table t as b-bit values.
    void exportWaveBytes(int table, std::uint8_t* out, int count, int bitDepth) const;
    void exportWaveInts(int table, int* out, int count, int bitDepth) const;
    // b-bit wave value of one log code.
    int waveValueOfCode(std::int32_t code, int bitDepth) const;

    // Loads interleaved PCM frames (8, 16, 24 or 32 bits little-endian) into a slot.
    // Any other width leaves the slot empty. Stop the voices first: they read the slot.
    bool loadSampleData(int slot, const std::uint8_t* bytes, int frames, int channels, int bitsPerSample,
                        bool isSigned);
    // Loads 8-bit signed samples into a slot.
    bool loadSampleData8(int slot, const std::int8_t* samples, int frames, int channels);
    // Moves codes converted beforehand (pcmToLogCodes) into a slot: points reset,
    // pitch 0, sourceRate 44100. channels must be 1 or 2 and codes must hold
    // frames * channels entries, otherwise the slot is emptied and false returned.
    bool installSampleData(int slot, std::vector<std::int32_t>&& codes, int frames, int channels);

    // Voices for a pool of count (rounded as the pool rounds), allocated apart
    // from the engine: a caller that shares the engine with an audio thread
    // builds them before taking its lock, hands them to adoptVoices under it
    // and frees what comes back after it, so that no heap work holds the lock.
    using VoiceStorage = std::unique_ptr<VoiceUnitWT[]>;
    static VoiceStorage makeVoices(int count);
    // Takes voices that makeVoices(count) built (stopping every note, as
    // setPolyphony does) and returns the ones it held.
    VoiceStorage adoptVoices(VoiceStorage voices, int count);

protected:
    void allocateVoices(int count) override;
    std::uint32_t renderVoices(float* const* outputs, int target, bool endOfBlock) override;

private:
    friend class VoiceUnitWT;
    void fillDefaultWaveTables();
    // Binds voices made by makeVoices(count), puts them in the pool and
    // returns the ones held before.
    VoiceStorage takeVoices(VoiceStorage voices, int count);

    const SynthTables* tables_ = &SynthTables::shared();
    RateConstants rates_;
    // Drops every voice's wave at an attenuation (a wavetable is written).
    void dropLevelCaches();

    const VoiceRunKernels* runKernels_ = fastestVoiceRunKernels();
    // The storage of the voices the pool holds.
    std::unique_ptr<VoiceUnitWT[]> toneVoices_;
    std::array<LastNote, kPartCount> lastNotes_{};
    std::uint32_t noteSerial_ = 0;
    std::array<TonePreset, kToneCount> tones_{};
    std::array<ToneExpression, kToneCount> expressions_{};
    std::array<SamplerPreset, kSamplerPresetCount> samplerPresets_{};
    std::array<SampleData, kSampleSlotCount> sampleSlots_{};
    std::array<std::int32_t, kWaveTableCount * kWaveTableMaxSize> waveTables_{};
    std::array<std::int32_t, 256> waveValueLog_{};
};

} // namespace kest::tolvane::synth
