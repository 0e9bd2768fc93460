// SPDX-License-Identifier: GPL-3.0-or-later
// Value ids of the wavetable page (0x50) and single wavetable points (0x51).
#include <algorithm>
#include <array>

#include "ProtocolIds.h"
#include "ValueChangePages.h"
#include "ValueScaling.h"
#include "WaveShapes.h"

namespace kest::tolvane::plugin {

namespace {

using WaveValues = std::array<int, synth::kWaveTableMaxSize>;

int tableSize(const EngineContext& context) { return std::clamp(context.waveTableSize, 0, synth::kWaveTableMaxSize); }

WaveValues readTable(EngineContext& context, int bitDepth)
{
    WaveValues values{};
    context.synth->exportWaveInts(context.currentWaveTable, values.data(), tableSize(context), bitDepth);
    return values;
}

void writeTable(EngineContext& context, const WaveValues& values, int bitDepth)
{
    std::int32_t* table = context.synth->waveTable(context.currentWaveTable);
    const int shift = 8 - bitDepth;
    for (int i = 0; i < tableSize(context); ++i)
        table[i] = context.synth->waveValueLog((values[static_cast<std::size_t>(i)] << shift) & 0xFF);
}

template <typename Edit> float editTable(EngineContext& context, float value, Edit edit)
{
    WaveValues values = readTable(context, context.currentBitDepth);
    edit(values.data());
    writeTable(context, values, context.currentBitDepth);
    return unitValue(value);
}

WaveShapeSettings generatorSettings(const EngineContext& context)
{
    WaveShapeSettings settings;
    settings.size = tableSize(context);
    settings.period = context.generatorPeriod;
    settings.bitDepth = context.currentBitDepth;
    settings.peak =
        std::clamp(static_cast<int>(context.currentBitMask * context.generatorLevel), 0, context.currentBitMask);
    return settings;
}

template <typename Generator> float generate(EngineContext& context, float value, Generator generator)
{
    const WaveShapeSettings settings = generatorSettings(context);
    return editTable(context, value, [&](int* values) { generator(values, settings); });
}

float changeBitDepth(EngineContext& context, float value)
{
    const int depth = scaleUnit(value, 7) + 1;
    auto& stored = context.waveTableBitDepth[static_cast<std::size_t>(context.currentWaveTable)];
    if (depth != stored) {
        // Reading at the new depth and writing back requantises the table.
        writeTable(context, readTable(context, depth), depth);
        stored = depth;
        context.currentBitDepth = depth;
        context.currentBitMask = (1 << depth) - 1;
    }
    return unitValue(value);
}

} // namespace

std::optional<float> applyWaveTableValue(EngineContext& context, int item, float value)
{
    const int size = tableSize(context);
    const int mask = context.currentBitMask;
    switch (ids::waveTable::id(item)) {
    case ids::waveTable::kSelect:
        context.selectWaveTable(scaleUnit(value, 127));
        return unscale(context.currentWaveTable, 127);
    case ids::waveTable::kGeneratorPeriod:
        context.generatorPeriod = scaleUnit(value, 256);
        return unscale(context.generatorPeriod, 256);
    case ids::waveTable::kGeneratorLevel:
        context.generatorLevel = unscale(scaleUnit(value, mask), mask);
        return context.generatorLevel;
    case ids::waveTable::kInvert: return editTable(context, value, [&](int* a) { invertWave(a, size, mask); });
    case ids::waveTable::kReverse: return editTable(context, value, [&](int* a) { reverseWave(a, size); });
    case ids::waveTable::kRotateLeft: return editTable(context, value, [&](int* a) { rotateWaveLeft(a, size); });
    case ids::waveTable::kRotateRight: return editTable(context, value, [&](int* a) { rotateWaveRight(a, size); });
    case ids::waveTable::kSine: return generate(context, value, generateSine);
    case ids::waveTable::kTriangle: return generate(context, value, generateTriangle);
    case ids::waveTable::kSquare: return generate(context, value, generateSquare);
    case ids::waveTable::kSaw: return generate(context, value, generateSaw);
    case ids::waveTable::kFlat: return generate(context, value, generateFlat);
    case ids::waveTable::kNoise: return generate(context, value, generateNoise);
    case ids::waveTable::kSizeMenu: {
        const int requested = 8 << static_cast<int>(unitValue(value) * 4.0f + 0.5f);
        if (requested != context.waveTableSize)
            context.waveTableSize = context.synth->setTableSize(requested);
        return unitValue(value);
    }
    case ids::waveTable::kBitDepthMenu: return changeBitDepth(context, value);
    default: return std::nullopt;
    }
}

std::optional<float> applyWavePointValue(EngineContext& context, int item, float value)
{
    // Any of the 128 stored samples, even beyond the table size.
    const int index = ids::wavePoint::indexOf(item);
    const int mask = context.currentBitMask;
    const int level = scaleUnit(value, mask);
    context.synth->waveTable(context.currentWaveTable)[index] =
        context.synth->waveValueLog((level << (8 - context.currentBitDepth)) & 0xFF);
    return unscale(level, mask);
}

} // namespace kest::tolvane::plugin
