// Lookup tables shared read-only by every voice of every engine in the process.
// Log codes (see LogCode.h) count attenuation in 1/256 octave with the sign in
// bit 0; pitches count 1/8192 octave.
#pragma once

#include <array>
#include <cstdint>

namespace kest::tolvane::synth {

struct SynthTables {
    // Room for every index a voice can form: a wave or sample code, an
    // envelope code, the preset level and the LFO's level offset, each at most
    // 8192 (silence), so four times 8192 and a few entries to spare.
    static constexpr int kLog2LinSize = 32776;

    // The one set of tables, built on first use (thread-safe) and never changed.
    static const SynthTables& shared();

    // 2^(30 + i/8192): one octave of 2^x with 30 fraction bits.
    std::array<std::int32_t, 8192> exp{};
    // Right shifts of exp per octave of a pitch or rate exponent.
    std::array<std::int32_t, 128> pitchShift{};
    std::array<std::int32_t, 128> rateShift{};
    // MIDI key k in 1/8192 octave above key 0.
    std::array<std::int32_t, 128> keyPitch{};
    // tl as a log code (64 per step = 1/4 octave); 128 and up is silence.
    std::array<std::int32_t, 256> levelAtt{};
    // Envelope curves indexed by envPos >> 18, giving log codes.
    std::array<std::int32_t, 4096> attackCurve{};
    std::array<std::int32_t, 4096> decayCurve{};
    // Key-follow rate offset in 1/8192 octave (index key - kfStart + 127).
    std::array<std::int32_t, 256> keyFollow{};
    // Level l (0..128, held at 104) as a Q18 envelope position: l << 23.
    std::array<std::int32_t, 129> envLevel{};
    // 128 LFO steps interleaved: even entries bipolar (pitch), odd unipolar
    // (level), both -8192..8192.
    std::array<std::int32_t, 256> lfoWave{};
    // Log code to linear amplitude; codes past 8191 are silence.
    std::array<float, kLog2LinSize> log2lin{};
    std::array<float, 128> gainCurve{};
    // A volume sequence's step v (0..15) as a log attenuation: 20 log10(15 / v)
    // dB to the nearest 1/256 octave, 0 at 15; 0 is silence.
    std::array<std::int32_t, 16> volumeStep{};
    std::array<float, 257> pan{};

    SynthTables();

    // 2^(x/8192) as an integer, for 0 <= x (the exponent is limited to the tables).
    std::int32_t pow2(std::int32_t x) const;
    // The envelope rate form: 2^(x/8192), flattening out at about 2^29..2^30.
    std::int32_t rate2(std::int32_t x) const;
};

// L(v): 0 when v <= 1, else trunc(log2(v) * 8192 + 0.5).
int logPitchUnits(double v);

} // namespace kest::tolvane::synth
