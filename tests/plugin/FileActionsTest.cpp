// SPDX-License-Identifier: GPL-3.0-or-later
// File-action dispatch: which action each high byte runs, which ones stop
// voices, and when "Processor:uiUpdate" follows.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CoreTestSupport.h"
#include "WrongFiles.h"

namespace kest::tolvane::plugin::testing {
namespace {

std::string contentsOf(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class FileActions : public ContextTest {
protected:
    void startNote()
    {
        noteOn(0, 60);
        render();
        ASSERT_EQ(soundingVoices(), 1);
    }
    TempFolder folder;
};

TEST_F(FileActions, ToneTextRoundTripWithoutStoppingVoices)
{
    const std::string path = folder.file("tones.txt");
    context.synth->tone(3).tl = 77;
    context.runFileAction(ids::file::kExportToneText, path.c_str());
    EXPECT_EQ(sink.uiUpdates, 0) << "exports answer nothing";
    ASSERT_NE(contentsOf(path).find("@I:"), std::string::npos);

    context.synth->tone(3).tl = 5;
    startNote();
    context.runFileAction(ids::file::kImportToneText, path.c_str());
    EXPECT_EQ(context.synth->tone(3).tl, 77);
    EXPECT_EQ(soundingVoices(), 1);
    EXPECT_EQ(sink.uiUpdates, 1);
}

TEST_F(FileActions, SamplerTextImportStopsVoicesAndAlwaysAnswers)
{
    const std::string path = folder.file("samplers.txt");
    context.synth->samplerPreset(9).octv = 3;
    context.runFileAction(ids::file::kExportSamplerText, path.c_str());
    context.synth->samplerPreset(9).octv = 8;

    startNote();
    context.runFileAction(ids::file::kImportSamplerText, path.c_str());
    EXPECT_EQ(soundingVoices(), 0);
    EXPECT_EQ(context.synth->samplerPreset(9).octv, 3);
    EXPECT_EQ(sink.uiUpdates, 1);

    context.runFileAction(ids::file::kImportSamplerText, folder.file("missing.txt").c_str());
    EXPECT_EQ(sink.uiUpdates, 2) << "sent whether the import succeeded or not";
}

TEST_F(FileActions, WaveTableTextCarriesBitDepthsButNotTheSelection)
{
    const std::string path = folder.file("waves.txt");
    context.waveTableBitDepth[0] = 4;
    context.runFileAction(ids::file::kExportWaveTableText, path.c_str());
    context.waveTableBitDepth[0] = 8;
    context.runFileAction(ids::file::kImportWaveTableText, path.c_str());
    EXPECT_EQ(context.waveTableBitDepth[0], 4);
    EXPECT_EQ(context.currentBitDepth, 8);
    EXPECT_EQ(sink.uiUpdates, 1);

    context.runFileAction(ids::file::kExportSampleDataText, folder.file("samples.txt").c_str());
    context.runFileAction(ids::file::kImportSampleDataText, folder.file("samples.txt").c_str());
    EXPECT_EQ(sink.uiUpdates, 2);
}

TEST_F(FileActions, SysExExportsWriteMessagesAndTruncate)
{
    const std::string path = folder.file("sysex.txt");
    {
        std::ofstream(path) << std::string(200000, 'Z');
    }
    context.runFileAction(ids::file::kExportToneSysEx, path.c_str());
    const std::string tones = contentsOf(path);
    EXPECT_EQ(tones.find('Z'), std::string::npos);
    EXPECT_NE(tones.find("F0"), std::string::npos);
    context.runFileAction(ids::file::kExportSamplerSysEx, path.c_str());
    EXPECT_NE(contentsOf(path), tones);
    context.runFileAction(ids::file::kExportWaveTableSysEx, path.c_str());
    EXPECT_FALSE(contentsOf(path).empty());

    // An export into a folder that does not exist creates nothing.
    const std::string nowhere = folder.file("no/such/folder/out.txt");
    context.runFileAction(ids::file::kExportToneText, nowhere.c_str());
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(sink.uiUpdates, 0);
}

TEST_F(FileActions, WavImportAnswersOnlyForTheSelectedSlot)
{
    const std::string path = folder.file("tone.wav");
    writeWav16(path, rampSamples(1200), 1, 22050);
    context.currentSampleData = 126;
    context.refreshCurrentRecords();

    startNote();
    context.runFileAction(ids::file::kImportWavPcm | 127, path.c_str());
    EXPECT_EQ(soundingVoices(), 0);
    EXPECT_EQ(sink.uiUpdates, 0);
    EXPECT_EQ(context.synth->sampleData(127).frames, 1200);
    EXPECT_EQ(context.sampleSourcePath[127], path);
    EXPECT_EQ(context.sampleSourceKind[127], 0);

    context.runFileAction(ids::file::kImportWavDpcm | 126, path.c_str());
    EXPECT_EQ(sink.uiUpdates, 1);
    EXPECT_EQ(context.sampleSourceKind[126], 1);
    context.runFileAction(ids::file::kImportWavAdpcm | 0x80 | 126, path.c_str()); // only the low 7 bits pick the slot
    EXPECT_EQ(sink.uiUpdates, 2);
    EXPECT_EQ(context.sampleSourceKind[126], 2);
    EXPECT_EQ(context.busyFlags.load(), 0);
    EXPECT_FALSE(context.moduleHost->isDisabled(EngineContext::kSynthSlot));
}

TEST_F(FileActions, ARejectedWavLeavesTheSlotAndItsSource)
{
    const std::string good = folder.file("good.wav");
    const std::string bad = folder.file("bad.wav");
    writeWav16(good, rampSamples(300));
    {
        std::ofstream(bad) << "RIFF this is not a wave file at all";
    }
    context.runFileAction(ids::file::kImportWavPcm, good.c_str());
    context.runFileAction(ids::file::kImportWavAdpcm, bad.c_str());
    EXPECT_EQ(context.synth->sampleData(0).frames, 300);
    EXPECT_EQ(context.sampleSourcePath[0], good);
    EXPECT_EQ(context.sampleSourceKind[0], 0);
    EXPECT_EQ(sink.uiUpdates, 2);
}

// What the user picks by mistake: a disk image (sparse) and a video (random bytes).
TEST_F(FileActions, AWrongFileIsRefusedUnreadChangesNothingAndLeavesTheEditorANotice)
{
    const std::string image = folder.file("disk.img");
    const std::string movie = folder.file("movie.mp4");
    tolvane_test::makeSparseFile(image, tolvane_test::kDiskImageSize);
    tolvane_test::makeRandomFile(movie, tolvane_test::kRandomFileSize);
    MemoryByteWriter before;
    context.writeState(before);
    context.currentSampleData = 3;
    context.refreshCurrentRecords();

    const struct {
        int action;
        const char* reason;
        int uiUpdates; // a WAV import answers only for the slot on show
    } imports[] = {
        {ids::file::kImportToneText, "too large for a tone preset file", 1},
        {ids::file::kImportSamplerText, "too large for a sampler preset file", 1},
        {ids::file::kImportSampleDataText, "too large for a sample-data parameter file", 1},
        {ids::file::kImportWaveTableText, "too large for a wavetable file", 1},
        {ids::file::kImportWavPcm | 3, "not a WAV file (no RIFF/WAVE header)", 1},
        {ids::file::kImportWavAdpcm | 9, "not a WAV file (no RIFF/WAVE header)", 0},
    };
    std::uint32_t serial = context.fileNotice.serial;
    for (const auto& import : imports)
        for (const std::string& path : {image, movie}) {
            const int answersBefore = sink.uiUpdates;
            const auto cost = tolvane_test::measureRead([&] { context.runFileAction(import.action, path.c_str()); });
            EXPECT_LT(cost.time.count(), 1000);
            if (cost.bytesRead) {
                EXPECT_LT(*cost.bytesRead, tolvane_test::kReadAtMost) << std::hex << import.action;
            }
            EXPECT_EQ(context.fileNotice.serial, ++serial);
            EXPECT_EQ(context.fileNotice.action, ids::file::actionOf(import.action));
            const std::string name = std::filesystem::path(path).filename().string();
            EXPECT_EQ(context.fileNotice.text.rfind(name + ": " + import.reason, 0), 0u) << context.fileNotice.text;
            EXPECT_EQ(sink.uiUpdates - answersBefore, import.uiUpdates) << std::hex << import.action;
        }
    MemoryByteWriter after;
    context.writeState(after);
    EXPECT_EQ(after.bytes, before.bytes) << "a refused import changes nothing";

    // An import that succeeds leaves no notice.
    const std::string wav = folder.file("fine.wav");
    writeWav16(wav, rampSamples(100));
    context.runFileAction(ids::file::kImportWavPcm | 3, wav.c_str());
    EXPECT_EQ(context.fileNotice.serial, serial);
    EXPECT_EQ(context.synth->sampleData(3).frames, 100);
}

TEST_F(FileActions, UnknownActionsAndMissingPathsDoNothing)
{
    const std::string path = folder.file("x.txt");
    startNote();
    for (int id : {0x0000, 0x1300, 0x2400, 0x9800, 0xFF00})
        context.runFileAction(id, path.c_str());
    context.runFileAction(ids::file::kImportSamplerText, nullptr);
    context.runFileAction(ids::file::kImportWavPcm, "");
    EXPECT_EQ(soundingVoices(), 1);
    EXPECT_EQ(sink.uiUpdates, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace kest::tolvane::plugin::testing
