// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongLevels.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "FactoryBank.h"
#include "SongRenderer.h"

namespace kest::tolvane::factory {
namespace {

constexpr int kRate = 44100;
constexpr int kWindowFrames = kRate / 10;
constexpr double kDefaultTailSeconds = 2.0;
constexpr double kQuietWindowPower = 1e-7; // -70 dBFS

double toDb(double power) { return 10.0 * std::log10(std::max(power, 1e-20)); }

// Adds stereo frames to one level, window by window.
class LevelMeter {
public:
    explicit LevelMeter(Level& level) : level_(level) {}

    void add(float left, float right)
    {
        level_.peak = std::max({level_.peak, std::fabs(left), std::fabs(right)});
        windowPower_ += 0.5 * (static_cast<double>(left) * left + static_cast<double>(right) * right);
        if (++windowFrames_ == kWindowFrames)
            close();
    }

    void close()
    {
        if (windowFrames_ == 0)
            return;
        const double mean = windowPower_ / windowFrames_;
        if (mean > kQuietWindowPower) {
            level_.powerSum += mean;
            ++level_.windows;
        }
        windowPower_ = 0.0;
        windowFrames_ = 0;
    }

private:
    Level& level_;
    double windowPower_ = 0.0;
    int windowFrames_ = 0;
};

class MeasuringSink : public tools::BlockSink {
public:
    explicit MeasuringSink(SongLevels& levels) : levels_(levels), mix_(levels.mix), instruments_(levels.instruments)
    {
        for (auto& part : levels.parts)
            parts_.emplace_back(part);
    }

    bool consume(const float* const* outputs, int frames) override
    {
        for (int n = 0; n < frames; ++n) {
            float mixL = 0.0f, mixR = 0.0f, instL = 0.0f, instR = 0.0f;
            for (int p = 0; p < kPartCount; ++p) {
                const float l = outputs[2 * p][n];
                const float r = outputs[2 * p + 1][n];
                parts_[static_cast<std::size_t>(p)].add(l, r);
                mixL += l;
                mixR += r;
                if (p != tools::kFactoryDrumPart) {
                    instL += l;
                    instR += r;
                }
            }
            levels_.clippedSamples += (std::fabs(mixL) > 1.0f) + (std::fabs(mixR) > 1.0f);
            mix_.add(mixL, mixR);
            instruments_.add(instL, instR);
        }
        return true;
    }

    void close()
    {
        mix_.close();
        instruments_.close();
        for (auto& part : parts_)
            part.close();
        levels_.drums = levels_.parts[tools::kFactoryDrumPart];
    }

private:
    SongLevels& levels_;
    LevelMeter mix_, instruments_;
    std::vector<LevelMeter> parts_;
};

} // namespace

double Level::peakDb() const { return 20.0 * std::log10(std::max(static_cast<double>(peak), 1e-10)); }

double Level::rmsDb() const { return windows > 0 ? toDb(powerSum / static_cast<double>(windows)) : -200.0; }

SongLevels measureSong(const tools::MidiSong& song, bool receiveSysEx)
{
    tools::EngineSettings settings;
    settings.sampleRate = kRate;
    settings.receiveSysEx = receiveSysEx;
    tools::SongRenderer renderer(settings);
    tools::loadFactoryBank(renderer.context());
    // Routing changes where a part's sound goes, not how loud it is: the
    // renderer's mix is the sum of all pairs either way.
    for (int p = 0; p < kPartCount; ++p)
        renderer.engine().setPartOutput(p, p);
    SongLevels levels;
    MeasuringSink sink(levels);
    const tools::RenderStats stats = renderer.render(song, kDefaultTailSeconds, sink);
    sink.close();
    levels.seconds = static_cast<double>(stats.frames) / kRate;
    return levels;
}

} // namespace kest::tolvane::factory
