// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the state. The fields are read from the host's stream first and
// applied in a few short engine tasks afterwards, each field only once it has
// been read in full, so a stream that ends early leaves no record half
// written. After the slot records come the optional sample trailer and the
// tagged trailers (the tones' expressions), which are read before any WAV file: a file that is no WAV file any more, or
// whose header already shows other audio than the copy the state carries, is not read, and a slot whose file is gone or
// now yields other audio is restored from that copy.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "EngineContext.h"
#include "ExpressionTrailer.h"
#include "PartPlayTrailer.h"
#include "SamplePoints.h"
#include "SampleTrailer.h"
#include "StateRecords.h"
#include "WaveImport.h"

namespace kest::tolvane::plugin {

namespace {

// No file system takes a longer path (Windows: 32767 UTF-16 units, at most 3
// UTF-8 bytes each): a longer one is a damaged stream.
constexpr std::uint32_t kMaxPathBytes = 128 * 1024;

// Reads the NUL-terminated path of `length` bytes in pieces, so a damaged
// length field cannot make us allocate more than the stream really holds.
bool readPath(ByteReader& in, std::uint32_t length, std::string& path)
{
    constexpr std::uint32_t kPiece = 4096;
    if (length > kMaxPathBytes)
        return false;
    std::string bytes;
    char buffer[kPiece];
    while (length > 0) {
        const std::uint32_t count = std::min(length, kPiece);
        if (!in.read(buffer, count))
            return false;
        bytes.append(buffer, count);
        length -= count;
    }
    path.assign(bytes.c_str());
    return true;
}

bool isUsableKind(std::uint8_t kind) { return kind <= static_cast<std::uint8_t>(SampleSourceKind::Adpcm); }

// What became of a slot's WAV file on load.
enum class FileOutcome { NotTried, Imported, Missing, Changed };

// One slot record as read, kept so that a slot restored from the trailer gets
// its rate, pitch and points again (they were tested against the file's frames).
struct LoadedSlot {
    bool present = false;
    FileOutcome file = FileOutcome::NotTried;
    std::string path;
    std::uint8_t kind = 0;
    std::uint8_t rate[4] = {};
    std::uint8_t pitch[4] = {};
    std::uint8_t points[8] = {};
    std::uint8_t loop[8] = {};
    int fieldsRead = 0; // of rate, pitch, points and loop, in that order
};

bool matchesStored(const synth::SampleData& slot, std::uint8_t kind, const state::StoredSample& stored)
{
    return kind == stored.kind && slot.hasData && slot.frames == stored.frames && slot.channels == stored.channels &&
           state::sampleFingerprint(slot.data, slot.frames, slot.channels) == stored.fingerprint;
}

// Rate, pitch and points of a slot record, as far as they were read,
// applied as the layout describes (with the engine to ourselves).
void applySlotFields(EngineContext& context, int s, const LoadedSlot& loaded)
{
    synth::SampleData& slot = context.synth->sampleData(s);
    if (loaded.fieldsRead > 0)
        if (const float rate = state::getF32(loaded.rate); std::isfinite(rate))
            slot.setSourceRate(rate);
    if (loaded.fieldsRead > 1)
        if (const float pitch = state::getF32(loaded.pitch); std::isfinite(pitch))
            slot.setPitch(pitch);
    if (loaded.fieldsRead > 2)
        restorePlaybackPoints(slot, state::getI32(loaded.points), state::getI32(loaded.points + 4));
    if (loaded.fieldsRead > 3)
        restoreLoop(slot, state::getI32(loaded.loop), state::getI32(loaded.loop + 4));
}

// The fixed records as read; `count` says how many of each arrived whole.
struct LoadedRecords {
    std::vector<std::uint8_t> parts, tones, samplers, tables;
    int partCount = 0, toneCount = 0, samplerCount = 0, tableCount = 0;
    bool hasTableSize = false;
    std::uint8_t tableSize = 0;
};

// Reads `total` records of `size` bytes; false when the stream ends first.
bool readRecords(ByteReader& in, std::size_t size, int total, std::vector<std::uint8_t>& bytes, int& count)
{
    bytes.assign(size * static_cast<std::size_t>(total), 0);
    for (count = 0; count < total; ++count)
        if (!in.read(bytes.data() + size * static_cast<std::size_t>(count), size))
            return false;
    return true;
}

bool readFixedRecords(ByteReader& in, LoadedRecords& records)
{
    if (!readRecords(in, state::kPartRecordSize, synth::kPartCount, records.parts, records.partCount))
        return false;
    if (!readRecords(in, state::kToneRecordSize, synth::kToneCount, records.tones, records.toneCount))
        return false;
    if (!readRecords(in, state::kSamplerRecordSize, synth::kSamplerPresetCount, records.samplers, records.samplerCount))
        return false;
    if (!in.read(&records.tableSize, 1))
        return false;
    records.hasTableSize = true;
    return readRecords(in, state::kWaveTableRecordSize, synth::kWaveTableCount, records.tables, records.tableCount);
}

// Puts the records read into the engine (with the engine to ourselves: no allocation).
void applyFixedRecords(EngineContext& context, const LoadedRecords& records)
{
    synth::SynthesizerWT& engine = *context.synth;
    // A part read from the state plays POLY without arpeggio unless its trailer says otherwise.
    for (int p = 0; p < records.partCount; ++p) {
        state::decodePart(records.parts.data() + p * state::kPartRecordSize, engine.maxMode, engine.part(p));
        engine.setStoredPlay(p, synth::PartPlaySettings{});
    }
    // A tone read from the state has no expression unless its trailer gives one.
    for (int t = 0; t < records.toneCount; ++t) {
        state::decodeTone(records.tones.data() + t * state::kToneRecordSize, engine.tone(t));
        engine.toneExpression(t) = synth::ToneExpression{};
    }
    if (records.toneCount > 0)
        engine.setTickRate(synth::kDefaultTickRate);
    for (int s = 0; s < records.samplerCount; ++s)
        state::decodeSampler(records.samplers.data() + s * state::kSamplerRecordSize, engine.samplerPreset(s));
    if (records.hasTableSize)
        context.waveTableSize = engine.setTableSize(records.tableSize);
    for (int t = 0; t < records.tableCount; ++t) {
        const std::uint8_t* record = records.tables.data() + t * state::kWaveTableRecordSize;
        const int depth = (record[0] >= 1 && record[0] <= 8) ? record[0] : 8;
        int values[synth::kWaveTableMaxSize];
        for (int i = 0; i < synth::kWaveTableMaxSize; ++i)
            values[i] = record[1 + i] & ((1 << depth) - 1);
        context.waveTableBitDepth[static_cast<std::size_t>(t)] = depth;
        engine.importWaveValues(t, values, depth);
    }
}

// Imports a slot's WAV file again, unless its header already shows that it
// is gone or no WAV file an import takes, or, when the state holds a copy to
// fall back on, that it holds other audio than the state stored.
void reimportSlot(EngineContext& context, int s, LoadedSlot& slot, const state::StoredSample* stored)
{
    if (isFactorySamplePath(slot.path))
        return;
    const formats::WaveProbe probe = formats::probeWaveFile(slot.path);
    if (!probe.opened) {
        slot.file = FileOutcome::Missing;
        return;
    }
    const bool copyInstead =
        stored != nullptr && stored->hasCopy &&
        (probe.frames != stored->frames || probe.channels != stored->channels || slot.kind != stored->kind);
    if (!probe.accepted || copyInstead) {
        slot.file = FileOutcome::Changed;
        return;
    }
    const bool imported = context.importWave(s, slot.path.c_str(), static_cast<SampleSourceKind>(slot.kind));
    slot.file = imported ? FileOutcome::Imported : FileOutcome::Changed;
}

// Decides, for every slot the state stored, whether the audio read from its
// file is what was saved; if not, the stored copy replaces it.
void reconcileSamples(EngineContext& context, std::array<LoadedSlot, synth::kSampleSlotCount>& loaded,
                      state::SampleTrailer* trailer)
{
    using Status = SampleSourceStatus;
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        LoadedSlot& slot = loaded[static_cast<std::size_t>(s)];
        if (!slot.present)
            continue;
        auto& status = context.sampleSourceStatus[static_cast<std::size_t>(s)];
        const bool fileThere = slot.file == FileOutcome::Imported || slot.file == FileOutcome::Changed;
        state::StoredSample* stored = trailer != nullptr ? trailer->find(s) : nullptr;
        if (slot.file == FileOutcome::Imported &&
            (stored == nullptr || matchesStored(context.synth->sampleData(s), slot.kind, *stored))) {
            status = Status::AsImported;
            continue;
        }
        if (stored == nullptr || !stored->hasCopy) {
            status = fileThere ? Status::Changed : Status::Missing;
            continue;
        }
        context.restoreSample(s, std::move(stored->codes), stored->frames, stored->channels, slot.path,
                              static_cast<SampleSourceKind>(stored->kind));
        context.runOnEngine([&] { applySlotFields(context, s, slot); });
        if (isFactorySamplePath(slot.path))
            status = Status::AsImported;
        else
            status = fileThere ? Status::ChangedRestored : Status::MissingRestored;
    }
}

// Reads the 128 slot records; false when the stream ends first (the slots
// read until then are kept, a slot whose path or kind is cut short is not present).
bool readSlotRecords(ByteReader& in, std::array<LoadedSlot, synth::kSampleSlotCount>& loaded)
{
    for (LoadedSlot& slot : loaded) {
        std::uint8_t byte = 0;
        if (!in.read(&byte, 1))
            return false;
        if (byte == 0)
            continue;
        std::uint8_t number[4];
        std::string path;
        if (!in.read(number, 4) || !readPath(in, state::getU32(number), path) || !in.read(&slot.kind, 1))
            return false;
        slot.path = std::move(path);
        slot.present = !slot.path.empty() && isUsableKind(slot.kind);
        for (std::uint8_t* field : {slot.rate, slot.pitch, slot.points, slot.loop}) {
            const std::size_t size = (field == slot.points || field == slot.loop) ? 8 : 4;
            if (!in.read(field, size))
                return false;
            ++slot.fieldsRead;
        }
    }
    return true;
}

} // namespace

bool EngineContext::readState(ByteReader& in, bool reimportWaves)
{
    std::lock_guard edit(editMutex_);
    runOnEngine([&] { stopAllVoices(); });

    std::uint8_t header[state::kPartsOffset];
    std::size_t headerRead = 0;
    // Version, SysEx and NRPN switches, volume, tune, polyphony: how far each reaches.
    constexpr std::size_t kHeaderFields[] = {1, 2, 3, 7, 11, 13};
    for (const std::size_t end : kHeaderFields) {
        if (!in.read(header + headerRead, end - headerRead))
            break;
        headerRead = end;
    }
    if (headerRead < 1 || header[0] < state::kOldestReadableVersion)
        return false;

    // Non-finite numbers from a damaged stream are not passed to the engine.
    runOnEngine([&] {
        if (headerRead >= 2)
            synth->receiveSysEx = header[1] > 0;
        if (headerRead >= 3)
            synth->setNrpnEnabled(header[2] > 0);
        if (const float volume = state::getF32(header + 3); headerRead >= 7 && std::isfinite(volume))
            synth->setMasterVolume(volume);
        if (const float tune = state::getF32(header + 7); headerRead >= 11 && std::isfinite(tune) && tune > 0.0f)
            synth->setMasterTune(tune);
    });
    if (headerRead < 13)
        return false;
    applyPolyphony(state::getU16(header + 11));

    LoadedRecords records;
    const bool recordsComplete = readFixedRecords(in, records);
    runOnEngine([&] {
        applyFixedRecords(*this, records);
        followPart(); // a loaded preset or project shows what the current part plays
    });
    if (!recordsComplete)
        return false;

    std::array<LoadedSlot, synth::kSampleSlotCount> loaded;
    const bool slotsComplete = readSlotRecords(in, loaded);
    // Damaged or absent: the slots stay as their files give them.
    std::optional<state::SampleTrailer> trailer;
    std::unique_ptr<state::LoadedExpressions> expressions;
    std::optional<state::LoadedPartPlay> partPlay;
    if (slotsComplete)
        trailer = state::readSampleTrailer(in);
    if (trailer)
        state::readTaggedTrailers(in, state::kMaxExpressionTrailerSize, [&](const auto& tag, const auto& body) {
            if (tag == state::kExpressionTrailerTag)
                expressions = state::decodeExpressionTrailer(body);
            else if (tag == state::kPartPlayTrailerTag)
                partPlay = state::decodePartPlayTrailer(body);
        });
    runOnEngine([&] {
        if (expressions)
            state::applyExpressions(*synth, expressions.get());
        if (partPlay)
            for (int p = 0; p < synth::kPartCount; ++p)
                synth->setStoredPlay(p, (*partPlay)[static_cast<std::size_t>(p)]);
    });
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        LoadedSlot& slot = loaded[static_cast<std::size_t>(s)];
        if (reimportWaves && slot.present)
            reimportSlot(*this, s, slot, trailer ? trailer->find(s) : nullptr);
    }
    runOnEngine([&] {
        for (int s = 0; s < synth::kSampleSlotCount; ++s)
            if (loaded[static_cast<std::size_t>(s)].fieldsRead > 0)
                applySlotFields(*this, s, loaded[static_cast<std::size_t>(s)]);
    });
    if (!slotsComplete)
        return false;

    storeSamplesInState = trailer ? trailer->storeSamples : true;
    reconcileSamples(*this, loaded, trailer ? &*trailer : nullptr);
    return true;
}

} // namespace kest::tolvane::plugin
