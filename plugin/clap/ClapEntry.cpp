// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP plug-in's C entry points: clap_entry, its plug-in factory, the
// plug-in's function table and the extensions it offers (audio-ports,
// note-ports, params, state, latency, gui and timer-support). Each function
// only unpacks its arguments for the instance (TolvaneClapPlugin, ClapEditor);
// no exception leaves them (HostBoundary.h).
#include <cstring>
#include <memory>

#include "clap/entry.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/note-ports.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"

#include "ClapIdentity.h"
#include "HostBoundary.h"
#include "TolvaneClapPlugin.h"
#if TOLVANE_CLAP_HAS_EDITOR
#include "ClapEditor.h"
#endif

namespace {

using kest::tolvane::clap::TolvaneClapPlugin;
using kest::tolvane::plugin::guardedCall;
namespace clap = kest::tolvane::clap;
namespace ids = kest::tolvane::plugin::ids;

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_INSTRUMENT, CLAP_PLUGIN_FEATURE_SYNTHESIZER,
                                 CLAP_PLUGIN_FEATURE_SAMPLER, CLAP_PLUGIN_FEATURE_STEREO, nullptr};

const clap_plugin_descriptor_t kDescriptor{
    CLAP_VERSION_INIT,
    clap::kPluginId,
    ids::kProductName,
    ids::kVendor,
    ids::kVendorUrl,
    "",
    "",
    ids::kVersion,
    "A 16-part multitimbral wavetable synthesizer in the manner of a sound chip",
    const_cast<const char**>(kFeatures),
};

// What the host lends, found once in init.
struct HostExtensions {
    const clap_host_params_t* params = nullptr;
    const clap_host_gui_t* gui = nullptr;
    const clap_host_timer_support_t* timers = nullptr;
};

struct Instance {
    explicit Instance(const clap_host_t* h) : host(h) {}

    clap_plugin_t plugin{};
    const clap_host_t* host;
    HostExtensions extensions;
    TolvaneClapPlugin shell;
#if TOLVANE_CLAP_HAS_EDITOR
    std::unique_ptr<clap::ClapEditor> editor;
    clap_id timer = CLAP_INVALID_ID;
    int zoomChoice = 0; // kept from one window to the next
#endif
};

Instance& self(const clap_plugin_t* plugin) { return *static_cast<Instance*>(plugin->plugin_data); }

template <typename Extension> const Extension* hostExtension(const clap_host_t* host, const char* id)
{
    return host && host->get_extension ? static_cast<const Extension*>(host->get_extension(host, id)) : nullptr;
}

// ---- plug-in ----

bool init(const clap_plugin_t* plugin)
{
    return guardedCall(false, [&] {
        Instance& i = self(plugin);
        i.extensions.params = hostExtension<clap_host_params_t>(i.host, CLAP_EXT_PARAMS);
        i.extensions.gui = hostExtension<clap_host_gui_t>(i.host, CLAP_EXT_GUI);
        i.extensions.timers = hostExtension<clap_host_timer_support_t>(i.host, CLAP_EXT_TIMER_SUPPORT);
        return true;
    });
}

void destroyGui(const clap_plugin_t* plugin);

void destroy(const clap_plugin_t* plugin)
{
    guardedCall([&] {
        destroyGui(plugin);
        delete &self(plugin);
    });
}

bool activate(const clap_plugin_t* plugin, double sampleRate, uint32_t, uint32_t maxFrames)
{
    return guardedCall(false, [&] {
        if (!(sampleRate >= 1.0))
            return false;
        self(plugin).shell.activate(sampleRate, maxFrames);
        return true;
    });
}

void deactivate(const clap_plugin_t* plugin)
{
    guardedCall([&] { self(plugin).shell.deactivate(); });
}

bool startProcessing(const clap_plugin_t*) { return true; }

void stopProcessing(const clap_plugin_t* plugin)
{
    guardedCall([&] { self(plugin).shell.stopProcessing(); });
}

void reset(const clap_plugin_t* plugin)
{
    guardedCall([&] { self(plugin).shell.reset(); });
}

clap_process_status process(const clap_plugin_t* plugin, const clap_process_t* process)
{
    return guardedCall(clap_process_status{CLAP_PROCESS_ERROR}, [&] {
        return process ? self(plugin).shell.process(*process) : clap_process_status{CLAP_PROCESS_ERROR};
    });
}

void onMainThread(const clap_plugin_t*) {}

// ---- audio-ports, note-ports, latency ----

uint32_t audioPortCount(const clap_plugin_t*, bool input) { return TolvaneClapPlugin::audioPortCount(input); }

bool audioPortInfo(const clap_plugin_t*, uint32_t index, bool input, clap_audio_port_info_t* info)
{
    return info && TolvaneClapPlugin::audioPortInfo(index, input, *info);
}

uint32_t notePortCount(const clap_plugin_t*, bool input) { return TolvaneClapPlugin::notePortCount(input); }

bool notePortInfo(const clap_plugin_t*, uint32_t index, bool input, clap_note_port_info_t* info)
{
    return info && TolvaneClapPlugin::notePortInfo(index, input, *info);
}

uint32_t latency(const clap_plugin_t*) { return 0; }

// ---- params ----

uint32_t paramCount(const clap_plugin_t*) { return TolvaneClapPlugin::paramCount(); }

bool paramInfo(const clap_plugin_t*, uint32_t index, clap_param_info_t* info)
{
    return info && TolvaneClapPlugin::paramInfo(index, *info);
}

bool paramValue(const clap_plugin_t* plugin, clap_id id, double* value)
{
    return value && self(plugin).shell.paramValue(id, *value);
}

bool paramToText(const clap_plugin_t*, clap_id id, double value, char* text, uint32_t size)
{
    return TolvaneClapPlugin::paramText(id, value, text, size);
}

bool paramFromText(const clap_plugin_t*, clap_id id, const char* text, double* value)
{
    return value && TolvaneClapPlugin::paramFromText(id, text, *value);
}

void paramFlush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t*)
{
    guardedCall([&] { self(plugin).shell.flushParams(in); });
}

// ---- state ----

bool saveState(const clap_plugin_t* plugin, const clap_ostream_t* stream)
{
    return guardedCall(false, [&] { return stream && self(plugin).shell.saveState(*stream); });
}

bool loadState(const clap_plugin_t* plugin, const clap_istream_t* stream)
{
    return guardedCall(false, [&] {
        if (!stream)
            return false;
        Instance& i = self(plugin);
        bool bypassChanged = false;
        const bool loaded = i.shell.loadState(*stream, bypassChanged);
        if (bypassChanged && i.extensions.params && i.extensions.params->rescan)
            i.extensions.params->rescan(i.host, CLAP_PARAM_RESCAN_VALUES);
        return loaded;
    });
}

// ---- gui and timer-support ----

#if TOLVANE_CLAP_HAS_EDITOR

bool guiApiSupported(const clap_plugin_t*, const char* api, bool floating)
{
    return clap::ClapEditor::isApiSupported(api, floating);
}

bool guiPreferredApi(const clap_plugin_t*, const char** api, bool* floating)
{
    if (!api || !floating)
        return false;
    *api = clap::ClapEditor::preferredApi();
    *floating = false;
    return true;
}

// The editor's events and refresh run on the host's timer: a host without
// timer support gets no window.
bool guiCreate(const clap_plugin_t* plugin, const char* api, bool floating)
{
    return guardedCall(false, [&] {
        Instance& i = self(plugin);
        const clap_host_timer_support_t* timers = i.extensions.timers;
        if (i.editor || !clap::ClapEditor::isApiSupported(api, floating) || !timers || !timers->register_timer ||
            !timers->unregister_timer)
            return false;
        auto requestResize = [&i](uint32_t width, uint32_t height) {
            return i.extensions.gui && i.extensions.gui->request_resize &&
                   i.extensions.gui->request_resize(i.host, width, height);
        };
        auto editor = std::make_unique<clap::ClapEditor>(i.shell.engineContext(), i.zoomChoice, requestResize);
        clap_id timer = CLAP_INVALID_ID;
        if (!editor->isValid() || !timers->register_timer(i.host, clap::ClapEditor::kTimerMilliseconds, &timer))
            return false;
        i.editor = std::move(editor);
        i.timer = timer;
        return true;
    });
}

void destroyGui(const clap_plugin_t* plugin)
{
    Instance& i = self(plugin);
    if (!i.editor)
        return;
    if (i.timer != CLAP_INVALID_ID)
        i.extensions.timers->unregister_timer(i.host, i.timer);
    i.timer = CLAP_INVALID_ID;
    i.zoomChoice = i.editor->zoomChoice();
    i.editor.reset();
}

void guiDestroy(const clap_plugin_t* plugin)
{
    guardedCall([&] { destroyGui(plugin); });
}

bool guiSetScale(const clap_plugin_t* plugin, double scale)
{
    return guardedCall(false, [&] { return self(plugin).editor && self(plugin).editor->setScale(scale); });
}

bool guiGetSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height)
{
    return guardedCall(
        false, [&] { return width && height && self(plugin).editor && self(plugin).editor->size(*width, *height); });
}

bool guiCanResize(const clap_plugin_t*) { return true; }

bool guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t* hints)
{
    if (!hints)
        return false;
    uint32_t width = 1, height = 1;
    clap::ClapEditor::adjustSize(width, height);
    *hints = clap_gui_resize_hints_t{true, true, true, width, height};
    return true;
}

bool guiAdjustSize(const clap_plugin_t*, uint32_t* width, uint32_t* height)
{
    if (!width || !height)
        return false;
    clap::ClapEditor::adjustSize(*width, *height);
    return true;
}

bool guiSetSize(const clap_plugin_t* plugin, uint32_t width, uint32_t height)
{
    return guardedCall(false, [&] { return self(plugin).editor && self(plugin).editor->setSize(width, height); });
}

bool guiSetParent(const clap_plugin_t* plugin, const clap_window_t* window)
{
    return guardedCall(false, [&] { return window && self(plugin).editor && self(plugin).editor->setParent(*window); });
}

bool guiSetTransient(const clap_plugin_t*, const clap_window_t*) { return false; }

void guiSuggestTitle(const clap_plugin_t*, const char*) {}

bool guiShow(const clap_plugin_t* plugin)
{
    return guardedCall(false, [&] { return self(plugin).editor && self(plugin).editor->show(); });
}

bool guiHide(const clap_plugin_t* plugin)
{
    return guardedCall(false, [&] { return self(plugin).editor && self(plugin).editor->hide(); });
}

void onTimer(const clap_plugin_t* plugin, clap_id timer)
{
    guardedCall([&] {
        Instance& i = self(plugin);
        if (i.editor && timer == i.timer)
            i.editor->onTimer(i.shell.takeStateLoaded());
    });
}

#else

void destroyGui(const clap_plugin_t*) {}

#endif

const void* getExtension(const clap_plugin_t*, const char* id)
{
    static const clap_plugin_audio_ports_t audioPorts{audioPortCount, audioPortInfo};
    static const clap_plugin_note_ports_t notePorts{notePortCount, notePortInfo};
    static const clap_plugin_latency_t latencyExtension{latency};
    static const clap_plugin_params_t params{paramCount, paramInfo, paramValue, paramToText, paramFromText, paramFlush};
    static const clap_plugin_state_t state{saveState, loadState};
    if (id == nullptr)
        return nullptr;
    const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
    if (is(CLAP_EXT_AUDIO_PORTS))
        return &audioPorts;
    if (is(CLAP_EXT_NOTE_PORTS))
        return &notePorts;
    if (is(CLAP_EXT_LATENCY))
        return &latencyExtension;
    if (is(CLAP_EXT_PARAMS))
        return &params;
    if (is(CLAP_EXT_STATE))
        return &state;
#if TOLVANE_CLAP_HAS_EDITOR
    static const clap_plugin_gui_t gui{guiApiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
                                       guiGetSize,      guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
                                       guiSetParent,    guiSetTransient, guiSuggestTitle, guiShow,       guiHide};
    static const clap_plugin_timer_support_t timerSupport{onTimer};
    if (is(CLAP_EXT_GUI))
        return &gui;
    if (is(CLAP_EXT_TIMER_SUPPORT))
        return &timerSupport;
#endif
    return nullptr;
}

// ---- factory and entry ----

uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
{
    return guardedCall(static_cast<const clap_plugin_t*>(nullptr), [&]() -> const clap_plugin_t* {
        if (!host || !id || std::strcmp(id, clap::kPluginId) != 0 || !clap_version_is_compatible(host->clap_version))
            return nullptr;
        auto* instance = new Instance(host);
        clap_plugin_t& p = instance->plugin;
        p.desc = &kDescriptor;
        p.plugin_data = instance;
        p.init = init;
        p.destroy = destroy;
        p.activate = activate;
        p.deactivate = deactivate;
        p.start_processing = startProcessing;
        p.stop_processing = stopProcessing;
        p.reset = reset;
        p.process = process;
        p.get_extension = getExtension;
        p.on_main_thread = onMainThread;
        return &p;
    });
}

const clap_plugin_factory_t kFactory{pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) { return true; }

void entryDeinit()
{
#if TOLVANE_CLAP_HAS_EDITOR
    guardedCall([] { clap::ClapEditor::stopVstgui(); });
#endif
}

const void* entryFactory(const char* id)
{
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

} // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry{CLAP_VERSION_INIT, entryInit, entryDeinit, entryFactory};
