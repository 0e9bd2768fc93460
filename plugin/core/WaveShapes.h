// SPDX-License-Identifier: GPL-3.0-or-later
// Shape generators and transforms of the wavetable editor, on one table held
// as integers at its bit depth. They write only inside the given size.
#pragma once

namespace kest::tolvane::plugin {

struct WaveShapeSettings {
    int size = 32;    // S: meaningful samples in the table
    int period = 32;  // P: generator period in samples
    int bitDepth = 8; // d
    int peak = 255;   // L: generator peak, 0 .. 2^d - 1
};

void invertWave(int* values, int size, int bitMask);
void reverseWave(int* values, int size);
void rotateWaveLeft(int* values, int size);
void rotateWaveRight(int* values, int size);

// Each writes min(period, size) values from index 0; period 0 writes nothing.
void generateSine(int* values, const WaveShapeSettings& settings);
void generateTriangle(int* values, const WaveShapeSettings& settings);
void generateSquare(int* values, const WaveShapeSettings& settings);
void generateSaw(int* values, const WaveShapeSettings& settings);
void generateFlat(int* values, const WaveShapeSettings& settings);
// Draws from std::rand without reseeding it.
void generateNoise(int* values, const WaveShapeSettings& settings);

} // namespace kest::tolvane::plugin
