// SPDX-License-Identifier: GPL-3.0-or-later
#include "SampleDataText.h"

#include <charconv>
#include <optional>

#include "EngineRecords.h"
#include "NumberText.h"
#include "RecordScanner.h"

namespace kest::tolvane::formats {

namespace {

std::optional<SampleDataRecord> sampleDataRecordOf(std::span<const std::string_view> tokens)
{
    if (tokens.size() < 6)
        return std::nullopt;
    int values[5] = {};
    for (int i = 0; i < 5; ++i) {
        const auto value = parseInt32(tokens[static_cast<std::size_t>(i)]);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    const auto pitch = parsePitch(tokens[5]);
    if (!pitch || values[0] >= synth::kSampleSlotCount)
        return std::nullopt;
    return SampleDataRecord{values[0], values[1], values[2], values[3], values[4], *pitch};
}

} // namespace

const RecordSyntax& sampleDataSyntax()
{
    static const RecordSyntax syntax(R"(^[ \t]*@:[0-9]+([, \t\n\r]+[0-9]+){4}[, \t\n\r]+([0-9]+\.[0-9]+))",
                                     R"((?![0-9]+\.|\.[0-9]+)[0-9]+|[0-9]+\.[0-9]+)");
    return syntax;
}

std::vector<SampleDataRecord> parseSampleDataText(std::string_view text)
{
    std::vector<SampleDataRecord> records;
    scanRecords(text, sampleDataSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = sampleDataRecordOf(tokens))
            records.push_back(*record);
    });
    return records;
}

void applySampleDataRecord(synth::SampleData& slot, const SampleDataRecord& r)
{
    if (r.playBackStart < r.playBackEnd && r.playBackEnd <= slot.frames) {
        slot.playBackStartPoint = r.playBackStart;
        slot.playBackEndPoint = r.playBackEnd;
        slot.clearLoop();
    }
    // The loop is checked against the range now in force, new or kept.
    const int start = slot.playBackStartPoint;
    const int end = slot.playBackEndPoint;
    if (r.loopStart >= start && r.loopStart < r.loopEnd && r.loopEnd <= end) {
        slot.loopEndPoint = r.loopEnd;
        slot.loopLength = r.loopEnd - r.loopStart;
        slot.releaseLoopLength = r.loopEnd == end ? slot.loopLength : 0;
    } else {
        slot.clearLoop();
    }
    slot.setPitch(r.pitch);
}

void applySampleDataRecords(synth::SynthesizerWT& engine, const std::vector<SampleDataRecord>& records)
{
    for (const SampleDataRecord& r : records)
        applySampleDataRecord(engine.sampleData(r.index), r);
}

void writeSampleDataText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << "# SampleData Parameters\n"
           "# @:SampleDataNum(0-127), PlayBackStartPoint, PlayBackEndPoint, LoopStartPoint, LoopEndPoint, "
           "Pitch(0.0-x Hz)\n";
    char pitch[64];
    for (int n = 0; n < synth::kSampleSlotCount; ++n) {
        const synth::SampleData& q = sampleDataOf(engine, n);
        // "%f" without the locale: fixed point, six decimals.
        const auto [end, ec] = std::to_chars(pitch, pitch + sizeof pitch, q.pitch, std::chars_format::fixed, 6);
        const std::string_view pitchText = ec == std::errc() ? std::string_view(pitch, end - pitch) : "0.000000";
        out << "@:" << n << ' ' << q.playBackStartPoint << ' ' << q.playBackEndPoint << ' ' << q.loopStartForDisplay()
            << ' ' << q.loopEndForDisplay() << ' ' << pitchText << '\n';
    }
}

} // namespace kest::tolvane::formats
