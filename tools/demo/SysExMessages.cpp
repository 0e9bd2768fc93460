// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysExMessages.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "PortableMath.h"

namespace kest::tolvane::tools {

namespace {
constexpr std::uint8_t kHeader[] = {0x7D, 0x10, 0x20};

std::vector<std::uint8_t> message(int block, int record, int offset, std::span<const int> data)
{
    std::vector<std::uint8_t> out(std::begin(kHeader), std::end(kHeader));
    out.push_back(static_cast<std::uint8_t>(block & 0x7F));
    out.push_back(static_cast<std::uint8_t>(record & 0x7F));
    out.push_back(static_cast<std::uint8_t>(offset & 0x7F));
    for (int d : data)
        out.push_back(static_cast<std::uint8_t>(d & 0x7F));
    out.push_back(0xF7);
    return out;
}

std::vector<std::uint8_t> toneMessage(int block, int record, const ToneSettings& t)
{
    std::vector<int> data;
    for (std::size_t i = 0; i < 16; ++i)
        data.push_back(i < t.name.size() ? t.name[i] : ' ');
    const int fields[] = {t.key,          t.pan,  t.lfoFreq & 127,
                          t.lfoFreq >> 7, t.strc, t.tune & 127,
                          t.tune >> 7,    t.lms,  t.wave,
                          t.tl,           t.ar,   t.dr,
                          t.sl,           t.rr,   t.kf,
                          t.kfStart};
    data.insert(data.end(), std::begin(fields), std::end(fields));
    return message(block, record, 0, data);
}
} // namespace

std::vector<std::uint8_t> instrumentToneMessage(int program, const ToneSettings& tone)
{
    return toneMessage(4, program, tone);
}
std::vector<std::uint8_t> percussionToneMessage(int key, const ToneSettings& tone) { return toneMessage(5, key, tone); }

std::vector<std::uint8_t> waveTableMessage(int table, std::span<const int> values)
{
    return message(8, table, 0, values);
}

std::vector<std::uint8_t> partModeMessage(int part, int mode)
{
    const int data[] = {mode};
    return message(2, part, 1, data);
}

std::vector<int> additiveWave(std::span<const double> harmonics, int size)
{
    std::vector<double> wave(static_cast<std::size_t>(size));
    double peak = 0.0;
    for (int i = 0; i < size; ++i) {
        const double x = 2.0 * std::numbers::pi * i / size;
        double s = 0.0;
        for (std::size_t h = 0; h < harmonics.size(); ++h)
            s += harmonics[h] * portableSin(static_cast<double>(h + 1) * x);
        wave[static_cast<std::size_t>(i)] = s;
        peak = std::max(peak, std::fabs(s));
    }
    std::vector<int> values;
    for (double s : wave)
        values.push_back(std::clamp(64 + static_cast<int>(std::lround(s / peak * 62.0)), 1, 127));
    return values;
}

int lfoFreqForHz(double hz) { return std::clamp(static_cast<int>(std::lround(hz * 16383.0 / 32.0)), 0, 16383); }

} // namespace kest::tolvane::tools
