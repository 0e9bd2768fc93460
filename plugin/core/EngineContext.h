// SPDX-License-Identifier: GPL-3.0-or-later
// Everything the processor owns: the engine's module rack with its event queue
// and synthesizer, plus the editing state the editor reads directly.
//
// Threads. While an audio thread renders, it is the only thread that touches
// the engine, so an editing thread preempted at the wrong moment can never
// cost it a block:
//  - Value changes go into a preallocated single-producer/single-consumer
//    ring (editQueue_); the audio thread applies them at the start of each
//    block, before it renders, and puts each echo into a second ring
//    (echoQueue_) that the message thread empties and sends. applyValueChange
//    waits a little (on the message thread, never on the audio thread) for
//    its edit to be applied, so the echo mostly goes out before it returns.
//  - Everything else that reads or writes the engine (state saves and loads,
//    the apply step of imports, stopping voices) is prepared on the message
//    thread and handed over as one short task (runOnEngine) that the audio
//    thread runs at the start of a block, in microseconds and without
//    allocating. A state save is such a task: it packs the fixed layout into
//    a buffer the message thread allocated, so the snapshot is consistent
//    and the audio thread never waits for it; sample audio, which only
//    message-side operations replace, is encoded afterwards without it.
//  - When no audio thread renders (before the first block, after the host
//    stopped calling process for kAudioStall, in the renderer and in tests),
//    the message thread applies edits and runs tasks itself under
//    engineMutex(). Which thread applies is decided by the lock, so the
//    rings always have one consumer at a time.
//  - A voice-pool rebuild allocates the new pool on the message thread and
//    swaps it in as such a task. Only the host lifecycle calls still take
//    engineMutex() on the message thread; the audio thread only try-locks it
//    with a bounded spin (tryLockForAudio) and, should that fail, keeps its
//    events for the next block.
//  - Every plug-in shell hands its blocks to renderAudioBlock, which takes
//    the engine lock once per block. The lock is not recursive: what runs
//    with the engine held (a task, a value handler) calls only the methods
//    marked "engine held" below, never one that locks.
// Whole message-side operations are serialised by a second lock the audio
// thread never touches, so a save may read sample data without the engine
// lock while no import can replace it.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "ByteStream.h"
#include "FileKinds.h"
#include "MidiController.h"
#include "ModuleHost.h"
#include "PendingMidiEvents.h"
#include "ProcessorMessageSink.h"
#include "Records.h"
#include "SampleSourceStatus.h"
#include "SpscQueue.h"
#include "SynthesizerWT.h"

namespace kest::tolvane::plugin {

class EngineContext {
public:
    using EngineMutex = std::mutex;

    static constexpr int kQueueSlot = 0;
    static constexpr int kSynthSlot = 1;
    static constexpr int kBusyVoicePool = 1;  // busyFlags bit 0: the voice pool is being rebuilt
    static constexpr int kBusyWaveImport = 2; // busyFlags bit 1: a WAV import is rebuilding a slot
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
    int currentPart = 0;                                  // 0..15
    int currentTone = 0;                                  // 0..255
    int currentSampler = 0;                               // 0..127
    int currentSampleData = 0;                            // 0..127
    int currentWaveTable = 0;                             // 0..127
    int currentSequenceKind = 0;                          // the current tone's sequence edited (synth::SequenceKind)
    int waveTableSize = 32;                               // mirror of the engine's tableSize
    std::array<int, kWaveTableCount> waveTableBitDepth{}; // 1..8 each, all 8 at start
    int currentBitDepth = 8;
    int currentBitMask = 255;
    // The records the four indices designate; never null.
    synth::PartState* currentPartState = nullptr;
    synth::TonePreset* currentTonePreset = nullptr;
    synth::SamplerPreset* currentSamplerPreset = nullptr;
    synth::SampleData* currentSampleDataRecord = nullptr;
    // Path each slot was last imported from by importWave; empty means none.
    std::array<std::string, kSampleSlotCount> sampleSourcePath;
    std::array<std::uint8_t, kSampleSlotCount> sampleSourceKind{}; // SampleSourceKind values
    // Set by state loads, back to AsImported by a successful importWave.
    std::array<SampleSourceStatus, kSampleSlotCount> sampleSourceStatus{};
    // "Store samples in the project": saved states carry each slot's audio.
    bool storeSamplesInState = true;

    // The last import a file action refused, for the editor to show where the
    // user started it. Written and read on the message thread only.
    struct FileNotice {
        std::uint32_t serial = 0; // counts the refusals; the editor shows each new one
        int action = 0;           // the file action, high byte only (ids::file)
        std::string text;         // "<file name>: <reason>"
    };
    FileNotice fileNotice;

    // ---- Outgoing notifications (may be null: then nothing is sent). ----
    // The sink may be set on one thread (an editor opening) and used on
    // another (the host's state calls), so it is published atomically.
    void setMessageSink(ProcessorMessageSink* sink) { sink_.store(sink, std::memory_order_release); }
    ProcessorMessageSink* messageSink() const { return sink_.load(std::memory_order_acquire); }

    EngineMutex& engineMutex() { return mutex_; }

    // ---- Audio thread. ----
    // How many times the audio thread retries a busy engine lock (each retry a
    // CPU pause, no system call) before it gives the block up: some tens of
    // microseconds, far below a block. Edits never hold the lock while blocks
    // come; only a host setup call can.
    static constexpr int kAudioLockSpins = 4096;
    // Takes the engine lock into `lock`, spinning at most kAudioLockSpins times.
    bool tryLockForAudio(std::unique_lock<EngineMutex>& lock);
    // The most retries one tryLockForAudio() needed so far (for measurements).
    int longestAudioSpin() const { return longestAudioSpin_.load(std::memory_order_relaxed); }
    // One block as a plug-in shell hands it over, its host's events already
    // translated into `events` and its buffers into 32 channel pointers.
    struct AudioBlock {
        // The block's events in the order the host delivered them (may be null).
        PendingMidiEvents* events = nullptr;
        // Out 1 L, out 1 R, out 2 L, ... each `frames` long; null when the
        // host left a channel out (nothing renders, the events wait).
        float** outputs = nullptr;
        int frames = 0;
        // Serve the message thread and render nothing; the events stay in
        // `events` (BypassSwitch drops them when the switch goes off).
        bool bypassed = false;
    };
    struct BlockResult {
        bool reachedEngine = false;      // false: the engine was busy and the events wait
        std::uint32_t soundingPairs = 0; // output pairs (bit n: pair n) a voice wrote
    };
    // The audio-block entry of every shell: zeroes the outputs, takes the
    // engine lock once (a bounded spin), applies the queued value changes, a
    // waiting task and a module (de)activation, moves the events into the
    // engine's queue and renders. When the lock stays busy the block is
    // silent and its events wait, marked late, for the next one (counted in
    // missedBlocks). No allocation, no blocking lock, no system call.
    BlockResult renderAudioBlock(const AudioBlock& block);
    // The same for callers that queue into eventQueue themselves (tests, fuzzers).
    bool tryRenderBlock(float** outputs, int numSamples);
    // activate()/deactivate() on every module, for the bypass switch: carried
    // out by the next renderAudioBlock, which drops what was queued.
    void requestModulesActive(bool active) { pendingActivation_.store(active ? 1 : 2, std::memory_order_release); }
    // Blocks that rendered silence because the engine was busy.
    long missedBlocks() const { return missedBlocks_.load(std::memory_order_relaxed); }

    // How long the message thread waits for an audio thread that stopped
    // calling process before it applies edits and runs tasks itself.
    static constexpr std::chrono::milliseconds kAudioStall{250};
    static constexpr std::size_t kEditQueueCapacity = 1024;

    // ---- Message thread: host lifecycle. ----
    void setSampleRate(float rate);
    void setBlockSize(int size);
    // activate()/deactivate() on every module present (setActive).
    void setModulesActive(bool active);

    // ---- Message thread: editing. ----
    // Applies value id `id` (0xPPII) and sends exactly one value update for
    // every id it knows; unknown ids get none. Without an audio thread it
    // returns with the change applied and echoed; while one renders it waits
    // at most kEchoWait for the next block to apply it, and an echo not sent
    // by then goes with the next message-side call (or deliverValueEchoes,
    // which the editor's timer calls).
    void applyValueChange(int id, float value);
    static constexpr std::chrono::milliseconds kEchoWait{2};
    // Queues the change without waiting for it; its echo is sent by a later
    // call on the message thread (any of these operations, or
    // deliverValueEchoes). A full queue is waited for, never dropped. A
    // change that allocates or frees in the engine (polyphony, clearing a
    // sample slot) is applied as applyValueChange does instead.
    void postValueChange(int id, float value);
    // Waits until every queued change is applied and sends their echoes.
    void settleValueChanges();
    // The same, giving up at `deadline` while an audio thread renders; true
    // when everything was applied.
    bool waitForValueChanges(std::chrono::steady_clock::time_point deadline);
    // Sends the echoes of changes applied so far (message thread).
    void deliverValueEchoes();
    // Runs `work` with the engine to itself: on the audio thread at the start
    // of its next block while one renders, else here under engineMutex().
    // Returns when `work` has run. `work` must be short and must not allocate.
    template <typename Work> void runOnEngine(Work&& work)
    {
        EngineTask task;
        task.run = [](void* argument) { (*static_cast<std::remove_reference_t<Work>*>(argument))(); };
        task.argument = &work;
        runTask(task);
    }
    // Forget the audio thread until its next block: the host deactivated
    // processing, or promises that no block runs during the call at hand (an
    // LV2 state restore). Edits and tasks are then carried out at once on the
    // calling thread instead of waiting kAudioStall for blocks that do not come.
    void noteAudioStopped();
    // The same from the audio thread, without a lock: the host stops calling
    // for blocks for a while (a CLAP plug-in put to sleep) until the next one.
    void noteAudioPausing() { audioPaused_.store(true, std::memory_order_release); }
    // Runs file action `id` with `path`; a null or empty path does nothing.
    void runFileAction(int id, const char* path);

    // Polyphony operation: rebuilds the voice pool with the synthesizer slot
    // disabled, the swap as an engine task: never call it with the engine held.
    void applyPolyphony(int count);

    // ---- Engine held (inside runOnEngine, a value handler, or under engineMutex()). ----
    // Stops every voice of the pool at once.
    void stopAllVoices();
    // Mode operation on the current part (clamped to the engine's maxMode), then select by part.
    void setCurrentPartMode(int mode);

    // ---- Message thread: file operations. ----
    // Imports refuse a wrong file from its size and first bytes before they
    // read it; false then, with the reason in `refusal` when given.
    bool importText(const char* path, TextKind kind, std::string* refusal = nullptr);
    bool exportText(const char* path, TextKind kind);
    bool exportSysExText(const char* path, TextKind kind);
    // Reads and converts the WAV file first, then swaps it into the slot with
    // the synthesizer slot disabled; records path and kind on success.
    bool importWave(int slot, const char* path, SampleSourceKind kind, std::string* refusal = nullptr);
    // Puts audio kept in a saved state into the slot, as importWave would have
    // left it, and records `path` and `kind` as its source.
    void restoreSample(int slot, std::vector<std::int32_t>&& codes, int frames, int channels, const std::string& path,
                       SampleSourceKind kind);

    // ---- Message thread: saved state. ----
    // Writes the whole state; write errors are not detected.
    bool writeState(ByteWriter& out);
    // Reads a state of version 7 or 8, applying each field once it is fully
    // read; false when the version is too old or the stream ends early.
    // A slot whose file is gone or now yields other audio is restored from
    // the copy in the sample trailer when the state holds one.
    // With reimportWaves false the stored WAV paths are read but no file is
    // opened (for fuzzing and for tests of the layout alone): every stored
    // copy is then used as if its file were gone.
    bool readState(ByteReader& in, bool reimportWaves = true);

    // ---- Selection helpers (the lock must be held, or be on the message thread with no render race). ----
    void selectTone(int tone);       // currentTone and the derived wavetable, depth and mask
    void selectWaveTable(int table); // currentWaveTable, depth and mask
    void selectByPart();             // by the current part's mode
    void refreshCurrentRecords();    // the four record pointers from the four indices

    // ---- The tone on show follows the sound (engine side: with the engine to ourselves). ----
    // The current tone is the one the current part plays: its program, in
    // Percussion mode the tone of the last key played (the first percussion
    // tone before any). A preset or state load, a part selection, a mode or
    // program change of the current part (however it came) start following;
    // a tone picked or edited by hand stays until the next of those.
    void followPart();     // start following now (the events above)
    void pinCurrentTone(); // a tone picked by hand
    // Follows once: after every block, and where the events above happen.
    void followSound();
    // Whether the current tone follows the part (any thread; the editor asks
    // before it edits a tone, so that its edit lands on the tone it shows).
    bool toneFollowsPart() const { return toneFollowsPart_.load(std::memory_order_relaxed); }

    // Where the current part's last note stands in its tone's sequences, as
    // the audio thread last published it (after every block it renders).
    struct Playhead {
        int tone = -1;                                                    // the note's tone, -1 before any note
        bool sounding = false;                                            // its voice still plays it
        std::array<int, synth::kSequenceKindCount> steps{-1, -1, -1, -1}; // -1: no step yet, or no sequence
        bool operator==(const Playhead&) const = default;
    };
    Playhead playhead() const;
    // With the engine to ourselves: publishes the current part's playhead.
    void publishPlayhead();

private:
    struct ValueEdit {
        int id = 0;
        float value = 0.0f;
    };
    struct EngineTask {
        void (*run)(void*) = nullptr;
        void* argument = nullptr;
        std::atomic<bool> done{false};
    };

    void runTask(EngineTask& task);
    // True while blocks keep coming (message thread).
    bool audioIsLive();
    // With the engine to ourselves: applies queued edits (as many as their
    // echoes fit) and a waiting task.
    void applyQueuedEdits();
    void runWaitingTask();
    // Changes that allocate or free memory in the engine: applied on the message thread only.
    static bool needsMessageThread(int id);
    // Applies one change now; the echo, or nothing for an unknown id.
    std::optional<float> applyValueNow(int id, float value);
    // Replaces a slot's audio by `install` with the synthesizer slot disabled.
    template <typename Install>
    void swapSampleSlot(int slot, std::string sourcePath, SampleSourceKind kind, Install&& install);
    void sendValueUpdate(int id, float value);
    void sendUiUpdate();
    void noteRefusedFile(int action, const char* path, const std::string& refusal);
    void applyPendingActivation();
    // With the engine lock held: applies the queued value changes in order,
    // runs a waiting task and carries out a module (de)activation.
    void serviceFromAudioThread();

    std::atomic<ProcessorMessageSink*> sink_{nullptr};
    EngineMutex mutex_;
    // Serialises whole message-side operations; never taken by the audio thread.
    std::recursive_mutex editMutex_;
    std::atomic<int> longestAudioSpin_{0};
    SpscQueue<ValueEdit, kEditQueueCapacity> editQueue_;
    SpscQueue<ValueEdit, kEditQueueCapacity> echoQueue_;
    std::atomic<EngineTask*> waitingTask_{nullptr};
    // Edits queued by the message thread, and applied by whoever had the engine.
    std::uint64_t postedEdits_ = 0;
    std::atomic<std::uint64_t> appliedEdits_{0};
    // Counted by the audio thread at every service; watched by the message thread.
    std::atomic<std::uint32_t> audioBeats_{0};
    std::atomic<std::thread::id> audioThread_{};
    std::uint32_t seenBeats_ = 0;
    std::chrono::steady_clock::time_point beatSeenAt_{};
    std::atomic<int> pendingActivation_{0}; // 0 none, 1 activate, 2 deactivate
    std::atomic<long> missedBlocks_{0};
    std::atomic<bool> audioPaused_{false};
    // Following the sound: what the current part played when last looked at.
    std::atomic<bool> toneFollowsPart_{true};
    int followedPart_ = -1, followedMode_ = -1, followedProgram_ = -1;
    std::atomic<std::uint64_t> playhead_{0}; // packed Playhead, 0 before any block
};

} // namespace kest::tolvane::plugin
