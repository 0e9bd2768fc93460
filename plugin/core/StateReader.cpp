// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the state. Each field is read from the host's stream without the
// engine lock and applied under it only once it has been read in full, so a
// stream that ends early leaves no record half written. After the slot
// records comes the optional sample trailer: a slot whose WAV file is gone or
// now yields other audio is restored from the copy the state carries.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "EngineContext.h"
#include "SamplePoints.h"
#include "SampleTrailer.h"
#include "StateRecords.h"

namespace kest::tolvane::plugin {

namespace {

// Reads the NUL-terminated path of `length` bytes in pieces, so a damaged
// length field cannot make us allocate more than the stream really holds.
bool readPath(ByteReader& in, std::uint32_t length, std::string& path) {
    constexpr std::uint32_t kPiece = 4096;
    std::string bytes;
    char buffer[kPiece];
    while (length > 0) {
        const std::uint32_t count = std::min(length, kPiece);
        if (!in.read(buffer, count)) return false;
        bytes.append(buffer, count);
        length -= count;
    }
    path.assign(bytes.c_str());
    return true;
}

bool isUsableKind(std::uint8_t kind) { return kind <= static_cast<std::uint8_t>(SampleSourceKind::Adpcm); }

// One slot record as read, kept so that a slot restored from the trailer gets
// its rate, pitch and points again (they were tested against the file's frames).
struct LoadedSlot {
    bool present = false;
    bool imported = false;
    std::string path;
    std::uint8_t kind = 0;
    std::uint8_t rate[4] = {};
    std::uint8_t pitch[4] = {};
    std::uint8_t points[8] = {};
    std::uint8_t loop[8] = {};
};

bool matchesStored(const synth::SampleData& slot, std::uint8_t kind, const state::StoredSample& stored) {
    return kind == stored.kind && slot.hasData && slot.frames == stored.frames && slot.channels == stored.channels &&
           state::sampleFingerprint(slot.data, slot.frames, slot.channels) == stored.fingerprint;
}

// Rate, pitch and points of a slot record, applied as the layout describes.
void applySlotFields(EngineContext& context, int s, const LoadedSlot& loaded) {
    synth::SampleData& slot = context.synth->sampleData(s);
    std::lock_guard lock(context.engineMutex());
    if (const float rate = state::getF32(loaded.rate); std::isfinite(rate)) slot.setSourceRate(rate);
    if (const float pitch = state::getF32(loaded.pitch); std::isfinite(pitch)) slot.setPitch(pitch);
    restorePlaybackPoints(slot, state::getI32(loaded.points), state::getI32(loaded.points + 4));
    restoreLoop(slot, state::getI32(loaded.loop), state::getI32(loaded.loop + 4));
}

// Decides, for every slot the state stored, whether the audio read from its
// file is what was saved; if not, the stored copy replaces it.
void reconcileSamples(EngineContext& context, std::array<LoadedSlot, synth::kSampleSlotCount>& loaded,
                      state::SampleTrailer* trailer) {
    using Status = SampleSourceStatus;
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        LoadedSlot& slot = loaded[static_cast<std::size_t>(s)];
        if (!slot.present) continue;
        auto& status = context.sampleSourceStatus[static_cast<std::size_t>(s)];
        state::StoredSample* stored = trailer != nullptr ? trailer->find(s) : nullptr;
        if (stored == nullptr) {
            status = slot.imported ? Status::AsImported : Status::Missing;
            continue;
        }
        if (slot.imported && matchesStored(context.synth->sampleData(s), slot.kind, *stored)) {
            status = Status::AsImported;
            continue;
        }
        if (!stored->hasCopy) {
            status = slot.imported ? Status::Changed : Status::Missing;
            continue;
        }
        context.restoreSample(s, std::move(stored->codes), stored->frames, stored->channels, slot.path,
                              static_cast<SampleSourceKind>(stored->kind));
        applySlotFields(context, s, slot);
        status = slot.imported ? Status::ChangedRestored : Status::MissingRestored;
    }
}

} // namespace

bool EngineContext::readState(ByteReader& in, bool reimportWaves) {
    using Lock = std::lock_guard<EngineMutex>;
    std::lock_guard edit(editMutex_);
    stopAllVoices();

    std::uint8_t byte = 0;
    if (!in.read(&byte, 1) || byte < state::kOldestReadableVersion) return false;

    if (!in.read(&byte, 1)) return false;
    {
        Lock lock(mutex_);
        synth->receiveSysEx = byte > 0;
    }
    if (!in.read(&byte, 1)) return false;
    {
        Lock lock(mutex_);
        synth->setNrpnEnabled(byte > 0);
    }

    std::uint8_t number[4];
    if (!in.read(number, 4)) return false;
    // Non-finite numbers from a damaged stream are not passed to the engine.
    if (const float volume = state::getF32(number); std::isfinite(volume)) {
        Lock lock(mutex_);
        synth->setMasterVolume(volume);
    }
    if (!in.read(number, 4)) return false;
    if (const float tune = state::getF32(number); std::isfinite(tune) && tune > 0.0f) {
        Lock lock(mutex_);
        synth->setMasterTune(tune);
    }
    if (!in.read(number, 2)) return false;
    applyPolyphony(state::getU16(number));

    std::uint8_t record[state::kWaveTableRecordSize];
    for (int p = 0; p < synth::kPartCount; ++p) {
        if (!in.read(record, state::kPartRecordSize)) return false;
        Lock lock(mutex_);
        state::decodePart(record, synth->maxMode, synth->part(p));
    }
    for (int t = 0; t < synth::kToneCount; ++t) {
        if (!in.read(record, state::kToneRecordSize)) return false;
        Lock lock(mutex_);
        state::decodeTone(record, synth->tone(t));
    }
    for (int s = 0; s < synth::kSamplerPresetCount; ++s) {
        if (!in.read(record, state::kSamplerRecordSize)) return false;
        Lock lock(mutex_);
        state::decodeSampler(record, synth->samplerPreset(s));
    }

    if (!in.read(&byte, 1)) return false;
    {
        Lock lock(mutex_);
        waveTableSize = synth->setTableSize(byte);
    }
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        if (!in.read(record, state::kWaveTableRecordSize)) return false;
        const int depth = (record[0] >= 1 && record[0] <= 8) ? record[0] : 8;
        int values[synth::kWaveTableMaxSize];
        for (int i = 0; i < synth::kWaveTableMaxSize; ++i) values[i] = record[1 + i] & ((1 << depth) - 1);
        Lock lock(mutex_);
        waveTableBitDepth[static_cast<std::size_t>(t)] = depth;
        synth->importWaveValues(t, values, depth);
    }

    std::array<LoadedSlot, synth::kSampleSlotCount> loaded;
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        if (!in.read(&byte, 1)) return false;
        if (byte == 0) continue;
        LoadedSlot& slot = loaded[static_cast<std::size_t>(s)];
        if (!in.read(number, 4)) return false;
        if (!readPath(in, state::getU32(number), slot.path)) return false;
        if (!in.read(&slot.kind, 1)) return false;
        slot.present = !slot.path.empty() && isUsableKind(slot.kind);
        if (reimportWaves && slot.present)
            slot.imported = importWave(s, slot.path.c_str(), static_cast<SampleSourceKind>(slot.kind));

        synth::SampleData& data = synth->sampleData(s);
        if (!in.read(slot.rate, 4)) return false;
        if (const float rate = state::getF32(slot.rate); std::isfinite(rate)) {
            Lock lock(mutex_);
            data.setSourceRate(rate);
        }
        if (!in.read(slot.pitch, 4)) return false;
        if (const float pitch = state::getF32(slot.pitch); std::isfinite(pitch)) {
            Lock lock(mutex_);
            data.setPitch(pitch);
        }
        if (!in.read(slot.points, 8)) return false;
        {
            Lock lock(mutex_);
            restorePlaybackPoints(data, state::getI32(slot.points), state::getI32(slot.points + 4));
        }
        if (!in.read(slot.loop, 8)) return false;
        Lock lock(mutex_);
        restoreLoop(data, state::getI32(slot.loop), state::getI32(slot.loop + 4));
    }

    // Damaged or absent: the slots stay as their files gave them.
    std::optional<state::SampleTrailer> trailer = state::readSampleTrailer(in);
    storeSamplesInState = trailer ? trailer->storeSamples : true;
    reconcileSamples(*this, loaded, trailer ? &*trailer : nullptr);
    return true;
}

} // namespace kest::tolvane::plugin
