// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the state. The fixed layout is built in memory record by record, each
// taken under the engine lock for a moment, and handed to the host's stream
// afterwards; the sample trailer is written straight from the slots' audio,
// which only message-side operations replace and the edit lock keeps still.
#include <mutex>
#include <vector>

#include "EngineContext.h"
#include "SampleTrailer.h"
#include "StateRecords.h"

namespace kest::tolvane::plugin {

namespace {

void appendSampleSlot(const EngineContext& context, int slotIndex, std::vector<std::uint8_t>& out) {
    const auto& path = context.sampleSourcePath[static_cast<std::size_t>(slotIndex)];
    const synth::SampleData& slot = context.synth->sampleData(slotIndex);
    const bool present = !path.empty() && slot.frames > 0;
    out.push_back(present ? 1 : 0);
    if (!present) return;

    std::uint8_t number[4];
    state::putU32(number, static_cast<std::uint32_t>(path.size() + 1));
    out.insert(out.end(), number, number + 4);
    out.insert(out.end(), path.begin(), path.end());
    out.push_back(0);
    out.push_back(context.sampleSourceKind[static_cast<std::size_t>(slotIndex)]);

    std::uint8_t fields[24];
    state::putF32(fields, slot.sourceRate);
    state::putF32(fields + 4, slot.pitch);
    state::putU32(fields + 8, static_cast<std::uint32_t>(slot.playBackStartPoint));
    state::putU32(fields + 12, static_cast<std::uint32_t>(slot.playBackEndPoint));
    state::putU32(fields + 16, static_cast<std::uint32_t>(slot.loopStartForDisplay()));
    state::putU32(fields + 20, static_cast<std::uint32_t>(slot.loopEndForDisplay()));
    out.insert(out.end(), fields, fields + sizeof fields);
}

std::vector<std::uint8_t> encodeState(EngineContext& context) {
    using Lock = std::lock_guard<EngineContext::EngineMutex>;
    synth::SynthesizerWT& engine = *context.synth;
    std::vector<std::uint8_t> out(state::kSampleSlotsOffset, 0);
    {
        Lock lock(context.engineMutex());
        std::uint8_t* header = out.data();
        header[0] = state::kVersion;
        header[1] = engine.receiveSysEx ? 1 : 0;
        header[2] = engine.nrpnEnabled ? 1 : 0;
        state::putF32(header + 3, engine.masterVolume);
        state::putF32(header + 7, engine.masterTune);
        state::putU16(header + 11, engine.getPolyphony());
        for (int p = 0; p < synth::kPartCount; ++p)
            state::encodePart(engine.part(p), out.data() + state::kPartsOffset + p * state::kPartRecordSize);
    }
    // MIDI on the audio thread may change a record (SysEx), so each is taken whole.
    for (int t = 0; t < synth::kToneCount; ++t) {
        Lock lock(context.engineMutex());
        state::encodeTone(engine.tone(t), out.data() + state::kTonesOffset + t * state::kToneRecordSize);
    }
    for (int s = 0; s < synth::kSamplerPresetCount; ++s) {
        Lock lock(context.engineMutex());
        state::encodeSampler(engine.samplerPreset(s), out.data() + state::kSamplersOffset + s * state::kSamplerRecordSize);
    }
    {
        Lock lock(context.engineMutex());
        out[state::kWaveTablesOffset] = static_cast<std::uint8_t>(engine.tableSize);
    }
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        std::uint8_t* record = out.data() + state::kWaveTablesOffset + 1 + t * state::kWaveTableRecordSize;
        Lock lock(context.engineMutex());
        const int depth = context.waveTableBitDepth[static_cast<std::size_t>(t)];
        record[0] = static_cast<std::uint8_t>(depth);
        engine.exportWaveBytes(t, record + 1, synth::kWaveTableMaxSize, depth);
    }
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        Lock lock(context.engineMutex());
        appendSampleSlot(context, s, out);
    }
    return out;
}

// The slots the fixed layout stored as present, with their audio.
std::vector<state::SampleToWrite> samplesToWrite(const EngineContext& context) {
    std::vector<state::SampleToWrite> samples;
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        const synth::SampleData& slot = context.synth->sampleData(s);
        if (context.sampleSourcePath[static_cast<std::size_t>(s)].empty() || slot.frames <= 0) continue;
        samples.push_back({s, context.sampleSourceKind[static_cast<std::size_t>(s)], slot.frames, slot.channels,
                           &slot.data});
    }
    return samples;
}

} // namespace

bool EngineContext::writeState(ByteWriter& out) {
    std::lock_guard edit(editMutex_);
    const std::vector<std::uint8_t> bytes = encodeState(*this);
    out.write(bytes.data(), bytes.size());
    state::writeSampleTrailer(out, storeSamplesInState, samplesToWrite(*this));
    return true;
}

} // namespace kest::tolvane::plugin
