// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the state. Each field is read from the host's stream without the
// engine lock and applied under it only once it has been read in full, so a
// stream that ends early leaves no record half written.
#include <algorithm>
#include <cmath>
#include <string>

#include "EngineContext.h"
#include "SamplePoints.h"
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

} // namespace

bool EngineContext::readState(ByteReader& in, bool reimportWaves) {
    using Lock = std::lock_guard<EngineMutex>;
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

    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        if (!in.read(&byte, 1)) return false;
        if (byte == 0) continue;
        if (!in.read(number, 4)) return false;
        std::string path;
        if (!readPath(in, state::getU32(number), path)) return false;
        std::uint8_t kind = 0;
        if (!in.read(&kind, 1)) return false;
        if (reimportWaves && !path.empty() && isUsableKind(kind))
            importWave(s, path.c_str(), static_cast<SampleSourceKind>(kind));

        synth::SampleData& slot = synth->sampleData(s);
        if (!in.read(number, 4)) return false;
        if (const float rate = state::getF32(number); std::isfinite(rate)) {
            Lock lock(mutex_);
            slot.setSourceRate(rate);
        }
        if (!in.read(number, 4)) return false;
        if (const float pitch = state::getF32(number); std::isfinite(pitch)) {
            Lock lock(mutex_);
            slot.setPitch(pitch);
        }
        std::uint8_t points[8];
        if (!in.read(points, 8)) return false;
        {
            Lock lock(mutex_);
            restorePlaybackPoints(slot, state::getI32(points), state::getI32(points + 4));
        }
        if (!in.read(points, 8)) return false;
        Lock lock(mutex_);
        restoreLoop(slot, state::getI32(points), state::getI32(points + 4));
    }
    return true;
}

} // namespace kest::tolvane::plugin
