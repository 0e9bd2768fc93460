// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the processor owns: the engine's module rack with its event queue
// and synthesizer, plus the editing state the editor reads directly.
//
// Threads: every public operation below that is not marked "audio thread" runs
// on the message thread and holds engineMutex() while it touches the engine.
// The audio thread never waits for it: tryRenderBlock() only try-locks and
// renders nothing when an edit is in progress. The editor, reading these
// fields on the message thread, may take engineMutex() for a consistent view
// of values the audio thread changes (part controllers, voices).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "ByteStream.h"
#include "FileKinds.h"
#include "MidiController.h"
#include "ModuleHost.h"
#include "ProcessorMessageSink.h"
#include "Records.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::plugin {

class EngineContext {
public:
    using EngineMutex = std::recursive_mutex;

    static constexpr int kQueueSlot = 0;
    static constexpr int kSynthSlot = 1;
    static constexpr int kBusyVoicePool = 1;   // busyFlags bit 0: the voice pool is being rebuilt
    static constexpr int kBusyWaveImport = 2;  // busyFlags bit 1: a WAV import is rebuilding a slot
    static constexpr int kWaveTableCount = synth::kWaveTableCount;
    static constexpr int kSampleSlotCount = synth::kSampleSlotCount;

    EngineContext();
    ~EngineContext();
    EngineContext(const EngineContext&) = delete;
    EngineContext& operator=(const EngineContext&) = delete;

    // ---- Fields, in their documented order; the editor reads them directly. ----
    int generatorPeriod = 32;    // 0..256 samples
    float generatorLevel = 1.0f; // 0..1, quantised to the current bit depth
    std::atomic<int> busyFlags{0};
    std::unique_ptr<ModuleHost> moduleHost;
    std::unique_ptr<synth::SynthesizerWT> synth;
    std::unique_ptr<util::MidiController> eventQueue;
    int currentPart = 0;        // 0..15
    int currentTone = 0;        // 0..255
    int currentSampler = 0;     // 0..127
    int currentSampleData = 0;  // 0..127
    int currentWaveTable = 0;   // 0..127
    int waveTableSize = 32;     // mirror of the engine's tableSize
    std::array<int, kWaveTableCount> waveTableBitDepth{};  // 1..8 each, all 8 at start
    int currentBitDepth = 8;
    int currentBitMask = 255;
    // The records the four indices designate; never null.
    synth::PartState* currentPartState = nullptr;
    synth::TonePreset* currentTonePreset = nullptr;
    synth::SamplerPreset* currentSamplerPreset = nullptr;
    synth::SampleData* currentSampleDataRecord = nullptr;
    // Path each slot was last imported from by importWave; empty means none.
    std::array<std::string, kSampleSlotCount> sampleSourcePath;
    std::array<std::uint8_t, kSampleSlotCount> sampleSourceKind{};  // SampleSourceKind values

    // ---- Outgoing notifications (may be null: then nothing is sent). ----
    void setMessageSink(ProcessorMessageSink* sink) { sink_ = sink; }
    ProcessorMessageSink* messageSink() const { return sink_; }

    EngineMutex& engineMutex() { return mutex_; }

    // ---- Audio thread. ----
    // Try-locks; on success runs the ModuleHost over the 32 channel pointers and
    // returns true. On failure renders nothing (the caller has zeroed the
    // outputs) and the queued events wait in the queue for the next block.
    bool tryRenderBlock(float** outputs, int numSamples);
    // activate()/deactivate() on every module, for the bypass switch. When the
    // lock is busy the request is kept and carried out at the next block.
    void setModulesActiveFromAudioThread(bool active);

    // ---- Message thread: host lifecycle. ----
    void setSampleRate(float rate);
    void setBlockSize(int size);
    // activate()/deactivate() on every module present (setActive).
    void setModulesActive(bool active);

    // ---- Message thread: editing. ----
    // Applies value id `id` (0xPPII) and sends exactly one value update for
    // every id it knows; unknown ids get none.
    void applyValueChange(int id, float value);
    // Runs file action `id` with `path`; a null or empty path does nothing.
    void runFileAction(int id, const char* path);

    // Stops every voice of the pool at once.
    void stopAllVoices();
    // Mode operation on the current part (clamped to the engine's maxMode), then select by part.
    void setCurrentPartMode(int mode);
    // Polyphony operation: rebuilds the voice pool with the synthesizer slot disabled.
    void applyPolyphony(int count);

    // ---- Message thread: file operations. ----
    bool importText(const char* path, TextKind kind);
    bool exportText(const char* path, TextKind kind);
    bool exportSysExText(const char* path, TextKind kind);
    // Reads and converts the WAV file first, then swaps it into the slot with
    // the synthesizer slot disabled; records path and kind on success.
    bool importWave(int slot, const char* path, SampleSourceKind kind);

    // ---- Message thread: saved state. ----
    // Writes the whole state; write errors are not detected.
    bool writeState(ByteWriter& out);
    // Reads a state of version 7 or 8, applying each field once it is fully
    // read; false when the version is too old or the stream ends early.
    // With reimportWaves false the stored WAV paths are read but no file is
    // opened (for fuzzing and for tests of the layout alone).
    bool readState(ByteReader& in, bool reimportWaves = true);

    // ---- Selection helpers (the lock must be held, or be on the message thread with no render race). ----
    void selectTone(int tone);          // currentTone and the derived wavetable, depth and mask
    void selectWaveTable(int table);    // currentWaveTable, depth and mask
    void selectByPart();                // by the current part's mode
    void refreshCurrentRecords();       // the four record pointers from the four indices

private:
    void sendValueUpdate(int id, float value);
    void sendUiUpdate();
    void applyPendingActivation();

    ProcessorMessageSink* sink_ = nullptr;
    EngineMutex mutex_;
    std::atomic<int> pendingActivation_{0};  // 0 none, 1 activate, 2 deactivate
};

} // namespace kest::tolvane::plugin
