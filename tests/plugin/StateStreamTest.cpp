// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state: layout, exact round trip including re-imported WAV files,
// old versions, short and damaged streams.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "CoreTestSupport.h"
#include "StateLayout.h"

namespace kest::tolvane::plugin::testing {
namespace {

std::vector<std::uint8_t> saveState(EngineContext& context) {
    MemoryByteWriter writer;
    EXPECT_TRUE(context.writeState(writer));
    return writer.bytes;
}

bool loadState(EngineContext& context, const std::vector<std::uint8_t>& bytes, std::size_t size) {
    MemoryByteReader reader(bytes.data(), size);
    return context.readState(reader);
}

bool loadState(EngineContext& context, const std::vector<std::uint8_t>& bytes) {
    return loadState(context, bytes, bytes.size());
}

class StateStream : public ContextTest {
protected:
    // Changes every stored field away from its default.
    void editEverything() {
        auto& engine = *context.synth;
        engine.receiveSysEx = true;
        engine.setNrpnEnabled(true);
        engine.setMasterVolume(0.33f);
        engine.setMasterTune(451.5f);
        context.applyPolyphony(256);
        for (int p = 0; p < 16; ++p) {
            auto& part = engine.part(p);
            part.output = 15 - p;
            part.defaultMode = p % 4;
            part.mode = (p + 1) % 4;
            part.program = 3 * p;
            part.bendRange = p + 1;
            part.pitchBend = 1000 * p + 7;
            part.cc[1] = p;
            part.cc[7] = 2 * p;
            part.cc[10] = 3 * p;
            part.cc[11] = 4 * p;
        }
        for (int t = 0; t < 256; ++t) {
            auto& tone = engine.tone(t);
            std::snprintf(tone.presetName, sizeof tone.presetName, "Tone %-11d", t);
            tone.key = t % 128;
            tone.lfoFreq = 16383 - t;
            tone.strc = t % 4;
            tone.tune = 8000 + t;
            tone.lms = t % 16;
            tone.wave = (t * 3) % 128;
            tone.kf = (t + 1) % 4;
            tone.kfStart = 127 - t % 128;
        }
        for (int s = 0; s < 128; ++s) {
            auto& preset = engine.samplerPreset(s);
            std::snprintf(preset.presetName, sizeof preset.presetName, "Smp %-12d", s);
            preset.smplNum = 127 - s;
            preset.octv = s % 16;
            preset.tune = 16383 - s;
            preset.rr = s;
        }
        context.waveTableSize = engine.setTableSize(64);
        for (int t = 0; t < 128; ++t) {
            const int depth = 1 + t % 8;
            context.waveTableBitDepth[static_cast<std::size_t>(t)] = depth;
            int values[128];
            for (int i = 0; i < 128; ++i) values[i] = (i * 7 + t) & ((1 << depth) - 1);
            engine.importWaveValues(t, values, depth);
        }
        writeWav16(wavA, rampSamples(3000), 1, 22050);
        writeWav16(wavB, rampSamples(2000), 2, 48000);
        ASSERT_TRUE(context.importWave(5, wavA.c_str(), SampleSourceKind::Pcm));
        ASSERT_TRUE(context.importWave(126, wavB.c_str(), SampleSourceKind::Adpcm));
        auto& a = engine.sampleData(5);
        a.setPitch(261.6f);
        a.playBackStartPoint = 100;
        a.playBackEndPoint = 2500;
        a.loopEndPoint = 2500;
        a.loopLength = 400;
        a.releaseLoopLength = 400;
        auto& b = engine.sampleData(126);
        b.setSourceRate(32000.0f);
        b.playBackEndPoint = 900;
        b.loopEndPoint = 800;
        b.loopLength = 300;
    }

    TempFolder folder;
    const std::string wavA = folder.file("a.wav");
    const std::string wavB = folder.file("b.wav");
};

TEST_F(StateStream, DefaultStateHasTheDocumentedLayout) {
    const auto bytes = saveState(context);
    ASSERT_EQ(bytes.size(), 28350u);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_EQ(state::getF32(&bytes[3]), 0.8f);
    EXPECT_EQ(state::getF32(&bytes[7]), 440.0f);
    EXPECT_EQ(state::getU16(&bytes[11]), 128);
    EXPECT_EQ(bytes[13 + 8], 100) << "part 0 volume";
    EXPECT_EQ(state::getU16(&bytes[189 + 21]), 8192) << "tone 0 tune";
    EXPECT_EQ(bytes[8381 + 18], 8) << "sampler 0 octave";
    EXPECT_EQ(bytes[11709], 32);
    EXPECT_EQ(bytes[11710], 8);
    EXPECT_EQ(bytes[11711], 128) << "default sine starts at silence";
    EXPECT_EQ(bytes[11711 + 8], 255) << "and peaks a quarter in";
}

TEST_F(StateStream, RoundTripReproducesEveryStoredField) {
    editEverything();
    const auto saved = saveState(context);

    EngineContext restored;
    ASSERT_TRUE(loadState(restored, saved));
    EXPECT_EQ(saveState(restored), saved);

    auto& engine = *restored.synth;
    EXPECT_TRUE(engine.receiveSysEx);
    EXPECT_EQ(engine.voiceCount(), 256);
    EXPECT_EQ(restored.waveTableSize, 64);
    EXPECT_EQ(restored.waveTableBitDepth[3], 4);
    EXPECT_EQ(engine.part(2).mode, 3);
    EXPECT_EQ(engine.part(2).program, 6) << "a stored Sampler mode does not reset the part";
    EXPECT_STREQ(engine.tone(200).presetName, context.synth->tone(200).presetName);

    const auto& a = engine.sampleData(5);
    EXPECT_EQ(a.frames, 3000);
    EXPECT_EQ(a.rateLog, 118198);
    EXPECT_EQ(a.playBackStartPoint, 100);
    EXPECT_EQ(a.loopLength, 400);
    EXPECT_EQ(a.releaseLoopLength, 400);
    EXPECT_EQ(a.data, context.synth->sampleData(5).data);
    EXPECT_EQ(restored.sampleSourcePath[126], wavB);
    EXPECT_EQ(restored.sampleSourceKind[126], static_cast<std::uint8_t>(SampleSourceKind::Adpcm));
    EXPECT_EQ(engine.sampleData(126).channels, 2);
    EXPECT_EQ(engine.sampleData(126).releaseLoopLength, 0);
    EXPECT_FLOAT_EQ(engine.sampleData(126).sourceRate, 32000.0f);
    EXPECT_EQ(restored.busyFlags.load(), 0);
    EXPECT_FALSE(restored.moduleHost->isDisabled(EngineContext::kSynthSlot));
}

TEST_F(StateStream, VersionSevenReadsLikeEightAndSixIsRefused) {
    editEverything();
    auto saved = saveState(context);
    saved[0] = 7;
    EngineContext seven;
    ASSERT_TRUE(loadState(seven, saved));
    saved[0] = 8;
    EXPECT_EQ(saveState(seven), saved);

    noteOn(0, 60);
    render();
    ASSERT_GT(soundingVoices(), 0);
    EngineContext fresh;
    const auto before = saveState(context);
    saved[0] = 6;
    EXPECT_FALSE(loadState(context, saved));
    EXPECT_EQ(soundingVoices(), 0) << "voices are stopped before the version is read";
    EXPECT_EQ(saveState(context), before);
}

TEST_F(StateStream, AStreamEndingInThePolyphonyAppliesTheHeaderBeforeIt) {
    editEverything();
    const auto saved = saveState(context);
    EngineContext target;
    EXPECT_FALSE(loadState(target, saved, 12));
    EXPECT_TRUE(target.synth->receiveSysEx);
    EXPECT_TRUE(target.synth->nrpnEnabled);
    EXPECT_FLOAT_EQ(target.synth->masterVolume, 0.33f);
    EXPECT_FLOAT_EQ(target.synth->masterTune, 451.5f);
    EXPECT_EQ(target.synth->voiceCount(), 128);
}

TEST_F(StateStream, CutAtEveryByteNeverHalfWritesARecord) {
    editEverything();
    const auto saved = saveState(context);
    const auto defaults = saveState(*std::make_unique<EngineContext>());
    EngineContext target;
    for (std::size_t size = 0; size < saved.size(); ++size) {
        EXPECT_FALSE(loadState(target, saved, size)) << size;
    }
    // Cut inside tone 7: tones up to 6 are loaded, tone 7 is untouched.
    EngineContext partial;
    const std::size_t tone7 = state::kTonesOffset + 7 * state::kToneRecordSize;
    EXPECT_FALSE(loadState(partial, saved, tone7 + 20));
    EXPECT_EQ(partial.synth->tone(6).tune, context.synth->tone(6).tune);
    EXPECT_EQ(partial.synth->tone(7).tune, 8192);
    EXPECT_EQ(std::memcmp(&defaults[tone7], partial.synth->tone(7).presetName, 16), 0);
    EXPECT_TRUE(loadState(target, saved));
    EXPECT_EQ(saveState(target), saved);
}

TEST_F(StateStream, MissingWavKeepsThePreviousAudioAndTestsPointsAgainstIt) {
    editEverything();
    const auto saved = saveState(context);
    std::filesystem::remove(wavA);

    EngineContext target;
    const std::string shortWav = folder.file("short.wav");
    writeWav16(shortWav, rampSamples(1000));
    ASSERT_TRUE(target.importWave(5, shortWav.c_str(), SampleSourceKind::Pcm));
    ASSERT_TRUE(loadState(target, saved));
    const auto& slot = target.synth->sampleData(5);
    EXPECT_EQ(slot.frames, 1000);
    EXPECT_EQ(slot.playBackStartPoint, 0) << "stored end 2500 does not fit 1000 frames";
    EXPECT_EQ(slot.playBackEndPoint, 1000);
    EXPECT_EQ(slot.loopLength, 0);
    EXPECT_EQ(target.sampleSourcePath[5], shortWav);
    EXPECT_EQ(slot.rateLog, 118198) << "the stored rate is still applied";
}

TEST_F(StateStream, AnAbsentSlotIsNotCleared) {
    const auto saved = saveState(context);  // all slots absent
    writeWav16(wavA, rampSamples(500));
    ASSERT_TRUE(context.importWave(9, wavA.c_str(), SampleSourceKind::Dpcm));
    ASSERT_TRUE(loadState(context, saved));
    EXPECT_EQ(context.synth->sampleData(9).frames, 500);
    EXPECT_EQ(context.sampleSourcePath[9], wavA);
}

TEST_F(StateStream, DamagedFieldsStayInsideTheirRecords) {
    auto saved = saveState(context);
    saved[13] = 200;                                         // part 0 output
    saved[13 + 2] = 9;                                       // part 0 mode
    saved[189 + 24] = 0xFF;                                  // tone 0 wave
    saved[11709] = 0;                                        // table size
    saved[11710] = 0;                                        // depth of table 0
    state::putF32(&saved[7], std::numeric_limits<float>::quiet_NaN());
    const float volume = context.synth->masterVolume;
    state::putF32(&saved[3], std::numeric_limits<float>::infinity());
    ASSERT_TRUE(loadState(context, saved));
    EXPECT_EQ(context.synth->part(0).output, 200 & 0x0F);
    EXPECT_EQ(context.synth->part(0).mode, 3);
    EXPECT_EQ(context.synth->tone(0).wave, 127);
    EXPECT_EQ(context.synth->tableSize, 8);
    EXPECT_EQ(context.waveTableSize, 8);
    EXPECT_EQ(context.waveTableBitDepth[0], 8);
    EXPECT_FLOAT_EQ(context.synth->masterTune, 440.0f);
    EXPECT_FLOAT_EQ(context.synth->masterVolume, volume);

    // A slot claiming a 4 GB path ends the load without reading past the stream.
    saved.resize(state::kSampleSlotsOffset);
    saved.push_back(1);
    saved.insert(saved.end(), {0xFF, 0xFF, 0xFF, 0xFF, 'x', 0});
    EXPECT_FALSE(loadState(context, saved));
}

} // namespace
} // namespace kest::tolvane::plugin::testing
