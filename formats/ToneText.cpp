// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToneText.h"

#include <algorithm>
#include <optional>

#include "EngineRecords.h"
#include "NamedRecordText.h"
#include "RecordScanner.h"

namespace kest::tolvane::formats {

namespace {

constexpr std::array<int, kToneFieldCount> kMasks = {0x7F, 0x7F, 0x3FFF, 0x3, 0x3FFF, 0xF, 0x7F,
                                                      0x7F, 0x7F, 0x7F,   0x7F, 0x7F,   0x3, 0x7F};

} // namespace

const RecordSyntax& toneSyntax()
{
    static const RecordSyntax syntax(R"(^[ \t]*@I:[0-9]+[, \t\n\r]+"[ -~]{16}"([, \t\n\r]+[0-9]+){14})",
                                     R"([0-9]+|"[ -~]{16}")");
    return syntax;
}

std::vector<ToneRecord> parseToneText(std::string_view text)
{
    std::vector<ToneRecord> records;
    scanRecords(text, toneSyntax(), [&](std::span<const std::string_view> tokens) {
        if (auto record = namedRecordOf<ToneRecord>(tokens, synth::kToneCount, kMasks))
            records.push_back(*record);
    });
    return records;
}

void applyToneRecords(synth::SynthesizerWT& engine, const std::vector<ToneRecord>& records)
{
    for (const ToneRecord& r : records) {
        synth::TonePreset& t = engine.tone(r.index);
        std::copy(r.name.begin(), r.name.end(), t.presetName);
        const auto& f = r.fields;
        t.key = f[0];
        t.pan = f[1];
        t.lfoFreq = f[2];
        t.strc = f[3];
        t.tune = f[4];
        t.lms = f[5];
        t.wave = f[6];
        t.tl = f[7];
        t.ar = f[8];
        t.dr = f[9];
        t.sl = f[10];
        t.rr = f[11];
        t.kf = f[12];
        t.kfStart = f[13];
    }
}

void writeToneText(std::ostream& out, const synth::SynthesizerWT& engine)
{
    out << "# @I(Insturument) 0 ~ 255, presetName(16 ASCII Chars), key, pan, lfoFreq, strc, tune, lms, wave, tl, "
           "ar, dr, sl, rr, kf, kfStart"
        << '\n';
    for (int n = 0; n < synth::kToneCount; ++n) {
        const synth::TonePreset& t = toneOf(engine, n);
        out << "@I:" << n << " \"" << presetNameOf(t.presetName) << '"';
        for (int v : {t.key, t.pan, t.lfoFreq, t.strc, t.tune, t.lms, t.wave, t.tl, t.ar, t.dr, t.sl, t.rr, t.kf,
                      t.kfStart})
            out << ' ' << v;
        out << '\n';
    }
}

} // namespace kest::tolvane::formats
