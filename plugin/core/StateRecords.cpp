// SPDX-License-Identifier: GPL-3.0-or-later
#include "StateRecords.h"

#include <algorithm>

namespace kest::tolvane::plugin::state {

namespace {

std::uint8_t low8(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

void encodeName(const char* name, std::uint8_t* out) {
    for (int i = 0; i < synth::kPresetNameLength; ++i) out[i] = static_cast<std::uint8_t>(name[i]);
}

// Non-printable bytes become spaces so the name still fits the text formats.
void decodeName(const std::uint8_t* in, char* name) {
    for (int i = 0; i < synth::kPresetNameLength; ++i) {
        const std::uint8_t c = in[i];
        name[i] = (c >= 0x20 && c <= 0x7E) ? static_cast<char>(c) : ' ';
    }
    name[synth::kPresetNameLength] = '\0';
}

} // namespace

void encodePart(const synth::PartState& part, std::uint8_t* out) {
    out[0] = low8(part.output);
    out[1] = low8(part.defaultMode);
    out[2] = low8(part.mode);
    out[3] = low8(part.program);
    out[4] = low8(part.bendRange);
    putU16(out + 5, part.pitchBend);
    out[7] = low8(part.cc[1]);
    out[8] = low8(part.cc[7]);
    out[9] = low8(part.cc[10]);
    out[10] = low8(part.cc[11]);
}

void decodePart(const std::uint8_t* in, int maxMode, synth::PartState& part) {
    part.output = in[0] & 0x0F;
    part.defaultMode = std::min<int>(in[1], maxMode);
    part.mode = std::min<int>(in[2], maxMode);
    part.program = in[3] & 0x7F;
    part.bendRange = in[4] & 0x7F;
    part.pitchBend = getU16(in + 5) & 0x3FFF;
    part.cc[1] = in[7] & 0x7F;
    part.cc[7] = in[8] & 0x7F;
    part.cc[10] = in[9] & 0x7F;
    part.cc[11] = in[10] & 0x7F;
}

void encodeTone(const synth::TonePreset& tone, std::uint8_t* out) {
    encodeName(tone.presetName, out);
    out[16] = low8(tone.key);
    out[17] = low8(tone.pan);
    putU16(out + 18, tone.lfoFreq);
    out[20] = low8(tone.strc);
    putU16(out + 21, tone.tune);
    out[23] = low8(tone.lms);
    out[24] = low8(tone.wave);
    out[25] = low8(tone.tl);
    out[26] = low8(tone.ar);
    out[27] = low8(tone.dr);
    out[28] = low8(tone.sl);
    out[29] = low8(tone.rr);
    out[30] = low8(tone.kf);
    out[31] = low8(tone.kfStart);
}

void decodeTone(const std::uint8_t* in, synth::TonePreset& tone) {
    decodeName(in, tone.presetName);
    tone.key = in[16] & 0x7F;
    tone.pan = in[17] & 0x7F;
    tone.lfoFreq = getU16(in + 18) & 0x3FFF;
    tone.strc = in[20] & 0x03;
    tone.tune = getU16(in + 21) & 0x3FFF;
    tone.lms = in[23] & 0x0F;
    tone.wave = in[24] & 0x7F;
    tone.tl = in[25] & 0x7F;
    tone.ar = in[26] & 0x7F;
    tone.dr = in[27] & 0x7F;
    tone.sl = in[28] & 0x7F;
    tone.rr = in[29] & 0x7F;
    tone.kf = in[30] & 0x03;
    tone.kfStart = in[31] & 0x7F;
}

void encodeSampler(const synth::SamplerPreset& preset, std::uint8_t* out) {
    encodeName(preset.presetName, out);
    out[16] = low8(preset.smplNum);
    out[17] = low8(preset.pan);
    out[18] = low8(preset.octv);
    putU16(out + 19, preset.tune);
    out[21] = low8(preset.tl);
    out[22] = low8(preset.ar);
    out[23] = low8(preset.dr);
    out[24] = low8(preset.sl);
    out[25] = low8(preset.rr);
}

void decodeSampler(const std::uint8_t* in, synth::SamplerPreset& preset) {
    decodeName(in, preset.presetName);
    preset.smplNum = in[16] & 0x7F;
    preset.pan = in[17] & 0x7F;
    preset.octv = in[18] & 0x0F;
    preset.tune = getU16(in + 19) & 0x3FFF;
    preset.tl = in[21] & 0x7F;
    preset.ar = in[22] & 0x7F;
    preset.dr = in[23] & 0x7F;
    preset.sl = in[24] & 0x7F;
    preset.rr = in[25] & 0x7F;
}

} // namespace kest::tolvane::plugin::state
