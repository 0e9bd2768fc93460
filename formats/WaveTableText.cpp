// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveTableText.h"

#include <algorithm>
#include <optional>

#include "LogCode.h"
#include "NumberText.h"
#include "RecordScanner.h"

namespace kest::tolvane::formats {

namespace {

constexpr int kSilentWaveValue = 128;

std::optional<WaveTableRecord> waveTableRecordOf(std::span<const std::string_view> tokens)
{
    if (tokens.size() < 3)
        return std::nullopt;
    const auto index = parseInt32(tokens[0]);
    const auto depth = parseInt32(tokens[1]);
    if (!index || *index >= synth::kWaveTableCount || !depth || *depth < 1 || *depth > 8)
        return std::nullopt;
    WaveTableRecord record;
    record.index = *index;
    record.bitDepth = *depth;
    const std::size_t count = std::min<std::size_t>(tokens.size() - 2, synth::kWaveTableMaxSize);
    for (std::size_t i = 0; i < count; ++i) {
        const auto value = parseInt32(tokens[2 + i], 16);
        if (!value || *value > 0xFF)
            return std::nullopt;
        record.values[i] = static_cast<std::uint8_t>(*value);
    }
    record.valueCount = static_cast<int>(count);
    return record;
}

} // namespace

const RecordSyntax& waveTableSyntax()
{
    static const RecordSyntax syntax(R"(^[ \t]*@:[0-9]+[, \t\n\r]+[1-8]([, \t\n\r]+[0-9a-fA-F]{2}){1,128})",
                                     R"([0-9a-fA-F]+)");
    return syntax;
}

std::vector<WaveTableRecord> parseWaveTableText(std::string_view text)
{
    std::vector<WaveTableRecord> records;
    scanRecords(text, waveTableSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = waveTableRecordOf(tokens))
            records.push_back(*record);
    });
    return records;
}

void applyWaveTableRecords(synth::SynthesizerWT& engine, const std::vector<WaveTableRecord>& records,
                           WaveTableBitDepths& bitDepths)
{
    const int size = std::clamp(engine.tableSize, 0, synth::kWaveTableMaxSize);
    for (const WaveTableRecord& r : records) {
        bitDepths[static_cast<std::size_t>(r.index)] = r.bitDepth;
        const int shift = 8 - effectiveBitDepth(r.bitDepth);
        std::int32_t* table = engine.waveTable(r.index);
        for (int i = 0; i < size; ++i) {
            const int value =
                i < r.valueCount ? (r.values[static_cast<std::size_t>(i)] << shift) & 0xFF : kSilentWaveValue;
            table[i] = engine.waveValueLog(value);
        }
    }
}

void writeWaveTableText(std::ostream& out, const synth::SynthesizerWT& engine, const WaveTableBitDepths& bitDepths)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out << "# @:WaveTableNum(0-127), BitDepth(WaveValue)[1-8], Value[HexCode 00h(-128) ~ 80h(0) ~ FFh(127)](By 8 "
           "Bit) * 1~128\n";
    const int size = std::clamp(engine.tableSize, 0, synth::kWaveTableMaxSize);
    std::array<std::uint8_t, synth::kWaveTableMaxSize> values{};
    for (int n = 0; n < synth::kWaveTableCount; ++n) {
        const int depth = bitDepths[static_cast<std::size_t>(n)];
        engine.exportWaveBytes(n, values.data(), size, depth);
        out << "@:" << n << ' ' << depth;
        for (int i = 0; i < size; ++i) {
            const std::uint8_t v = values[static_cast<std::size_t>(i)];
            out << ' ' << kHex[v >> 4] << kHex[v & 0xF];
        }
        out << '\n';
    }
}

} // namespace kest::tolvane::formats
