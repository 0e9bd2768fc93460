// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClapHost.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "clap/ext/audio-ports.h"
#include "clap/ext/latency.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"
#include "clap/ext/timer-support.h"

namespace tolvane_clap_test {

// ---- module ----

ClapModule::ClapModule(const std::string& path)
{
#if defined(_WIN32)
    library_ = LoadLibraryW(std::filesystem::path(path).wstring().c_str());
    if (!library_) {
        error_ = "cannot load " + path;
        return;
    }
    entry_ = reinterpret_cast<const clap_plugin_entry_t*>(GetProcAddress(static_cast<HMODULE>(library_), "clap_entry"));
#else
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        error_ = dlerror();
        return;
    }
    entry_ = static_cast<const clap_plugin_entry_t*>(dlsym(library_, "clap_entry"));
#endif
    if (!entry_) {
        error_ = "no clap_entry in " + path;
        return;
    }
    if (!clap_version_is_compatible(entry_->clap_version) || !entry_->init(path.c_str())) {
        error_ = "clap_entry refused to start";
        entry_ = nullptr;
        return;
    }
    factory_ = static_cast<const clap_plugin_factory_t*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!factory_)
        error_ = "no plug-in factory";
}

ClapModule::~ClapModule()
{
    if (entry_)
        entry_->deinit();
    if (!library_)
        return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library_));
#else
    dlclose(library_);
#endif
}

// ---- events ----

struct EventList::Stored {
    union {
        clap_event_header_t header;
        clap_event_note_t note;
        clap_event_midi_t midi;
        clap_event_midi_sysex_t sysEx;
        clap_event_param_value_t param;
    };
    std::vector<std::uint8_t> bytes; // a SysEx message's own copy
};

EventList::EventList() = default;
EventList::~EventList() = default;

void EventList::clear()
{
    events_.clear();
    order_.clear();
}

void EventList::add(Stored&& event)
{
    events_.push_back(std::make_unique<Stored>(std::move(event)));
    Stored& stored = *events_.back();
    if (stored.header.type == CLAP_EVENT_MIDI_SYSEX)
        stored.sysEx.buffer = stored.bytes.data();
    // Stable: events of one time keep the order they were added in.
    const auto at = std::upper_bound(order_.begin(), order_.end(), stored.header.time,
                                     [](std::uint32_t time, const clap_event_header_t* e) { return time < e->time; });
    order_.insert(at, &stored.header);
}

void EventList::midi(std::uint32_t time, const std::vector<std::uint8_t>& bytes)
{
    Stored e{};
    if (!bytes.empty() && bytes[0] == 0xF0) {
        e.sysEx = clap_event_midi_sysex_t{};
        e.sysEx.header = {sizeof(clap_event_midi_sysex_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI_SYSEX, 0};
        e.bytes = bytes;
        e.sysEx.size = static_cast<std::uint32_t>(bytes.size());
    } else {
        e.midi = clap_event_midi_t{};
        e.midi.header = {sizeof(clap_event_midi_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
        for (std::size_t i = 0; i < bytes.size() && i < 3; ++i)
            e.midi.data[i] = bytes[i];
    }
    add(std::move(e));
}

void EventList::note(std::uint16_t type, std::uint32_t time, int channel, int key, double velocity)
{
    Stored e{};
    e.note = clap_event_note_t{};
    e.note.header = {sizeof(clap_event_note_t), time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    e.note.note_id = -1;
    e.note.port_index = 0;
    e.note.channel = static_cast<std::int16_t>(channel);
    e.note.key = static_cast<std::int16_t>(key);
    e.note.velocity = velocity;
    add(std::move(e));
}

void EventList::param(std::uint32_t time, std::uint32_t id, double value)
{
    Stored e{};
    e.param = clap_event_param_value_t{};
    e.param.header = {sizeof(clap_event_param_value_t), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param.param_id = id;
    e.param.note_id = -1;
    e.param.port_index = -1;
    e.param.channel = -1;
    e.param.key = -1;
    e.param.value = value;
    add(std::move(e));
}

uint32_t EventList::sizeOf(const clap_input_events_t* list)
{
    return static_cast<uint32_t>(static_cast<const EventList*>(list->ctx)->order_.size());
}

const clap_event_header_t* EventList::get(const clap_input_events_t* list, uint32_t index)
{
    const auto& order = static_cast<const EventList*>(list->ctx)->order_;
    return index < order.size() ? order[index] : nullptr;
}

// ---- the host's extensions ----

const void* ClapInstance::hostExtension(const clap_host_t* host, const char* id)
{
    ClapInstance& self = of(host);
    const std::string name(id ? id : "");
    static const clap_host_thread_check_t threadCheck{
        [](const clap_host_t* h) { return std::this_thread::get_id() == of(h).mainThread_ && !of(h).inProcess_; },
        [](const clap_host_t* h) { return of(h).inProcess_; }};
    static const clap_host_timer_support_t timerSupport{
        [](const clap_host_t* h, uint32_t period, clap_id* id) {
            ClapInstance& i = of(h);
            *id = i.nextTimer_++;
            i.timers_.push_back({*id, period});
            return true;
        },
        [](const clap_host_t* h, clap_id id) {
            auto& timers = of(h).timers_;
            const auto found = std::find_if(timers.begin(), timers.end(), [id](const Timer& t) { return t.id == id; });
            if (found == timers.end())
                return false;
            timers.erase(found);
            return true;
        }};
    static const clap_host_gui_t gui{[](const clap_host_t*) {},
                                     [](const clap_host_t* h, uint32_t width, uint32_t height) {
                                         Requests& r = of(h).requests_;
                                         ++r.resizes;
                                         r.lastWidth = width;
                                         r.lastHeight = height;
                                         return true;
                                     },
                                     [](const clap_host_t*) { return true; }, [](const clap_host_t*) { return true; },
                                     [](const clap_host_t*, bool) {}};
    static const clap_host_params_t params{[](const clap_host_t* h, clap_param_rescan_flags flags) {
                                               ++of(h).requests_.paramRescans;
                                               of(h).requests_.lastRescanFlags = flags;
                                           },
                                           [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                           [](const clap_host_t*) {}};
    static const clap_host_state_t state{[](const clap_host_t*) {}};
    static const clap_host_latency_t latency{[](const clap_host_t*) {}};
    static const clap_host_audio_ports_t audioPorts{[](const clap_host_t*, uint32_t) { return false; },
                                                    [](const clap_host_t*, uint32_t) {}};
    static const clap_host_note_ports_t notePorts{
        [](const clap_host_t*) -> uint32_t { return CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP; },
        [](const clap_host_t*, uint32_t) {}};
    if (name == CLAP_EXT_THREAD_CHECK)
        return &threadCheck;
    if (name == CLAP_EXT_TIMER_SUPPORT)
        return self.options_.timerSupport ? &timerSupport : nullptr;
    if (name == CLAP_EXT_GUI)
        return &gui;
    if (name == CLAP_EXT_PARAMS)
        return &params;
    if (name == CLAP_EXT_STATE)
        return &state;
    if (name == CLAP_EXT_LATENCY)
        return &latency;
    if (name == CLAP_EXT_AUDIO_PORTS)
        return &audioPorts;
    if (name == CLAP_EXT_NOTE_PORTS)
        return &notePorts;
    return nullptr;
}

// ---- instance ----

ClapInstance::ClapInstance(const ClapModule& module, const char* pluginId, double sampleRate, int maxFrames,
                           bool activate, HostOptions options)
    : options_(options), sampleRate_(sampleRate), maxFrames_(maxFrames), mainThread_(std::this_thread::get_id()),
      outputs_(kChannels, std::vector<float>(static_cast<std::size_t>(maxFrames))), pointers_(kChannels),
      buffers_(kChannels / 2)
{
    host_.clap_version = CLAP_VERSION;
    host_.host_data = this;
    host_.name = "Tolvane test host";
    host_.vendor = "Kestrawerk";
    host_.url = "";
    host_.version = "1";
    host_.get_extension = &ClapInstance::hostExtension;
    host_.request_restart = [](const clap_host_t*) {};
    host_.request_process = [](const clap_host_t*) {};
    host_.request_callback = [](const clap_host_t* h) { ++of(h).requests_.callbacks; };
    for (int c = 0; c < kChannels; ++c)
        pointers_[static_cast<std::size_t>(c)] = outputs_[static_cast<std::size_t>(c)].data();
    for (std::size_t port = 0; port < buffers_.size(); ++port) {
        buffers_[port] = clap_audio_buffer_t{};
        buffers_[port].data32 = &pointers_[2 * port];
        buffers_[port].channel_count = 2;
    }
    if (!module.valid())
        return;
    plugin_ = module.factory()->create_plugin(module.factory(), &host_, pluginId);
    if (plugin_ && !plugin_->init(plugin_)) {
        plugin_->destroy(plugin_);
        plugin_ = nullptr;
    }
    if (plugin_ && activate)
        this->activate();
}

ClapInstance::~ClapInstance()
{
    if (!plugin_)
        return;
    deactivate();
    plugin_->destroy(plugin_);
}

bool ClapInstance::activate()
{
    if (active_)
        return true;
    active_ = plugin_->activate(plugin_, sampleRate_, 1, static_cast<uint32_t>(maxFrames_));
    if (active_)
        plugin_->start_processing(plugin_);
    return active_;
}

void ClapInstance::deactivate()
{
    if (!active_)
        return;
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    active_ = false;
}

clap_process_status ClapInstance::process(const EventList& events, int frames, std::optional<float> fill,
                                          const clap_event_transport_t* transport)
{
    if (fill)
        for (auto& channel : outputs_)
            std::fill(channel.begin(), channel.end(), *fill);
    clap_process_t process{};
    process.steady_time = -1;
    process.frames_count = static_cast<uint32_t>(frames);
    process.audio_outputs = buffers_.data();
    process.audio_outputs_count = static_cast<uint32_t>(buffers_.size());
    process.in_events = events.list();
    process.transport = transport;
    static const clap_output_events_t noOutput{
        nullptr, [](const clap_output_events_t*, const clap_event_header_t*) { return true; }};
    process.out_events = &noOutput;
    inProcess_ = true;
    const clap_process_status status = plugin_->process(plugin_, &process);
    inProcess_ = false;
    return status;
}

namespace {

struct OutStream {
    std::vector<std::uint8_t> bytes;
    clap_ostream_t stream{this, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                              auto& out = static_cast<OutStream*>(s->ctx)->bytes;
                              // Small writes, as a host's stream may take a part only.
                              const uint64_t taken = std::min<uint64_t>(size, 4096);
                              const auto* p = static_cast<const std::uint8_t*>(data);
                              out.insert(out.end(), p, p + taken);
                              return static_cast<int64_t>(taken);
                          }};
};

struct InStream {
    const std::vector<std::uint8_t>& bytes;
    std::size_t position = 0;
    clap_istream_t stream{
        this, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
            auto& in = *static_cast<InStream*>(s->ctx);
            const std::size_t left = in.bytes.size() - in.position;
            const std::size_t taken = static_cast<std::size_t>(std::min<uint64_t>({size, left, 1000}));
            std::memcpy(data, in.bytes.data() + in.position, taken);
            in.position += taken;
            return static_cast<int64_t>(taken);
        }};
};

} // namespace

std::vector<std::uint8_t> ClapInstance::saveState()
{
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    OutStream out;
    if (!state || !state->save(plugin_, &out.stream))
        return {};
    return out.bytes;
}

bool ClapInstance::loadState(const std::vector<std::uint8_t>& bytes)
{
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    InStream in{bytes};
    return state && state->load(plugin_, &in.stream);
}

void ClapInstance::fireTimers()
{
    const auto* timerSupport = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (!timerSupport)
        return;
    const std::vector<Timer> due = timers_;
    for (const Timer& timer : due)
        timerSupport->on_timer(plugin_, timer.id);
}

} // namespace tolvane_clap_test
