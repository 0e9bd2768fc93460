// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "PortableMath.h"

namespace kest::tolvane::plugin {

namespace {

int generatedCount(const WaveShapeSettings& s) { return std::max(0, std::min(s.period, s.size)); }
int fullScale(const WaveShapeSettings& s) { return 1 << s.bitDepth; }
int half(const WaveShapeSettings& s) { return fullScale(s) / 2; }

// Truncated toward zero and kept inside 0 .. 2^d - 1.
int clamped(double x, const WaveShapeSettings& s)
{
    const int top = fullScale(s) - 1;
    if (!(x > 0.0))
        return 0;
    if (x >= top)
        return top;
    return static_cast<int>(x);
}

// (1 - t) * (L - H) + H: the shape value at fraction t of the way down from the peak.
double fromPeak(double t, const WaveShapeSettings& s) { return (1.0 - t) * (s.peak - half(s)) + half(s); }

} // namespace

void invertWave(int* values, int size, int bitMask)
{
    for (int i = 0; i < size; ++i)
        values[i] = bitMask - values[i];
}

void reverseWave(int* values, int size) { std::reverse(values, values + std::max(size, 0)); }

void rotateWaveLeft(int* values, int size)
{
    if (size > 1)
        std::rotate(values, values + 1, values + size);
}

void rotateWaveRight(int* values, int size)
{
    if (size > 1)
        std::rotate(values, values + size - 1, values + size);
}

void generateSine(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    const double amplitude = s.peak - half(s);
    for (int i = 0; i < n; ++i)
        values[i] = clamped(portableSin(2.0 * std::numbers::pi * i / s.period) * amplitude + half(s), s);
}

void generateSquare(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    const int highCount = static_cast<int>(s.period * 0.5);
    for (int i = 0; i < n; ++i)
        values[i] = i < highCount ? s.peak : fullScale(s) - s.peak - 1;
}

void generateSaw(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    for (int i = 0; i < n; ++i)
        values[i] = clamped(fromPeak(i / (s.period * 0.5), s), s);
}

void generateFlat(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    for (int i = 0; i < n; ++i)
        values[i] = s.peak;
}

void generateNoise(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    const double width = 2.0 * (s.peak - half(s));
    for (int i = 0; i < n; ++i) {
        const double r = std::rand() % 32768;
        values[i] = clamped(half(s) + static_cast<int>((r / 32767.0 - 0.5) * width), s);
    }
}

void generateTriangle(int* values, const WaveShapeSettings& s)
{
    const int n = generatedCount(s);
    if (n == 0)
        return;
    const double quarter = s.period * 0.25;
    const int halfPeriod = static_cast<int>(s.period * 0.5);
    // With a period of four table lengths or more the peak lies beyond the
    // written range; starting from its wrapped position keeps every write inside.
    int k = static_cast<int>(quarter) % n;
    int step = 0;
    for (int j = 0; j < n; ++j) {
        values[k] = clamped(fromPeak(step / quarter, s), s);
        if (++k == n)
            k = 0;
        step += j < halfPeriod ? 1 : -1;
    }
}

} // namespace kest::tolvane::plugin
