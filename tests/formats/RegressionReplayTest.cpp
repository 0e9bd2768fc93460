// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs that once broke a reader (found by the fuzzers) are replayed through
// every reader: none may crash, hang or read outside its buffer.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEngine.h"
#include "TextImport.h"
#include "WaveFile.h"
#include "WaveImport.h"

namespace kest::tolvane::formats {
namespace {

TEST(Regressions, EveryStoredInputPassesEveryReader)
{
    auto engine = test::makeEngine();
    WaveTableBitDepths depths{};
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TOLVANE_FORMATS_REGRESSIONS)) {
        if (!entry.is_regular_file())
            continue;
        const auto bytes = readBinaryFile(entry.path().string());
        ASSERT_TRUE(bytes.has_value()) << entry.path();
        const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        for (TextKind kind : {TextKind::Tone, TextKind::Sampler, TextKind::SampleData, TextKind::WaveTable})
            applyText(*engine, parseText(kind, text), depths);
        for (SampleSourceKind kind : {SampleSourceKind::Pcm, SampleSourceKind::Dpcm, SampleSourceKind::Adpcm})
            if (auto prepared = prepareWaveImport(parseWave(*bytes), kind))
                installPreparedSample(*engine, 0, std::move(*prepared));
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
} // namespace kest::tolvane::formats
