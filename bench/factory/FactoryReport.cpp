// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, for every factory tone, what it does at velocity 100 with default
// volume: peak, RMS and K-weighted (heard) level and energy, how long it rings while held, how long its
// release lasts and the pitch it sounds at. Instruments play middle C, drums
// their own key. With a path argument it also writes every tone in turn to a
// 16-bit mono WAV file for listening.
//
//   tolvane_factory_report [audition.wav]
//   tolvane_factory_report --chip-levels   (for make_chip_bank.py --trim: the GM
//                                           bank's median and every chip program, heard)
//   tolvane_factory_report --chip-kit      (every tone-kit key heard against the snare,
//                                           and its 40 dB decay, for setting kit gains)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "BankRig.h"
#include "KWeighting.h"

namespace kest::tolvane::factory {
namespace {

constexpr double kHoldSeconds = 3.0;
constexpr double kReleaseLimitSeconds = 6.0;
constexpr int kVelocity = 100;

struct Figures {
    float peakDb = 0.0f;
    float rmsDb = 0.0f;        // over the loudest 100 ms
    double ringSeconds = -1.0; // until 60 dB below the loudest 10 ms, -1 = still sounding
    double releaseSeconds = 0.0;
    double pitchHz = 0.0; // 0 = no clear period
    StrikeFigures heard;  // K-weighted loudness, energy and 40 dB decay
};

float rmsOf(const std::vector<float>& s, std::size_t from, std::size_t count)
{
    double sum = 0.0;
    const std::size_t end = std::min(s.size(), from + count);
    for (std::size_t i = from; i < end; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    return end > from ? static_cast<float>(std::sqrt(sum / static_cast<double>(end - from))) : 0.0f;
}

// Normalised autocorrelation; the shortest lag within 10% of the best one wins,
// which avoids reporting an octave too low.
double estimatePitch(const std::vector<float>& s, std::size_t from)
{
    const std::size_t window = 4096;
    const int minLag = static_cast<int>(kSampleRate / 4200.0f);
    const int maxLag = static_cast<int>(kSampleRate / 25.0f);
    if (from + window + static_cast<std::size_t>(maxLag) > s.size())
        return 0.0;
    std::vector<double> corr(static_cast<std::size_t>(maxLag + 1), 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (std::size_t i = 0; i < window; ++i) {
            const double x = s[from + i], y = s[from + i + static_cast<std::size_t>(lag)];
            xy += x * y;
            xx += x * x;
            yy += y * y;
        }
        const double c = (xx > 0 && yy > 0) ? xy / std::sqrt(xx * yy) : 0.0;
        corr[static_cast<std::size_t>(lag)] = c;
        best = std::max(best, c);
    }
    if (best < 0.5)
        return 0.0;
    for (int lag = minLag + 1; lag < maxLag; ++lag) {
        const double c = corr[static_cast<std::size_t>(lag)];
        if (c >= 0.9 * best && c >= corr[static_cast<std::size_t>(lag - 1)] &&
            c >= corr[static_cast<std::size_t>(lag + 1)])
            return kSampleRate / static_cast<double>(lag);
    }
    return 0.0;
}

Figures measure(BankRig& rig, int channel, int key, std::vector<float>& sound)
{
    Figures f;
    rig.noteOn(channel, key, kVelocity);
    f.peakDb = toDbfs(rig.render(kHoldSeconds, &sound));
    const std::size_t chunk = static_cast<std::size_t>(kSampleRate / 100); // 10 ms
    std::size_t loudest = 0;
    float loudestRms = 0.0f;
    for (std::size_t at = 0; at + chunk <= sound.size(); at += chunk) {
        const float r = rmsOf(sound, at, chunk);
        if (r > loudestRms) {
            loudestRms = r;
            loudest = at;
        }
    }
    f.rmsDb = toDbfs(rmsOf(sound, loudest, 10 * chunk));
    for (std::size_t at = loudest; at + chunk <= sound.size(); at += chunk) {
        if (rmsOf(sound, at, chunk) < loudestRms * 0.001f) {
            f.ringSeconds = static_cast<double>(at) / kSampleRate;
            break;
        }
    }
    f.pitchHz = estimatePitch(sound, loudest + chunk);
    f.heard = measureStrike(sound, kSampleRate);
    rig.noteOff(channel, key);
    f.releaseSeconds = rig.renderUntilFree(kReleaseLimitSeconds);
    return f;
}

double expectedHz(int key, int tune)
{
    return 440.0 * std::pow(2.0, (key - 69) / 12.0) * std::pow(2.0, (tune - 8192) / 8192.0);
}

void printRow(int index, const synth::TonePreset& tone, const Figures& f, double expected)
{
    std::printf("%3d %-16.16s peak %6.1f rms %6.1f heard %6.1f energy %6.1f ring %5.2f d40 %5.2f rel %5.2f", index,
                tone.presetName, f.peakDb, f.rmsDb, f.heard.loudnessDb, f.heard.energyDb, f.ringSeconds,
                f.heard.decay40Seconds, f.releaseSeconds);
    if (tone.strc == 3)
        std::printf("  noise\n");
    else if (f.pitchHz > 0.0)
        std::printf("  %7.1f Hz (%+5.0f cents)\n", f.pitchHz, 1200.0 * std::log2(f.pitchHz / expected));
    else
        std::printf("  no clear pitch\n");
}

void writeWav(const std::string& path, const std::vector<float>& samples)
{
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<std::uint32_t>(kSampleRate));
    u32(static_cast<std::uint32_t>(kSampleRate) * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (float s : samples)
        u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
}

} // namespace
} // namespace kest::tolvane::factory

namespace kest::tolvane::factory {
namespace {

int printChipLevels()
{
    BankRig gm, chip;
    if (!gm.loadFactoryBank() || !chip.loadChipBank())
        return 1;
    std::vector<double> gmLevels;
    for (int program = 0; program < 128; ++program)
        gmLevels.push_back(programLoudnessDb(gm, program));
    std::nth_element(gmLevels.begin(), gmLevels.begin() + 64, gmLevels.end());
    std::printf("gm-median\t%.2f\n", gmLevels[64]);
    for (int program = 0; program < 128; ++program) {
        std::string name(chip.synth().tone(program).presetName, synth::kPresetNameLength);
        name.erase(name.find_last_not_of(' ') + 1);
        std::printf("chip-program\t%d\t%s\t%.2f\n", program, name.c_str(), programLoudnessDb(chip, program));
    }
    return 0;
}

int printChipKit()
{
    constexpr int kSnare = 38;
    BankRig chip;
    if (!chip.loadChipBank())
        return 1;
    chip.setPercussion(kDrumChannel);
    const double snare = strikeKey(chip, kDrumChannel, kSnare).loudnessDb;
    std::printf("snare\t%.2f\n", snare);
    for (int key = 0; key < 128; ++key) {
        const synth::TonePreset& tone = chip.synth().tone(synth::kPercussionToneBase + key);
        if (tone.tl == 127)
            continue;
        const StrikeFigures f = strikeKey(chip, kDrumChannel, key);
        std::printf("chip-kit\t%d\t%.16s\t%+.2f\t%.3f\n", key, tone.presetName, f.loudnessDb - snare, f.decay40Seconds);
    }
    return 0;
}

} // namespace
} // namespace kest::tolvane::factory

int main(int argc, char** argv)
{
    using namespace kest::tolvane;
    using namespace kest::tolvane::factory;
    if (argc > 1 && std::string(argv[1]) == "--chip-levels")
        return printChipLevels();
    if (argc > 1 && std::string(argv[1]) == "--chip-kit")
        return printChipKit();
    BankRig rig;
    if (!rig.loadFactoryBank()) {
        std::fprintf(stderr, "factory bank not found under %s\n", TOLVANE_PRESETS_DIR);
        return 1;
    }
    std::vector<float> audition;
    for (int program = 0; program < 128; ++program) {
        rig.programChange(0, program);
        std::vector<float> sound;
        const auto& tone = rig.synth().tone(program);
        printRow(program, tone, measure(rig, 0, kMiddleC, sound), expectedHz(kMiddleC, tone.tune));
        audition.insert(audition.end(), sound.begin(), sound.begin() + static_cast<long>(sound.size() / 2));
    }
    rig.setPercussion(kDrumChannel);
    for (int key = 0; key < 128; ++key) {
        const auto& tone = rig.synth().tone(synth::kPercussionToneBase + key);
        if (tone.tl == 127)
            continue; // keys without a drum
        std::vector<float> sound;
        printRow(synth::kPercussionToneBase + key, tone, measure(rig, kDrumChannel, key, sound),
                 expectedHz(tone.key, tone.tune));
        audition.insert(audition.end(), sound.begin(), sound.begin() + static_cast<long>(sound.size() / 4));
    }
    std::printf("ten-voice mix (piano triad, bass, two strings, trumpet, kick, snare, crash) peak %.1f dBFS\n",
                toDbfs(playTypicalMix(rig)));
    if (argc > 1)
        writeWav(argv[1], audition);
    return 0;
}
