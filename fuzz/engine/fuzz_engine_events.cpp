// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary event streams into an engine the way the plug-in runs it (a
// MidiController queue in slot 0 and the engine in slot 1 of a ModuleHost) and
// renders blocks. Events carry any values; SysEx messages have any length up to
// 256; sample slots get any size and any points. Every output must stay finite.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "MidiController.h"
#include "ModuleHost.h"
#include "SynthesizerWT.h"

namespace {

using namespace kest::tolvane;

constexpr int kMaxBlock = 1024; // buffer length; event times may point past a block
constexpr int kMaxRender = 256; // samples per rendered block, kept short for speed
constexpr int kMaxBlocks = 32;
constexpr int kMaxSampleFrames = 2048;

struct Rig {
    synth::SynthesizerWT engine;
    util::MidiController queue;
    ModuleHost host;
    std::array<std::vector<float>, kOutputChannelCount> buffers;
    std::array<float*, kOutputChannelCount> pointers{};

    Rig()
    {
        host.setModule(0, &queue);
        host.setModule(1, &engine);
        host.setBlockSize(kMaxBlock);
        for (std::size_t c = 0; c < buffers.size(); ++c) {
            buffers[c].assign(kMaxBlock, 0.0f);
            pointers[c] = buffers[c].data();
        }
    }

    void render(int count)
    {
        for (auto& channel : buffers)
            std::fill(channel.begin(), channel.end(), 0.0f);
        host.process(pointers.data(), count);
        for (const auto& channel : buffers)
            for (float s : channel)
                if (!std::isfinite(s))
                    std::abort();
    }
};

// Mostly the event kinds the engine handles, sometimes any number at all.
int eventType(FuzzedDataProvider& in)
{
    static constexpr int kTypes[] = {kNoteOff,       kNoteOn,          kPolyPressure, kControlChange,
                                     kProgramChange, kChannelPressure, kPitchBend,    kSystemExclusive};
    if (in.ConsumeBool())
        return in.ConsumeIntegral<int>();
    return kTypes[in.ConsumeIntegralInRange<int>(0, 7)];
}

// A value: usually a MIDI-sized number, sometimes any int.
int anyValue(FuzzedDataProvider& in)
{
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 127) : in.ConsumeIntegral<int>();
}

float anyFloat(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: return std::numeric_limits<float>::quiet_NaN();
    case 1: return std::numeric_limits<float>::infinity();
    case 2: return -std::numeric_limits<float>::infinity();
    case 3: return in.ConsumeFloatingPointInRange<float>(-1e6f, 1e6f);
    default: return in.ConsumeFloatingPointInRange<float>(0.0f, 2.0f);
    }
}

// SysEx bytes of any length 0..256; half the time with the engine's header so
// that the address map is reached.
std::vector<std::uint8_t> sysExBytes(FuzzedDataProvider& in)
{
    const auto length = in.ConsumeIntegralInRange<std::size_t>(0, kMaxSysExLength);
    std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(length);
    if (bytes.size() >= 3 && in.ConsumeBool()) {
        bytes[0] = 0x7D;
        bytes[1] = 0x10;
        bytes[2] = 0x20;
    }
    return bytes;
}

// New sample data of any shape, then points that need not agree with it.
void loadSlot(Rig& rig, FuzzedDataProvider& in)
{
    const int slot = in.ConsumeIntegralInRange<int>(0, synth::kSampleSlotCount - 1);
    const int frames = in.ConsumeIntegralInRange<int>(0, kMaxSampleFrames);
    const int channels = in.ConsumeIntegralInRange<int>(0, 3);
    static constexpr int kWidths[] = {8, 16, 24, 32, 12};
    const int bits = kWidths[in.ConsumeIntegralInRange<int>(0, 4)];
    const bool isSigned = in.ConsumeBool();
    std::vector<std::uint8_t> pcm(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels) *
                                  static_cast<std::size_t>(bits / 8 + 1));
    const auto given = in.ConsumeBytes<std::uint8_t>(pcm.size() / 8 + 1);
    for (std::size_t i = 0; i < pcm.size() && !given.empty(); ++i)
        pcm[i] = given[i % given.size()];
    // Whoever replaces a slot's data stops the voices that read it.
    rig.engine.stopVoices(-1);
    if (in.ConsumeBool())
        rig.engine.loadSampleData(slot, pcm.data(), frames, channels, bits, isSigned);
    else
        rig.engine.loadSampleData8(slot, reinterpret_cast<const std::int8_t*>(pcm.data()), frames, channels);
    synth::SampleData& data = rig.engine.sampleData(slot);
    if (in.ConsumeBool())
        data.setSourceRate(anyFloat(in));
    if (in.ConsumeBool()) {
        data.frames = in.ConsumeIntegral<int>();
        data.channels = in.ConsumeIntegral<int>();
    }
    if (in.ConsumeBool()) {
        data.playBackStartPoint = in.ConsumeIntegral<int>();
        data.playBackEndPoint = in.ConsumeIntegral<int>();
        data.loopEndPoint = in.ConsumeIntegral<int>();
        data.loopLength = in.ConsumeIntegral<int>();
        data.releaseLoopLength = in.ConsumeIntegral<int>();
    }
}

// Preset fields written with any numbers: note-on must hold them to their ranges.
void editPresets(Rig& rig, FuzzedDataProvider& in)
{
    synth::TonePreset& tone = rig.engine.tone(in.ConsumeIntegral<int>());
    tone.strc = anyValue(in);
    tone.lms = anyValue(in);
    tone.lfoFreq = anyValue(in);
    tone.tune = anyValue(in);
    tone.wave = anyValue(in);
    tone.tl = anyValue(in);
    tone.ar = anyValue(in);
    tone.dr = anyValue(in);
    tone.sl = anyValue(in);
    tone.rr = anyValue(in);
    tone.kf = anyValue(in);
    tone.kfStart = anyValue(in);
    tone.key = anyValue(in);
    tone.pan = anyValue(in);
    synth::SamplerPreset& preset = rig.engine.samplerPreset(in.ConsumeIntegral<int>());
    preset.smplNum = anyValue(in);
    preset.pan = anyValue(in);
    preset.octv = anyValue(in);
    preset.tune = anyValue(in);
    preset.tl = anyValue(in);
    preset.ar = anyValue(in);
    preset.dr = anyValue(in);
    preset.sl = anyValue(in);
    preset.rr = anyValue(in);
}

void engineSetting(Rig& rig, FuzzedDataProvider& in)
{
    synth::SynthesizerWT& e = rig.engine;
    switch (in.ConsumeIntegralInRange<int>(0, 11)) {
    case 0: e.setPolyphony(in.ConsumeIntegralInRange<int>(-2, 1100)); break;
    case 1: e.setTableSize(in.ConsumeIntegral<int>()); break;
    case 2: e.setMasterTune(anyFloat(in)); break;
    case 3: e.setMasterVolume(anyFloat(in)); break;
    case 4: rig.host.setSampleRate(anyFloat(in)); break;
    case 5: e.receiveSysEx = in.ConsumeBool(); break;
    case 6: e.setRpnEnabled(in.ConsumeBool()); break;
    case 7: e.setNrpnEnabled(in.ConsumeBool()); break;
    case 8: e.setMode(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()); break;
    case 9: e.setPartOutput(in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>()); break;
    case 10: {
        std::array<int, synth::kWaveTableMaxSize> values{};
        for (int& v : values)
            v = in.ConsumeIntegralInRange<int>(-10, 300);
        e.importWaveValues(in.ConsumeIntegral<int>(), values.data(), in.ConsumeIntegral<int>());
        break;
    }
    default: e.systemReset(); break;
    }
}

// The direct entry points the processor may call between blocks.
void directCall(Rig& rig, FuzzedDataProvider& in)
{
    synth::SynthesizerWT& e = rig.engine;
    const int channel = anyValue(in);
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0: e.noteOn(channel, anyValue(in), anyValue(in)); break;
    case 1: e.noteOff(channel, anyValue(in)); break;
    case 2: e.controlChange(channel, anyValue(in), anyValue(in)); break;
    case 3: e.programChange(channel, anyValue(in)); break;
    case 4: e.pitchBend14(channel, in.ConsumeIntegral<int>()); break;
    case 5: e.runControllerHandler(channel, anyValue(in), anyValue(in)); break;
    case 6: {
        // The caller's buffer always holds 256 bytes; the length may claim anything.
        std::array<std::uint8_t, kMaxSysExLength> buffer{};
        const auto bytes = sysExBytes(in);
        std::copy(bytes.begin(), bytes.end(), buffer.begin());
        e.systemExclusive(buffer.data(), in.ConsumeBool() ? static_cast<int>(bytes.size()) : anyValue(in));
        break;
    }
    default: e.pitchBend(channel, anyValue(in), anyValue(in)); break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    Rig rig;
    // A small pool keeps runs fast; the input can still raise it to 1024.
    rig.engine.setPolyphony(8);
    rig.engine.receiveSysEx = in.ConsumeBool();
    rig.engine.setNrpnEnabled(in.ConsumeBool());
    int blocks = 0;
    while (in.remaining_bytes() > 0 && blocks < kMaxBlocks) {
        const int time =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, kMaxBlock - 1) : in.ConsumeIntegral<int>();
        switch (in.ConsumeIntegralInRange<int>(0, 9)) {
        case 0:
        case 1:
        case 2: rig.queue.queueChannelEvent(eventType(in), anyValue(in), anyValue(in), anyValue(in), time); break;
        case 3: {
            const auto bytes = sysExBytes(in);
            rig.queue.queueSysEx(bytes.data(), static_cast<int>(bytes.size()), time);
            break;
        }
        case 4: loadSlot(rig, in); break;
        case 5: editPresets(rig, in); break;
        case 6: engineSetting(rig, in); break;
        case 7: directCall(rig, in); break;
        default:
            rig.render(in.ConsumeIntegralInRange<int>(0, kMaxRender));
            ++blocks;
            break;
        }
    }
    rig.render(kMaxRender);
    return 0;
}
