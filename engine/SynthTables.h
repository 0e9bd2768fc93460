// Lookup tables shared read-only by every voice of one engine.
#pragma once

#include <array>
#include <cstdint>

namespace kest::tolvane::synth {

struct SynthTables {
    static constexpr int kLog2LinSize = 32776;

    std::array<std::int32_t, 8192> exp{};
    std::array<std::int32_t, 128> pitchShift{};
    std::array<std::int32_t, 128> rateShift{};
    std::array<std::int32_t, 128> keyPitch{};
    std::array<std::int32_t, 256> levelAtt{};
    std::array<std::int32_t, 4096> attackCurve{};
    std::array<std::int32_t, 4096> decayCurve{};
    std::array<std::int32_t, 256> keyFollow{};
    std::array<std::int32_t, 129> envLevel{};
    std::array<std::int32_t, 256> lfoWave{};
    std::array<float, kLog2LinSize> log2lin{};
    std::array<float, 128> gainCurve{};
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
