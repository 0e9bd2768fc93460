// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the state. The fixed layout and the tones' expressions are packed in
// one short engine task (a consistent snapshot, taken between two blocks) and
// handed to the host's stream afterwards; the sample trailer is written
// straight from the slots' audio, which only message-side operations replace
// and the edit lock keeps still. The expression trailer follows it.
#include <array>
#include <mutex>
#include <vector>

#include "EngineContext.h"
#include "ExpressionTrailer.h"
#include "SampleTrailer.h"
#include "StateRecords.h"

namespace kest::tolvane::plugin {

namespace {

// A slot's fields as the fixed layout stores them, taken with the snapshot.
struct SlotFields {
    bool hasFrames = false;
    std::uint8_t bytes[24] = {};
};
using SlotSnapshot = std::array<SlotFields, synth::kSampleSlotCount>;

void appendSampleSlot(const EngineContext& context, int slotIndex, const SlotFields& fields,
                      std::vector<std::uint8_t>& out)
{
    const auto& path = context.sampleSourcePath[static_cast<std::size_t>(slotIndex)];
    const bool present = !path.empty() && fields.hasFrames;
    out.push_back(present ? 1 : 0);
    if (!present)
        return;

    std::uint8_t number[4];
    state::putU32(number, static_cast<std::uint32_t>(path.size() + 1));
    out.insert(out.end(), number, number + 4);
    out.insert(out.end(), path.begin(), path.end());
    out.push_back(0);
    out.push_back(context.sampleSourceKind[static_cast<std::size_t>(slotIndex)]);
    out.insert(out.end(), fields.bytes, fields.bytes + sizeof fields.bytes);
}

// Packs everything up to the sample slots, and the slots' fields, into
// buffers allocated beforehand: it runs with the engine to itself (on the
// audio thread between two blocks), so it must not allocate.
void snapshotFixedLayout(EngineContext& context, std::uint8_t* out, SlotSnapshot& slots)
{
    synth::SynthesizerWT& engine = *context.synth;
    out[0] = state::kVersion;
    out[1] = engine.receiveSysEx ? 1 : 0;
    out[2] = engine.nrpnEnabled ? 1 : 0;
    state::putF32(out + 3, engine.masterVolume);
    state::putF32(out + 7, engine.masterTune);
    state::putU16(out + 11, engine.getPolyphony());
    for (int p = 0; p < synth::kPartCount; ++p)
        state::encodePart(engine.part(p), out + state::kPartsOffset + p * state::kPartRecordSize);
    for (int t = 0; t < synth::kToneCount; ++t)
        state::encodeTone(engine.tone(t), out + state::kTonesOffset + t * state::kToneRecordSize);
    for (int s = 0; s < synth::kSamplerPresetCount; ++s)
        state::encodeSampler(engine.samplerPreset(s), out + state::kSamplersOffset + s * state::kSamplerRecordSize);
    out[state::kWaveTablesOffset] = static_cast<std::uint8_t>(engine.tableSize);
    for (int t = 0; t < synth::kWaveTableCount; ++t) {
        std::uint8_t* record = out + state::kWaveTablesOffset + 1 + t * state::kWaveTableRecordSize;
        const int depth = context.waveTableBitDepth[static_cast<std::size_t>(t)];
        record[0] = static_cast<std::uint8_t>(depth);
        engine.exportWaveBytes(t, record + 1, synth::kWaveTableMaxSize, depth);
    }
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        const synth::SampleData& slot = engine.sampleData(s);
        SlotFields& fields = slots[static_cast<std::size_t>(s)];
        fields.hasFrames = slot.frames > 0;
        state::putF32(fields.bytes, slot.sourceRate);
        state::putF32(fields.bytes + 4, slot.pitch);
        state::putU32(fields.bytes + 8, static_cast<std::uint32_t>(slot.playBackStartPoint));
        state::putU32(fields.bytes + 12, static_cast<std::uint32_t>(slot.playBackEndPoint));
        state::putU32(fields.bytes + 16, static_cast<std::uint32_t>(slot.loopStartForDisplay()));
        state::putU32(fields.bytes + 20, static_cast<std::uint32_t>(slot.loopEndForDisplay()));
    }
}

// The fixed layout with the slot records, and the expression trailer's body
// (empty when it is not written), from one snapshot.
std::vector<std::uint8_t> encodeState(EngineContext& context, std::vector<std::uint8_t>& expressions)
{
    std::vector<std::uint8_t> out(state::kSampleSlotsOffset, 0);
    SlotSnapshot slots;
    expressions.assign(state::kMaxExpressionTrailerSize, 0);
    std::size_t expressionSize = 0;
    context.runOnEngine([&] {
        snapshotFixedLayout(context, out.data(), slots);
        expressionSize = state::encodeExpressionTrailer(*context.synth, expressions.data());
    });
    expressions.resize(expressionSize);
    for (int s = 0; s < synth::kSampleSlotCount; ++s)
        appendSampleSlot(context, s, slots[static_cast<std::size_t>(s)], out);
    return out;
}

// The slots the fixed layout stored as present, with their audio.
std::vector<state::SampleToWrite> samplesToWrite(const EngineContext& context)
{
    std::vector<state::SampleToWrite> samples;
    for (int s = 0; s < synth::kSampleSlotCount; ++s) {
        const synth::SampleData& slot = context.synth->sampleData(s);
        if (context.sampleSourcePath[static_cast<std::size_t>(s)].empty() || slot.frames <= 0)
            continue;
        samples.push_back(
            {s, context.sampleSourceKind[static_cast<std::size_t>(s)], slot.frames, slot.channels, &slot.data});
    }
    return samples;
}

} // namespace

bool EngineContext::writeState(ByteWriter& out)
{
    std::lock_guard edit(editMutex_);
    std::vector<std::uint8_t> expressions;
    const std::vector<std::uint8_t> bytes = encodeState(*this, expressions);
    out.write(bytes.data(), bytes.size());
    state::writeSampleTrailer(out, storeSamplesInState, samplesToWrite(*this));
    if (!expressions.empty())
        state::writeTaggedTrailer(out, state::kExpressionTrailerTag, expressions);
    return true;
}

} // namespace kest::tolvane::plugin
