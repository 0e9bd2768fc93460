// SPDX-License-Identifier: GPL-3.0-or-later
#include "KWeighting.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kest::tolvane::factory {
namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;

    double run(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two stages of ITU-R BS.1770, designed for any sample rate.
Biquad highShelf(double rate)
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Biquad highPass(double rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

} // namespace

std::vector<float> kWeighted(const std::vector<float>& samples, double sampleRate)
{
    Biquad shelf = highShelf(sampleRate), pass = highPass(sampleRate);
    std::vector<float> out(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        out[i] = static_cast<float>(pass.run(shelf.run(samples[i])));
    return out;
}

double meanSquareDb(const std::vector<float>& samples, std::size_t from, std::size_t count)
{
    const std::size_t end = std::min(samples.size(), from + count);
    double sum = 0.0;
    for (std::size_t i = from; i < end; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return end > from ? 10.0 * std::log10(std::max(sum / static_cast<double>(end - from), 1e-20)) : -200.0;
}

StrikeFigures measureStrike(const std::vector<float>& samples, double sampleRate)
{
    const std::vector<float> heard = kWeighted(samples, sampleRate);
    const auto chunk = static_cast<std::size_t>(sampleRate / 100); // 10 ms
    StrikeFigures f;
    std::size_t loudest = 0;
    double loudestDb = -200.0, total = 0.0;
    for (std::size_t at = 0; at + chunk <= heard.size(); at += chunk) {
        const double db = meanSquareDb(heard, at, chunk);
        total += std::pow(10.0, db / 10.0) * static_cast<double>(chunk);
        if (db > loudestDb) {
            loudestDb = db;
            loudest = at;
        }
    }
    f.loudnessDb = meanSquareDb(heard, loudest, 10 * chunk);
    f.energyDb = 10.0 * std::log10(std::max(total / sampleRate, 1e-20));
    for (std::size_t at = loudest; at + chunk <= heard.size(); at += chunk) {
        if (meanSquareDb(heard, at, chunk) < loudestDb - 40.0) {
            f.decay40Seconds = static_cast<double>(at - loudest) / sampleRate;
            break;
        }
    }
    return f;
}

} // namespace kest::tolvane::factory
