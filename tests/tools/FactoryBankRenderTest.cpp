// SPDX-License-Identifier: GPL-3.0-or-later
// The renderer starts from the factory bank; --init and --preset change that.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "EngineContext.h"
#include "FactoryBank.h"
#include "MidiFileWriter.h"
#include "PresetFileBytes.h"
#include "TestAudio.h"
#include "TextImport.h"
#include "VstPresetReader.h"

using namespace kest::tolvane;
using namespace kest::tolvane::tools;
using tolvane_test::Audio;
using tolvane_test::ScratchDir;

namespace {

std::string exported(plugin::EngineContext& context, formats::TextKind kind)
{
    std::ostringstream text;
    formats::writeText(text, kind, *context.synth, context.waveTableBitDepth);
    return text.str();
}

int runRender(const ScratchDir& dir, const std::string& args, std::string* output = nullptr)
{
    const std::string log = dir / "render.log";
    const std::string command =
        "cd '" + dir.path.string() + "' && '" TOLVANE_RENDER_PATH "' -q " + args + " > '" + log + "' 2>&1";
    const int raw = std::system(command.c_str());
    if (output) {
        std::ifstream in(log);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Program `program` on channel 1 and a snare on channel 10, one after the other.
void writeSong(const ScratchDir& dir, int program)
{
    MidiTrackWriter t;
    t.programChange(0, 0, program);
    t.note(0, 480, 0, 60, 100);
    t.note(960, 480, 9, 38, 100);
    t.setEndTick(1920);
    tolvane_test::writeBytes(dir / "song.mid", encodeMidiFile(0, 480, std::span(&t, 1)));
}

float peakBetween(const Audio& a, double from, double to)
{
    float p = 0.0f;
    for (auto i = static_cast<std::int64_t>(from * a.sampleRate); i < static_cast<std::int64_t>(to * a.sampleRate); ++i)
        p = std::max(p, std::fabs(a.samples[i * a.channels]));
    return p;
}

int zeroCrossings(const Audio& a, double from, double to)
{
    int n = 0;
    for (auto i = static_cast<std::int64_t>(from * a.sampleRate) + 1; i < static_cast<std::int64_t>(to * a.sampleRate);
         ++i)
        n += (a.samples[(i - 1) * a.channels] < 0) != (a.samples[i * a.channels] < 0);
    return n;
}

} // namespace

TEST(FactoryBank, EmbeddedBankEqualsTheFilesImportedAsTheEditorDoes)
{
    plugin::EngineContext embedded;
    loadFactoryBank(embedded);
    plugin::EngineContext imported;
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/factory-wavetables.txt", plugin::TextKind::WaveTable));
    ASSERT_TRUE(imported.importText(TOLVANE_PRESETS_DIR "/factory-tones.txt", plugin::TextKind::Tone));
    EXPECT_EQ(exported(embedded, formats::TextKind::Tone), exported(imported, formats::TextKind::Tone));
    EXPECT_EQ(exported(embedded, formats::TextKind::WaveTable), exported(imported, formats::TextKind::WaveTable));
    EXPECT_EQ(embedded.waveTableBitDepth, imported.waveTableBitDepth);
    // And it is not the power-on sound.
    plugin::EngineContext powerOn;
    EXPECT_NE(exported(embedded, formats::TextKind::Tone), exported(powerOn, formats::TextKind::Tone));
}

TEST(FactoryBank, PartTenPlaysPercussionAndSurvivesAGmReset)
{
    plugin::EngineContext context;
    loadFactoryBank(context);
    for (int part = 0; part < 16; ++part) {
        const int expected = part == kFactoryDrumPart ? synth::kModePercussion : synth::kModeInstrument;
        EXPECT_EQ(context.synth->getMode(part), expected) << part;
        EXPECT_EQ(context.synth->getDefaultMode(part), expected) << part;
    }
}

TEST(FactoryBankRender, TheBankIsTheDefaultAndInitLeavesItOut)
{
    ScratchDir dir("bank");
    writeSong(dir, 80); // square lead
    ASSERT_EQ(runRender(dir, "-o bank.wav song.mid"), 0);
    ASSERT_EQ(runRender(dir, "--init -o init.wav song.mid"), 0);
    const Audio bank = tolvane_test::readAudio(dir / "bank.wav");
    const Audio init = tolvane_test::readAudio(dir / "init.wav");
    ASSERT_TRUE(bank.ok && init.ok);
    // Middle C either way; the lead's square is far from a sine's crest factor.
    EXPECT_NEAR(bank.frequency(0, 0.1, 0.4), 261.6, 2.0);
    EXPECT_NEAR(init.frequency(0, 0.1, 0.4), 261.6, 2.0);
    EXPECT_LT(peakBetween(bank, 0.1, 0.4) / bank.rms(0, 0.1, 0.4), 1.25);
    EXPECT_NEAR(peakBetween(init, 0.1, 0.4) / init.rms(0, 0.1, 0.4), 1.414, 0.1);
    // The snare on channel 10 is a drum (noise), not a sine at key 38.
    EXPECT_GT(zeroCrossings(bank, 1.02, 1.12), 4 * 2 * 73 * 0.1);
    EXPECT_LT(zeroCrossings(init, 1.02, 1.12), 2 * 2 * 73 * 0.1);
}

TEST(FactoryBankRender, APresetFileReplacesTheBankAndForeignOnesAreRefused)
{
    ScratchDir dir("preset");
    writeSong(dir, 0);
    plugin::EngineContext muted;
    for (int part = 0; part < 16; ++part)
        muted.synth->setMode(part, synth::kModeMute);
    plugin::MemoryByteWriter writer;
    ASSERT_TRUE(muted.writeState(writer));
    // The processor appends its bypass trailer; the reader must stop before it.
    writer.bytes.insert(writer.bytes.end(), {'T', 'V', 'B', 'Y', 0, 0, 0, 0});
    tolvane_test::writeBytes(dir / "muted.vstpreset",
                             tolvane_test::presetFileBytes(kTolvaneProcessorClassId, writer.bytes));
    tolvane_test::writeBytes(dir / "other.vstpreset",
                             tolvane_test::presetFileBytes("0123456789ABCDEF0123456789ABCDEF", writer.bytes));
    tolvane_test::writeBytes(
        dir / "short.vstpreset",
        tolvane_test::presetFileBytes(kTolvaneProcessorClassId, {writer.bytes.begin(), writer.bytes.begin() + 20}));

    ASSERT_EQ(runRender(dir, "--preset muted.vstpreset -o muted.wav song.mid"), 0);
    const Audio silent = tolvane_test::readAudio(dir / "muted.wav");
    ASSERT_TRUE(silent.ok);
    EXPECT_EQ(silent.peak(), 0.0f);

    std::string output;
    EXPECT_EQ(runRender(dir, "--preset other.vstpreset song.mid", &output), 1);
    EXPECT_NE(output.find("another plug-in"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--preset short.vstpreset song.mid", &output), 1);
    EXPECT_NE(output.find("short.vstpreset"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--preset song.mid song.mid", &output), 1);
    EXPECT_NE(output.find("not a VST 3 preset"), std::string::npos) << output;
    EXPECT_EQ(runRender(dir, "--preset muted.vstpreset --state x.state song.mid"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.wav"));
}
