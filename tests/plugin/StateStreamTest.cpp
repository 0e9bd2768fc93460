// SPDX-License-Identifier: GPL-3.0-or-later
// The saved state: layout, exact round trip including re-imported WAV files,
// old versions, short and damaged streams.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "CoreTestSupport.h"
#include "StateLayout.h"
#include "WrongFiles.h"

namespace kest::tolvane::plugin::testing {
namespace {

std::vector<std::uint8_t> saveState(EngineContext& context)
{
    MemoryByteWriter writer;
    EXPECT_TRUE(context.writeState(writer));
    return writer.bytes;
}

bool loadState(EngineContext& context, const std::vector<std::uint8_t>& bytes, std::size_t size)
{
    MemoryByteReader reader(bytes.data(), size);
    return context.readState(reader);
}

bool loadState(EngineContext& context, const std::vector<std::uint8_t>& bytes)
{
    return loadState(context, bytes, bytes.size());
}

// Where the sample trailer begins: right after the 128 slot records.
std::size_t trailerStart(const std::vector<std::uint8_t>& bytes)
{
    const std::uint8_t magic[] = {'T', 'V', 'S', 'D'};
    const auto at = std::search(bytes.begin() + state::kSampleSlotsOffset, bytes.end(), magic, magic + 4);
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

class StateStream : public ContextTest {
protected:
    // Changes every stored field away from its default.
    void editEverything()
    {
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
        engine.setTickRate(48);
        engine.setStoredPlay(2, {synth::kPlayLegato, 40, synth::kArpAsPlayed, 3, 5, 7, true});
        auto& arpeggio = engine.toneExpression(3).sequence(synth::SequenceKind::Arpeggio);
        arpeggio.length = 3;
        arpeggio.values = {0, 4, 7};
        arpeggio.loop = 0;
        auto& kick = engine.toneExpression(128 + 36);
        kick.lfo = {7, 2, 90};
        kick.sequence(synth::SequenceKind::Pitch) = {{-768, 768, 5}, 3, 1, 2, synth::kSequenceFixed, 16, 255};
        engine.toneExpression(255).lfo.depth = 127;
        engine.toneExpression(254).sequence(synth::SequenceKind::Wave).stepTicks = 4; // settings without steps
        context.waveTableSize = engine.setTableSize(64);
        for (int t = 0; t < 128; ++t) {
            const int depth = 1 + t % 8;
            context.waveTableBitDepth[static_cast<std::size_t>(t)] = depth;
            int values[128];
            for (int i = 0; i < 128; ++i)
                values[i] = (i * 7 + t) & ((1 << depth) - 1);
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

TEST_F(StateStream, DefaultStateHasTheDocumentedLayout)
{
    const auto bytes = saveState(context);
    // The documented 28350 bytes, then an empty sample trailer: "TVSD", version 1, storing on, no records.
    ASSERT_EQ(bytes.size(), 28350u + 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 28350, bytes.end()),
              (std::vector<std::uint8_t>{'T', 'V', 'S', 'D', 1, 1, 0, 0}));
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

TEST_F(StateStream, RoundTripReproducesEveryStoredField)
{
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
    EXPECT_EQ(engine.getTickRate(), 48);
    EXPECT_EQ(engine.part(2).storedPlay, context.synth->part(2).storedPlay);
    EXPECT_EQ(engine.part(2).play.mode, synth::kPlayLegato);
    for (int t : {3, 128 + 36, 254, 255})
        EXPECT_EQ(engine.toneExpression(t), context.synth->toneExpression(t)) << "tone " << t;
}

// The expression trailer's place: right after the sample trailer.
std::size_t expressionTrailerStart(const std::vector<std::uint8_t>& bytes)
{
    const std::uint8_t magic[] = {'T', 'V', 'S', 'Q'};
    const auto at = std::search(bytes.begin() + state::kSampleSlotsOffset, bytes.end(), magic, magic + 4);
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

bool hasNoExpressions(const synth::SynthesizerWT& engine)
{
    for (int t = 0; t < synth::kToneCount; ++t)
        if (!engine.toneExpression(t).isNeutral())
            return false;
    return engine.getTickRate() == synth::kDefaultTickRate;
}

// A state without the expression trailer (every older state, and every state
// whose tones have none) leaves no tone with one; a damaged trailer is ignored
// as a whole while everything before it loads; a trailer this reader does not
// know is stepped over.
TEST_F(StateStream, ExpressionsLoadWholeOrNotAtAll)
{
    editEverything();
    const auto saved = saveState(context);
    const std::size_t at = expressionTrailerStart(saved);
    const std::size_t body = at + 8;
    const std::size_t firstTone = body + 4; // tone 3: index, LFO delay, fade, depth, kinds, then ARP
    struct Damage {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    };
    const Damage damages[] = {
        {"no trailer", at, {'T', 'V', 'S', 'X'}},
        {"unknown version", body, {2}},
        {"tick rate 0", body + 1, {0}},
        {"tick rate above 240", body + 1, {241}},
        {"more tones than there are", body + 2, {1, 1}},
        {"tones out of order", firstTone, {200}},
        {"LFO depth above 127", firstTone + 3, {128}},
        {"unknown kind", firstTone + 4, {0x12}},
        {"more than 64 steps", firstTone + 5, {65}},
        {"body longer than its records", at + 4, {0xFF}},
    };
    for (const Damage& damage : damages) {
        auto bytes = saved;
        std::copy(damage.bytes.begin(), damage.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(damage.at));
        EngineContext target;
        target.synth->setTickRate(30);
        target.synth->toneExpression(9).lfo.delay = 5;
        ASSERT_TRUE(loadState(target, bytes)) << damage.what;
        EXPECT_TRUE(hasNoExpressions(*target.synth)) << damage.what;
        EXPECT_STREQ(target.synth->tone(200).presetName, context.synth->tone(200).presetName) << damage.what;
    }

    auto withUnknown = std::vector<std::uint8_t>(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(at));
    withUnknown.insert(withUnknown.end(), {'T', 'V', 'Z', 'Z', 3, 0, 0, 0, 1, 2, 3});
    withUnknown.insert(withUnknown.end(), saved.begin() + static_cast<std::ptrdiff_t>(at), saved.end());
    EngineContext later;
    ASSERT_TRUE(loadState(later, withUnknown));
    EXPECT_EQ(later.synth->toneExpression(3), context.synth->toneExpression(3));
}

TEST_F(StateStream, VersionSevenReadsLikeEightAndSixIsRefused)
{
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

TEST_F(StateStream, AStreamEndingInThePolyphonyAppliesTheHeaderBeforeIt)
{
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

TEST_F(StateStream, CutAtEveryByteNeverHalfWritesARecord)
{
    editEverything();
    const auto saved = saveState(context);
    const auto defaults = saveState(*std::make_unique<EngineContext>());
    EngineContext target;
    const std::size_t trailer = trailerStart(saved);
    for (std::size_t size = 0; size < trailer; ++size) {
        EXPECT_FALSE(loadState(target, saved, size)) << size;
    }
    // A trailer cut short is ignored as a whole: the files give the audio.
    for (std::size_t size = trailer; size < saved.size(); size += 97) {
        EXPECT_TRUE(loadState(target, saved, size)) << size;
        EXPECT_EQ(target.synth->sampleData(5).data, context.synth->sampleData(5).data);
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

TEST_F(StateStream, MissingWavWithoutAStoredCopyKeepsThePreviousAudioAndTestsPointsAgainstIt)
{
    editEverything();
    context.storeSamplesInState = false;
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
    EXPECT_EQ(target.sampleSourceStatus[5], SampleSourceStatus::Missing);
    EXPECT_EQ(target.sampleSourceStatus[126], SampleSourceStatus::AsImported);
    EXPECT_FALSE(target.storeSamplesInState) << "the setting travels with the state";
}

TEST_F(StateStream, AnAbsentSlotIsNotCleared)
{
    const auto saved = saveState(context); // all slots absent
    writeWav16(wavA, rampSamples(500));
    ASSERT_TRUE(context.importWave(9, wavA.c_str(), SampleSourceKind::Dpcm));
    ASSERT_TRUE(loadState(context, saved));
    EXPECT_EQ(context.synth->sampleData(9).frames, 500);
    EXPECT_EQ(context.sampleSourcePath[9], wavA);
}

TEST_F(StateStream, DamagedFieldsStayInsideTheirRecords)
{
    auto saved = saveState(context);
    saved[13] = 200;        // part 0 output
    saved[13 + 2] = 9;      // part 0 mode
    saved[189 + 24] = 0xFF; // tone 0 wave
    saved[11709] = 0;       // table size
    saved[11710] = 0;       // depth of table 0
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

// ---- The sample trailer: each saved slot's audio after the slot records. ----

// Plays key 60 through sample slot 5 on part 0 and returns four blocks of both outputs.
std::vector<float> renderSlotFive(EngineContext& context)
{
    auto& engine = *context.synth;
    engine.part(0).mode = synth::kModeSampler;
    engine.part(0).output = 0;
    for (int s = 0; s < 128; ++s)
        engine.samplerPreset(s).smplNum = 5;
    context.eventQueue->queueChannelEvent(kNoteOn, 0, 60, 100, 0);
    std::array<std::vector<float>, 32> buffers;
    std::array<float*, 32> pointers{};
    for (std::size_t i = 0; i < 32; ++i) {
        buffers[i].assign(256, 0.0f);
        pointers[i] = buffers[i].data();
    }
    std::vector<float> heard;
    for (int block = 0; block < 4; ++block) {
        for (auto& channel : buffers)
            std::fill(channel.begin(), channel.end(), 0.0f);
        EXPECT_TRUE(context.tryRenderBlock(pointers.data(), 256));
        heard.insert(heard.end(), buffers[0].begin(), buffers[0].end());
        heard.insert(heard.end(), buffers[1].begin(), buffers[1].end());
    }
    return heard;
}

TEST_F(StateStream, SamplesWhoseFilesAreGoneComeBackFromTheStateAndSoundTheSame)
{
    editEverything();
    const auto saved = saveState(context);
    std::filesystem::remove(wavA);
    std::filesystem::remove(wavB);

    EngineContext restored;
    ASSERT_TRUE(loadState(restored, saved));
    EXPECT_EQ(saveState(restored), saved) << "audio, points, rates, paths and kinds all come back";
    for (int s : {5, 126}) {
        const auto& original = context.synth->sampleData(s);
        const auto& slot = restored.synth->sampleData(s);
        EXPECT_EQ(slot.data, original.data) << s;
        EXPECT_EQ(slot.channels, original.channels) << s;
        EXPECT_EQ(slot.rateToPitchLog, original.rateToPitchLog) << s;
        EXPECT_EQ(slot.loopEndPoint, original.loopEndPoint) << s;
        EXPECT_EQ(restored.sampleSourceStatus[static_cast<std::size_t>(s)], SampleSourceStatus::MissingRestored);
    }
    EXPECT_EQ(restored.sampleSourceKind[126], static_cast<std::uint8_t>(SampleSourceKind::Adpcm));
    EXPECT_EQ(restored.busyFlags.load(), 0);

    const auto expected = renderSlotFive(context);
    float energy = 0.0f;
    for (float x : expected)
        energy += x * x;
    ASSERT_GT(energy, 0.0f) << "the comparison must hear something";
    EXPECT_EQ(renderSlotFive(restored), expected);
}

TEST_F(StateStream, AChangedFileGivesWayToTheStoredCopyOrIsReportedWithoutOne)
{
    editEverything();
    const auto withCopy = saveState(context);
    context.storeSamplesInState = false;
    const auto withoutCopy = saveState(context);
    auto other = rampSamples(3000);
    std::reverse(other.begin(), other.end());
    writeWav16(wavA, other, 1, 22050);

    EngineContext restored;
    ASSERT_TRUE(loadState(restored, withCopy));
    EXPECT_EQ(restored.synth->sampleData(5).data, context.synth->sampleData(5).data);
    EXPECT_EQ(restored.synth->sampleData(5).playBackStartPoint, 100);
    EXPECT_EQ(restored.sampleSourcePath[5], wavA);
    EXPECT_EQ(restored.sampleSourceStatus[5], SampleSourceStatus::ChangedRestored);
    EXPECT_EQ(restored.sampleSourceStatus[126], SampleSourceStatus::AsImported) << "its file is unchanged";

    EngineContext reported;
    ASSERT_TRUE(loadState(reported, withoutCopy));
    EXPECT_NE(reported.synth->sampleData(5).data, context.synth->sampleData(5).data) << "the file as it is now";
    EXPECT_EQ(reported.sampleSourceStatus[5], SampleSourceStatus::Changed);

    // A fresh import clears the report.
    ASSERT_TRUE(reported.importWave(5, wavA.c_str(), SampleSourceKind::Pcm));
    EXPECT_EQ(reported.sampleSourceStatus[5], SampleSourceStatus::AsImported);
}

TEST_F(StateStream, AFileThatCannotHoldTheSavedSampleIsNotReadWhenTheStateHasACopy)
{
    editEverything();
    const auto saved = saveState(context);
    // Slot 5's file is now a disk image; slot 126's a long recording of other frames.
    tolvane_test::makeSparseFile(wavA, tolvane_test::kDiskImageSize);
    tolvane_test::makeSparseWave(wavB, 8'000'000, 2, 16);

    EngineContext restored;
    bool loaded = false;
    const auto cost = tolvane_test::measureRead([&] { loaded = loadState(restored, saved); });
    ASSERT_TRUE(loaded);
    EXPECT_LT(cost.time.count(), 1000);
    if (cost.bytesRead) {
        EXPECT_LT(*cost.bytesRead, tolvane_test::kReadAtMost);
    }
    for (int s : {5, 126}) {
        EXPECT_EQ(restored.synth->sampleData(s).data, context.synth->sampleData(s).data) << s;
        EXPECT_EQ(restored.sampleSourceStatus[static_cast<std::size_t>(s)], SampleSourceStatus::ChangedRestored) << s;
    }
    EXPECT_EQ(restored.synth->sampleData(5).playBackStartPoint, 100);
    EXPECT_EQ(restored.sampleSourcePath[126], wavB);
}

TEST_F(StateStream, StoringCanBeSwitchedOffToKeepStatesSmall)
{
    EXPECT_EQ(apply(ids::system::kStoreSamples, 0.0f), 0.0f);
    EXPECT_FALSE(context.storeSamplesInState);
    editEverything();
    const auto small = saveState(context);
    // Only the two fingerprint records follow the trailer header.
    EXPECT_EQ(expressionTrailerStart(small) - trailerStart(small), 8u + 2u * 16u);
    EXPECT_EQ(apply(ids::system::kStoreSamples, 0.0f), 1.0f);
    const auto large = saveState(context);
    // And 16 bits per code: 3000 mono frames in slot 5, 1000 stereo frames in slot 126.
    EXPECT_EQ(expressionTrailerStart(large) - trailerStart(large), 8u + 2u * 16u + 2u * (3000u + 2u * 1000u));

    EngineContext restored;
    restored.storeSamplesInState = true;
    ASSERT_TRUE(loadState(restored, small));
    EXPECT_FALSE(restored.storeSamplesInState);
}

TEST_F(StateStream, AStateWithoutTrailerLoadsAsBefore)
{
    editEverything();
    auto saved = saveState(context);
    saved.resize(trailerStart(saved));
    auto withBypass = saved; // as the plug-in saved it before: the bypass trailer follows at once
    withBypass.insert(withBypass.end(), {'T', 'V', 'B', 'Y', 1, 0, 0, 0});
    for (const auto& old : {saved, withBypass}) {
        EngineContext restored;
        restored.storeSamplesInState = false;
        ASSERT_TRUE(loadState(restored, old));
        EXPECT_EQ(restored.synth->sampleData(5).data, context.synth->sampleData(5).data);
        EXPECT_EQ(restored.sampleSourceStatus[5], SampleSourceStatus::AsImported);
        EXPECT_TRUE(restored.storeSamplesInState) << "an old state brings the default";
        EXPECT_TRUE(hasNoExpressions(*restored.synth));
        EXPECT_EQ(restored.synth->part(2).storedPlay, synth::PartPlaySettings{}) << "POLY without arpeggio";
    }
    std::filesystem::remove(wavA);
    EngineContext missing;
    ASSERT_TRUE(loadState(missing, saved));
    EXPECT_EQ(missing.synth->sampleData(5).frames, 0);
    EXPECT_EQ(missing.sampleSourceStatus[5], SampleSourceStatus::Missing);
}

TEST_F(StateStream, ADamagedTrailerIsIgnoredAsAWhole)
{
    editEverything();
    const auto saved = saveState(context);
    std::filesystem::remove(wavA);
    std::filesystem::remove(wavB);
    const std::size_t t = trailerStart(saved);
    const std::size_t record = t + 8; // slot 5: slot, kind, channels, copy, frames, fingerprint, codes
    const std::size_t secondRecord = record + 16 + 2 * 3000;
    struct Damage {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    };
    const Damage damages[] = {
        {"unknown version", t + 4, {2}},
        {"flags out of range", t + 5, {7}},
        {"more records than slots", t + 6, {0x81, 0}},
        {"slot out of range", record, {200}},
        {"slots out of order", secondRecord, {5}},
        {"unknown kind", record + 1, {3}},
        {"three channels", record + 2, {3}},
        {"copy flag out of range", record + 3, {2}},
        {"no frames", record + 4, {0, 0, 0, 0}},
        {"huge frame count", record + 4, {0xF0, 0xFF, 0xFF, 0x7F}},
        {"code above silence", record + 16, {0xFF, 0x7F}},
        {"a code changed", record + 16 + 2 * 1500, {0x10, 0x01}},
        {"fingerprint changed", record + 8, {0x55}},
    };
    for (const Damage& damage : damages) {
        auto bytes = saved;
        std::copy(damage.bytes.begin(), damage.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(damage.at));
        EngineContext target;
        ASSERT_TRUE(loadState(target, bytes)) << damage.what;
        EXPECT_EQ(target.synth->sampleData(5).frames, 0) << damage.what;
        EXPECT_EQ(target.synth->sampleData(126).frames, 0) << damage.what;
        EXPECT_EQ(target.sampleSourceStatus[5], SampleSourceStatus::Missing) << damage.what;
        EXPECT_TRUE(target.storeSamplesInState) << damage.what;
    }
}

TEST_F(StateStream, TheFuzzSeedWithAStoredSampleRestoresIt)
{
    // The seed was written by hand, so this also checks its fingerprint against the reader's.
    std::ifstream in(TOLVANE_FUZZ_STATE_CORPUS "/state_with_stored_sample.bin", std::ios::binary);
    const std::vector<std::uint8_t> seed{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(seed.size(), state::kSizeWithEmptySlots);
    MemoryByteReader reader(seed);
    ASSERT_TRUE(context.readState(reader, false));
    EXPECT_EQ(context.synth->sampleData(3).frames, 24);
    EXPECT_EQ(context.synth->sampleData(3).channels, 2);
    EXPECT_EQ(context.sampleSourceStatus[3], SampleSourceStatus::MissingRestored);
}

TEST_F(StateStream, AFactorySampleComesFromTheStateWithoutAWarningEvenBesideAFileOfItsName)
{
    editEverything();
    const std::string name = std::string(kFactorySamplePrefix) + "blip.wav";
    context.restoreSample(9, std::vector<std::int32_t>(400, 512), 400, 1, name, SampleSourceKind::Dpcm);
    const auto saved = saveState(context);
#ifndef _WIN32
    // Even a file of that very name (possible outside Windows) is not what the preset means.
    std::filesystem::copy_file(wavA, name, std::filesystem::copy_options::overwrite_existing);
#endif

    EngineContext restored;
    ASSERT_TRUE(loadState(restored, saved));
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    EXPECT_EQ(restored.synth->sampleData(9).data, context.synth->sampleData(9).data);
    EXPECT_EQ(restored.sampleSourceStatus[9], SampleSourceStatus::AsImported);
    EXPECT_EQ(saveState(restored), saved);
}

} // namespace
} // namespace kest::tolvane::plugin::testing
