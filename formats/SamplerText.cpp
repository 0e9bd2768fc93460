// SPDX-License-Identifier: GPL-3.0-or-later
#include "SamplerText.h"

#include <algorithm>
#include <optional>

#include "EngineRecords.h"
#include "NamedRecordText.h"
#include "RecordScanner.h"

namespace kest::tolvane::formats {

namespace {

constexpr std::array<int, kSamplerFieldCount> kMasks = {0x7F, 0x7F, 0xF, 0x3FFF, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};

} // namespace

const RecordSyntax& samplerSyntax()
{
    static const RecordSyntax syntax(R"(^[ \t]*@S:[0-9]+[, \t\n\r]+"[ -~]{16}"([, \t\n\r]+[0-9]+){9})",
                                     R"([0-9]+|"[ -~]{16}")");
    return syntax;
}

std::vector<SamplerRecord> parseSamplerText(std::string_view text)
{
    std::vector<SamplerRecord> records;
    scanRecords(text, samplerSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = namedRecordOf<SamplerRecord>(tokens, synth::kSamplerPresetCount, kMasks))
            records.push_back(*record);
    });
    return records;
}

void applySamplerRecords(synth::SynthesizerWT& engine, const std::vector<SamplerRecord>& records)
{
    for (const SamplerRecord& r : records) {
        synth::SamplerPreset& s = engine.samplerPreset(r.index);
        std::copy(r.name.begin(), r.name.end(), s.presetName);
        const auto& f = r.fields;
        s.smplNum = f[0];
        s.pan = f[1];
        s.octv = f[2];
        s.tune = f[3];
        s.tl = f[4];
        s.ar = f[5];
        s.dr = f[6];
        s.sl = f[7];
        s.rr = f[8];
    }
}

void writeSamplerText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << "# @S(Sampler) 0 ~ 127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr\n";
    for (int n = 0; n < synth::kSamplerPresetCount; ++n) {
        const synth::SamplerPreset& s = samplerPresetOf(engine, n);
        out << "@S:" << n << " \"" << presetNameOf(s.presetName) << '"';
        for (int v : {s.smplNum, s.pan, s.octv, s.tune, s.tl, s.ar, s.dr, s.sl, s.rr})
            out << ' ' << v;
        out << '\n';
    }
}

} // namespace kest::tolvane::formats
