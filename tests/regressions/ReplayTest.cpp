// SPDX-License-Identifier: GPL-3.0-or-later
// Replays each kept failing input; a fault comes back as a crash, a sanitizer
// report or a failed check here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EngineContextDriver.h"
#include "MidiFileDriver.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputsOf(const std::string& target)
{
    std::vector<fs::path> files;
    const fs::path folder = fs::path(TOLVANE_REGRESSIONS_DIR) / target;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> contentsOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(Regressions, EngineContextInputsReplayCleanly)
{
    const auto files = inputsOf("fuzz_engine_context");
    if (files.empty())
        GTEST_SKIP() << "no kept inputs";
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto bytes = contentsOf(file);
        // A fresh context for each, as the fuzzer had when it first ran the input.
        kest::tolvane::fuzzing::EngineContextDriver driver;
        driver.run(bytes.data(), bytes.size());
        // Afterwards the context still renders: the input left nothing locked or busy.
        std::vector<float> storage(32 * 64, 0.0f);
        std::vector<float*> channels(32);
        for (int c = 0; c < 32; ++c)
            channels[c] = storage.data() + c * 64;
        EXPECT_TRUE(driver.context().tryRenderBlock(channels.data(), 64));
    }
}

TEST(Regressions, MidiFileInputsReplayCleanly)
{
    const auto files = inputsOf("fuzz_midi_file");
    if (files.empty())
        GTEST_SKIP() << "no kept inputs";
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto bytes = contentsOf(file);
        kest::tolvane::fuzzing::runMidiFileReader(bytes.data(), bytes.size());
    }
}
