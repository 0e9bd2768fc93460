// SPDX-License-Identifier: GPL-3.0-or-later
#include "LilvHost.h"

#include <cmath>
#include <cstring>

#include "lv2/atom/forge.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/parameters/parameters.h"
#include "lv2/presets/presets.h"
#include "lv2/state/state.h"
#include "lv2/time/time.h"

#include "Lv2Identity.h"

namespace tolvane_lv2_test {

namespace lv2 = kest::tolvane::lv2;

UridMap::UridMap()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->map(uri); };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) {
        return static_cast<UridMap*>(handle)->unmap(urid);
    };
}

LV2_URID UridMap::map(const char* uri)
{
    const auto [it, added] = ids_.try_emplace(uri, static_cast<LV2_URID>(uris_.size() + 1));
    if (added)
        uris_.emplace_back(uri);
    return it->second;
}

const char* UridMap::unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

LilvBundle& LilvBundle::instance()
{
    static LilvBundle bundle;
    return bundle;
}

LilvBundle::LilvBundle() : world_(lilv_world_new())
{
    LilvNode* path = lilv_new_string(world_, TOLVANE_TEST_LV2_PATH);
    lilv_world_set_option(world_, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(world_);
    LilvNode* uri = node(lv2::kPluginUri);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri);
    lilv_node_free(uri);
}

LilvBundle::~LilvBundle() { lilv_world_free(world_); }

const LilvPlugin* LilvBundle::plugin(const char* uri) const
{
    LilvNode* name = node(uri);
    const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), name);
    lilv_node_free(name);
    return found;
}

std::vector<std::pair<std::string, std::string>> LilvBundle::presets() const
{
    std::vector<std::pair<std::string, std::string>> found;
    LilvNode* presetClass = node(LV2_PRESETS__Preset);
    LilvNode* label = node(LILV_NS_RDFS "label");
    LilvNodes* related = lilv_plugin_get_related(plugin_, presetClass);
    LILV_FOREACH(nodes, i, related)
    {
        const LilvNode* preset = lilv_nodes_get(related, i);
        lilv_world_load_resource(world_, preset);
        LilvNodes* labels = lilv_world_find_nodes(world_, preset, label, nullptr);
        const std::string name = labels ? lilv_node_as_string(lilv_nodes_get_first(labels)) : "";
        found.emplace_back(lilv_node_as_uri(preset), name);
        lilv_nodes_free(labels);
    }
    lilv_nodes_free(related);
    lilv_node_free(label);
    lilv_node_free(presetClass);
    return found;
}

PluginInstance::PluginInstance(double sampleRate, int maxBlockLength, const char* pluginUri)
    : maxBlock_(maxBlockLength), sampleRate_(static_cast<float>(sampleRate)), eventBuffer_(64 * 1024 / 8)
{
    LilvBundle& bundle = LilvBundle::instance();
    UridMap& urids = bundle.urids();
    const LilvPlugin* plugin = pluginUri ? bundle.plugin(pluginUri) : bundle.plugin();
    if (!plugin)
        return;
    LilvNode* output = bundle.node(LV2_CORE__OutputPort);
    LilvNode* audio = bundle.node(LV2_CORE__AudioPort);
    outputs_.assign(lilv_plugin_get_num_ports_of_class(plugin, output, audio, nullptr),
                    std::vector<float>(static_cast<std::size_t>(maxBlockLength)));
    lilv_node_free(audio);
    lilv_node_free(output);
    midiEvent_ = urids.map(LV2_MIDI__MidiEvent);
    sequence_ = urids.map(LV2_ATOM__Sequence);
    chunk_ = urids.map(LV2_ATOM__Chunk);
    stateKey_ = urids.map(lv2::kStateKeyUri);

    const LV2_URID intType = urids.map(LV2_ATOM__Int);
    const LV2_URID floatType = urids.map(LV2_ATOM__Float);
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t), intType, &maxBlock_},
        {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_BUF_SIZE__nominalBlockLength), sizeof(std::int32_t), intType,
         &maxBlock_},
        {LV2_OPTIONS_INSTANCE, 0, urids.map(LV2_PARAMETERS__sampleRate), sizeof(float), floatType, &sampleRate_},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, urids.mapFeature()};
    const LV2_Feature unmapFeature{LV2_URID__unmap, urids.unmapFeature()};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature* features[] = {&mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr};
    instance_ = lilv_plugin_instantiate(plugin, sampleRate, features);
    if (!instance_)
        return;
    lilv_instance_connect_port(instance_, lv2::kEventPort, eventBuffer_.data());
    for (int c = 0; c < channels(); ++c)
        lilv_instance_connect_port(instance_, lv2::kFirstOutputPort + static_cast<std::uint32_t>(c),
                                   outputs_[static_cast<std::size_t>(c)].data());
    lilv_instance_activate(instance_);
}

PluginInstance::~PluginInstance()
{
    if (!instance_)
        return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

void PluginInstance::setEvents(const std::vector<MidiAt>& events, const HostTransport* transport)
{
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, LilvBundle::instance().urids().mapFeature());
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(eventBuffer_.data()),
                              eventBuffer_.size() * sizeof(std::uint64_t));
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_sequence_head(&forge, &frame, 0);
    if (transport != nullptr) {
        UridMap& urids = LilvBundle::instance().urids();
        const double bar = std::floor(transport->beat / 4.0);
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, urids.map(LV2_TIME__Position));
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__bar));
        lv2_atom_forge_long(&forge, static_cast<std::int64_t>(bar));
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__barBeat));
        lv2_atom_forge_double(&forge, transport->beat - 4.0 * bar);
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__beatsPerBar));
        lv2_atom_forge_float(&forge, 4.0f);
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__beatUnit));
        lv2_atom_forge_int(&forge, 4);
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_double(&forge, transport->bpm);
        lv2_atom_forge_key(&forge, urids.map(LV2_TIME__speed));
        lv2_atom_forge_float(&forge, transport->rolling ? 1.0f : 0.0f);
        lv2_atom_forge_pop(&forge, &object);
    }
    for (const MidiAt& event : events) {
        lv2_atom_forge_frame_time(&forge, event.frame);
        lv2_atom_forge_atom(&forge, static_cast<std::uint32_t>(event.bytes.size()), midiEvent_);
        lv2_atom_forge_write(&forge, event.bytes.data(), static_cast<std::uint32_t>(event.bytes.size()));
    }
    lv2_atom_forge_pop(&forge, &frame);
}

void PluginInstance::run(int frames) { lilv_instance_run(instance_, static_cast<std::uint32_t>(frames)); }

namespace {

struct StateStore {
    std::vector<std::uint8_t> bytes;
    LV2_URID type = 0;
    LV2_URID key = 0;
};

LV2_State_Status storeProperty(LV2_State_Handle handle, std::uint32_t key, const void* value, std::size_t size,
                               std::uint32_t type, std::uint32_t)
{
    auto& store = *static_cast<StateStore*>(handle);
    store.key = key;
    store.type = type;
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    store.bytes.assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

const void* retrieveProperty(LV2_State_Handle handle, std::uint32_t key, std::size_t* size, std::uint32_t* type,
                             std::uint32_t* flags)
{
    auto& store = *static_cast<StateStore*>(handle);
    if (key != store.key)
        return nullptr;
    *size = store.bytes.size();
    *type = store.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return store.bytes.data();
}

const LV2_State_Interface* stateInterface(LilvInstance* instance)
{
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}

} // namespace

std::vector<std::uint8_t> PluginInstance::saveState()
{
    StateStore store;
    const LV2_State_Interface* state = stateInterface(instance_);
    if (!state ||
        state->save(lilv_instance_get_handle(instance_), storeProperty, &store, LV2_STATE_IS_POD, nullptr) !=
            LV2_STATE_SUCCESS ||
        store.key != stateKey_ || store.type != chunk_)
        return {};
    return store.bytes;
}

bool PluginInstance::restoreState(const std::vector<std::uint8_t>& bytes)
{
    StateStore store{bytes, chunk_, stateKey_};
    const LV2_State_Interface* state = stateInterface(instance_);
    return state && state->restore(lilv_instance_get_handle(instance_), retrieveProperty, &store, 0, nullptr) ==
                        LV2_STATE_SUCCESS;
}

bool PluginInstance::applyPreset(const std::string& uri)
{
    LilvBundle& bundle = LilvBundle::instance();
    LilvNode* node = bundle.node(uri.c_str());
    LilvState* state = lilv_state_new_from_world(bundle.world(), bundle.urids().mapFeature(), node);
    lilv_node_free(node);
    if (!state)
        return false;
    lilv_state_restore(state, instance_, nullptr, nullptr, 0, nullptr);
    lilv_state_free(state);
    return true;
}

} // namespace tolvane_lv2_test
