// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering tones through the module host as the plug-in does: pitch, timing
// inside a block, event order and the oscillator's output values.
#include <gtest/gtest.h>

#include "EngineHarness.h"

using namespace kest::tolvane;
using namespace kest::tolvane::synth;
using kest::tolvane::test::EngineHarness;
using kest::tolvane::test::firstAbove;
using kest::tolvane::test::lastAbove;
using kest::tolvane::test::measuredFrequency;

namespace {
// Full-level sustaining tone: no attack, no decay.
void useOrganTone(SynthesizerWT& engine, int program = 0)
{
    TonePreset& t = engine.tone(program);
    t.ar = 127;
    t.sl = 0;
    t.rr = 127;
}
} // namespace

TEST(ToneRender, RenderedFrequencyFollowsKeyTuneAndBend)
{
    struct Case {
        int key;
        int bend;
        double hz;
    };
    const Case cases[] = {{69, 8192, 440.006}, {60, 8192, 261.63}, {81, 8192, 880.0}, {69, 16383, 493.8}};
    for (const Case& c : cases) {
        EngineHarness h;
        useOrganTone(h.engine);
        h.schedule(kPitchBend, 0, c.bend & 127, c.bend >> 7, 0);
        h.noteOn(0, c.key, 100);
        const auto out = h.render(44100);
        EXPECT_NEAR(measuredFrequency(out, 44100.0), c.hz, c.hz * 0.002) << c.key << " bend " << c.bend;
    }
}

TEST(ToneRender, FrequencyFollowsSampleRateAndMasterTune)
{
    EngineHarness h(48000.0f);
    useOrganTone(h.engine);
    h.engine.setMasterTune(415.0f);
    h.noteOn(0, 69, 100);
    EXPECT_NEAR(measuredFrequency(h.render(48000), 48000.0), 415.0, 0.5);
}

TEST(ToneRender, OscillatorOutputIsTheWaveScaledByTheGains)
{
    EngineHarness h;
    useOrganTone(h.engine);
    h.engine.setMasterVolume(1.0f);
    h.engine.part(0).cc[7] = 127;
    h.engine.setTableSize(8);
    // A square wave: +1 for the first half of the table, -1 for the second.
    std::int32_t* wave = h.engine.waveTable(0);
    for (int i = 0; i < 8; ++i)
        wave[i] = i < 4 ? 0 : 1;
    h.noteOn(0, 69, 127);
    h.block(200);
    const float g = 0.70710677f;
    for (int n = 0; n < 200; ++n) {
        const float s = h.channel(0)[static_cast<std::size_t>(n)];
        EXPECT_NEAR(std::abs(s), g, 1e-5) << n;
        EXPECT_FLOAT_EQ(h.channel(1)[static_cast<std::size_t>(n)], s);
    }
    // Level attenuation tl 8 is 6 dB down.
    h.engine.stopVoices(-1);
    h.engine.tone(0).tl = 8;
    h.noteOn(0, 69, 127);
    h.block(16);
    EXPECT_NEAR(h.channel(0)[0], g / 2, 1e-5);
}

TEST(ToneRender, EventsApplyAtTheirSampleOffset)
{
    EngineHarness h;
    useOrganTone(h.engine);
    h.noteOn(0, 69, 100, 100);
    h.noteOff(0, 69, 300);
    h.block(1024);
    const auto& out = h.channel(0);
    // The sine's first entry is silent; phaseInc 83,697 reaches entry 1 after 4 samples.
    EXPECT_EQ(firstAbove(out, 0.0f), 104);
    const int last = lastAbove(out, 0.0f);
    EXPECT_GE(last, 300);
    EXPECT_LT(last, 300 + 200); // rr 127: a release of about 4 ms
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);
}

TEST(ToneRender, EventsAcrossBlocksAndBeyondTheBlockEnd)
{
    EngineHarness h;
    useOrganTone(h.engine);
    h.queue.queueChannelEvent(kNoteOn, 0, 69, 100, 5000); // past the end: applied at the end
    h.block(64);
    EXPECT_EQ(lastAbove(h.channel(0), 0.0f), -1);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
    h.block(64);
    EXPECT_EQ(firstAbove(h.channel(0), 0.0f), 4);
}

TEST(ToneRender, EqualTimeNoteOffThenOnKeepsSounding)
{
    // Queued off then on at the same time: the on is applied first, then the off releases it.
    EngineHarness h;
    useOrganTone(h.engine);
    h.noteOff(0, 60, 10);
    h.noteOn(0, 60, 100, 10);
    h.block(2048);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 0);

    // Queued on then off: the off comes first and the new note keeps sounding.
    EngineHarness k;
    useOrganTone(k.engine);
    k.noteOn(0, 60, 100, 10);
    k.noteOff(0, 60, 10);
    k.block(2048);
    EXPECT_EQ(k.engine.getActiveVoiceCount(), 1);
    EXPECT_GT(lastAbove(k.channel(0), 0.0f), 2000);
}

TEST(ToneRender, ProgramChangeEventOnlySelectsTheTone)
{
    EngineHarness h;
    useOrganTone(h.engine, 0);
    useOrganTone(h.engine, 5);
    h.engine.tone(5).tune = 0; // an octave down
    h.noteOn(0, 69, 100, 0);
    h.schedule(kProgramChange, 0, 5, 0, 10);
    h.noteOn(0, 81, 100, 20);
    h.block(64);
    EXPECT_EQ(h.engine.part(0).program, 5);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 2); // the running note is left alone
    EXPECT_EQ(h.engine.toneVoice(2).phaseInc, h.engine.toneVoice(1).phaseInc);
}

TEST(ToneRender, PortMaskAndUnknownTypesAreSkipped)
{
    EngineHarness h;
    useOrganTone(h.engine);
    h.engine.portMask = 0x0002;
    h.noteOn(0, 69, 100); // queue mask 0xFFFF still overlaps
    h.schedule(0xF8, 0, 0, 0, 0);
    h.block(32);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
    h.engine.portMask = 0;
    h.noteOn(0, 70, 100);
    h.block(32);
    EXPECT_EQ(h.engine.getActiveVoiceCount(), 1);
}

TEST(ToneRender, PercussionUsesTheKeysToneAndPan)
{
    EngineHarness h;
    h.engine.setMode(9, kModePercussion);
    TonePreset& drum = h.engine.tone(128 + 36);
    drum.ar = 127;
    drum.sl = 0;
    drum.key = 69;
    drum.pan = 0; // hard left with the part's centre pan
    h.noteOn(9, 36, 100);
    const auto left = h.render(44100, 0);
    EXPECT_NEAR(measuredFrequency(left, 44100.0), 440.0, 1.0);
    EXPECT_EQ(lastAbove(h.channel(1), 0.0f), -1);
}

TEST(ToneRender, PitchBendReachesSoundingVoicesUnlessMuted)
{
    EngineHarness h;
    useOrganTone(h.engine);
    h.noteOn(0, 69, 100);
    h.schedule(kPitchBend, 0, 127, 127, 1000); // +2 semitones less one unit
    const auto out = h.render(44100);
    EXPECT_NEAR(measuredFrequency(out, 44100.0, 2000), 493.8, 1.0);

    // A muted part stores the bend but its remaining voices keep their pitch.
    const int before = h.engine.toneVoice(1).phaseInc;
    h.engine.part(0).mode = kModeMute;
    h.engine.pitchBend14(0, 0);
    EXPECT_EQ(h.engine.part(0).pitchBend, 0);
    EXPECT_EQ(h.engine.toneVoice(1).phaseInc, before);
}
