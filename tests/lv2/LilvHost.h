// SPDX-License-Identifier: GPL-3.0-or-later
// A small LV2 host on lilv that loads the built bundle as hosts do: from its
// description files, found on an LV2 path that holds LV2's vocabulary bundles
// and ours alone (nothing else installed on the machine), instantiating
// the module lilv names, with
// the features a real-time host lends. Runs blocks of raw MIDI, saves and
// restores state through the state interface and applies presets as lilv
// reads them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <lilv/lilv.h>

#include "lv2/urid/urid.h"

namespace tolvane_lv2_test {

// Interns URIs for the plug-in (urid:map and urid:unmap).
class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid) const;
    LV2_URID_Map* mapFeature() { return &map_; }
    LV2_URID_Unmap* unmapFeature() { return &unmap_; }

private:
    std::unordered_map<std::string, LV2_URID> ids_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_{};
    LV2_URID_Unmap unmap_{};
};

// The world on that path, loaded once per test program.
class LilvBundle {
public:
    static LilvBundle& instance();
    ~LilvBundle();

    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin() const { return plugin_; } // null when the bundle does not describe it
    // Either of the bundle's plug-ins, by URI (null when not described).
    const LilvPlugin* plugin(const char* uri) const;
    UridMap& urids() { return urids_; }
    LilvNode* node(const char* uri) const { return lilv_new_uri(world_, uri); }
    // The presets the bundle lists for the plug-in: URI and label.
    std::vector<std::pair<std::string, std::string>> presets() const;

private:
    LilvBundle();
    LilvWorld* world_ = nullptr;
    const LilvPlugin* plugin_ = nullptr;
    UridMap urids_;
};

struct MidiAt {
    int frame = 0;
    std::vector<std::uint8_t> bytes; // one complete message
};

// The host's transport at a block's first frame, sent as a time:Position.
struct HostTransport {
    double bpm = 120.0;
    double beat = 0.0; // quarter notes from the song's start, in 4/4
    bool rolling = true;
};

class PluginInstance {
public:
    static constexpr int kChannels = 32;

    // The plug-in with the 16 output pairs, or the one the URI names.
    PluginInstance(double sampleRate, int maxBlockLength, const char* pluginUri = nullptr);
    ~PluginInstance();
    bool valid() const { return instance_ != nullptr; }
    LilvInstance* lilvInstance() const { return instance_; }

    // The next block's events into the MIDI port (the host's work, done before
    // run), after the transport at frame 0 when there is one.
    void setEvents(const std::vector<MidiAt>& events, const HostTransport* transport = nullptr);
    // One block; the outputs (32, or the stereo plug-in's 2) are then in output(channel).
    void run(int frames);
    int channels() const { return static_cast<int>(outputs_.size()); }
    const float* output(int channel) const { return outputs_[static_cast<std::size_t>(channel)].data(); }

    std::vector<std::uint8_t> saveState();
    bool restoreState(const std::vector<std::uint8_t>& bytes);
    // As hosts load a preset: lilv reads it from the bundle and restores it.
    bool applyPreset(const std::string& uri);

private:
    std::int32_t maxBlock_;
    float sampleRate_;
    LilvInstance* instance_ = nullptr;
    std::vector<std::uint64_t> eventBuffer_; // 8-byte aligned atom sequence
    std::vector<std::vector<float>> outputs_;
    LV2_URID midiEvent_ = 0;
    LV2_URID sequence_ = 0;
    LV2_URID chunk_ = 0;
    LV2_URID stateKey_ = 0;
};

} // namespace tolvane_lv2_test
