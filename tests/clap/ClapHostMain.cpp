// SPDX-License-Identifier: GPL-3.0-or-later
// tolvane_clap_host: the project's CLAP host as a program, built for Linux
// and Windows (run under Wine), for what a test program cannot do in-process.
//
//   tolvane_clap_host render FILE.clap SONG.mid [--block N] [--seconds S] [--clap-notes]
//       plays the song through the plug-in from the factory bank's state and,
//       separately, through the renderer's engine driver, and prints a hash of
//       each render's 32 channels: "clap <hash>" and "renderer <hash>".
//   tolvane_clap_host editor FILE.clap [--cycles N] [--hold-ms MS]
//       opens the plug-in's window through the gui extension in a window of
//       its own N times, each for MS milliseconds of the host's timer, and
//       closes it again; prints the editor's size and window, what was left
//       after each close and the heap in use (Linux: X11; Windows: Win32).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ByteStream.h"
#include "ClapHost.h"
#include "ClapIdentity.h"
#include "ClapSongs.h"
#include "EngineContext.h"
#include "MidiEvent.h"
#include "SongRenderer.h"
#include "SoundDataLoader.h"

#include "clap/ext/gui.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <malloc.h>
#include <xcb/xcb.h>
#endif

namespace {

using namespace tolvane_clap_test;
namespace tools = kest::tolvane::tools;
namespace plugin = kest::tolvane::plugin;
namespace tv = kest::tolvane;

constexpr int kRate = tolvane_test::kSongRate;

struct Options {
    std::string mode, file, song;
    int block = 512;
    double seconds = 12.0;
    bool clapNotes = false;
    int cycles = 1;
    int holdMs = 1000;
};

// FNV-1a over the bits of every sample, channel after channel.
struct Hash {
    std::uint64_t value = 0xcbf29ce484222325ull;
    void add(const float* samples, std::size_t count)
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        for (std::size_t i = 0; i < count * sizeof(float); ++i)
            value = (value ^ bytes[i]) * 0x100000001b3ull;
    }
};
using tolvane_test::Channels;

std::uint64_t hashOf(const Channels& channels)
{
    Hash hash;
    for (const auto& channel : channels)
        hash.add(channel.data(), channel.size());
    return hash.value;
}

std::vector<std::uint8_t> factoryBankState()
{
    plugin::EngineContext context;
    tools::LoadFailure failure;
    if (!tools::loadSoundData(context, tools::SoundDataOptions{}, failure))
        return {};
    context.synth->receiveSysEx = true;
    plugin::MemoryByteWriter writer;
    context.writeState(writer);
    return writer.bytes;
}

Channels renderWithRenderer(const tools::MidiSong& song, const Options& options, std::int64_t frames,
                            const std::vector<std::uint8_t>& state)
{
    struct Capture : tools::BlockSink {
        explicit Capture(std::int64_t limit) : limit(limit), out(32) {}
        bool consume(const float* const* outputs, int count) override
        {
            for (std::size_t c = 0; c < out.size(); ++c)
                out[c].insert(out[c].end(), outputs[c], outputs[c] + count);
            return static_cast<std::int64_t>(out[0].size()) < limit;
        }
        std::int64_t limit;
        Channels out;
    } capture(frames);
    tools::SongRenderer renderer({.sampleRate = kRate, .blockSize = options.block, .receiveUniversalSysEx = false});
    plugin::MemoryByteReader reader(state);
    renderer.context().readState(reader);
    renderer.applySwitches();
    renderer.render(song, double(frames) / kRate, capture);
    for (auto& channel : capture.out)
        channel.resize(static_cast<std::size_t>(frames), 0.0f);
    return capture.out;
}

int render(const Options& options)
{
    std::ifstream file(options.song, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    auto read = tools::readMidiFile(bytes);
    if (!read.song) {
        std::fprintf(stderr, "tolvane_clap_host: %s: %s\n", options.song.c_str(), read.error.c_str());
        return 1;
    }
    const std::vector<std::uint8_t> state = factoryBankState();
    const auto frames = static_cast<std::int64_t>(options.seconds * kRate);
    ClapModule module(options.file);
    ClapInstance plugin(module, kest::tolvane::clap::kPluginId, kRate, options.block);
    if (!plugin.valid() || !plugin.loadState(state)) {
        std::fprintf(stderr, "tolvane_clap_host: %s: %s\n", options.file.c_str(),
                     module.valid() ? "the plug-in was not created or refused the state" : module.error().c_str());
        return 1;
    }
    const Channels clap = renderWithClap(plugin, *read.song, options.block, frames,
                                         options.clapNotes ? Dialect::ClapNotes : Dialect::Midi)
                              .channels;
    const Channels reference = renderWithRenderer(*read.song, options, frames, state);
    double energy = 0.0;
    for (const auto& channel : clap)
        for (float s : channel)
            energy += double(s) * s;
    std::printf("clap %016llx\nrenderer %016llx\nframes %lld, energy %.3f\n",
                static_cast<unsigned long long>(hashOf(clap)), static_cast<unsigned long long>(hashOf(reference)),
                static_cast<long long>(frames), energy);
    return 0;
}

// ---- editor ----

#if defined(_WIN32)

struct HostWindow {
    HWND window = nullptr;
    bool create(int width, int height)
    {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TolvaneClapHost";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"TolvaneClapHost", L"CLAP host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width,
                                 height, nullptr, nullptr, windowClass.hInstance, nullptr);
        return window != nullptr;
    }
    clap_window_t clapWindow() const { return clap_window_t{CLAP_WINDOW_API_WIN32, {window}}; }
    void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    int children() const
    {
        int count = 0;
        EnumChildWindows(
            window, [](HWND, LPARAM counter) -> BOOL { return ++*reinterpret_cast<int*>(counter), TRUE; },
            reinterpret_cast<LPARAM>(&count));
        return count;
    }
    std::string childName() const { return "(Win32)"; }
    std::string childSize() const
    {
        HWND child = GetWindow(window, GW_CHILD);
        RECT rect{};
        if (!child || !GetClientRect(child, &rect))
            return "none";
        return std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
    }
    static long long heapInUse() { return -1; }
};

#else

struct HostWindow {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    ~HostWindow()
    {
        if (connection)
            xcb_disconnect(connection);
    }
    bool create(int width, int height)
    {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            return false;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        window = xcb_generate_id(connection);
        const std::uint32_t values[] = {screen->white_pixel};
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
        const char title[] = "CLAP host";
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            sizeof(title) - 1, title);
        xcb_map_window(connection, window);
        xcb_flush(connection);
        return true;
    }
    clap_window_t clapWindow() const
    {
        clap_window_t w{};
        w.api = CLAP_WINDOW_API_X11;
        w.x11 = window;
        return w;
    }
    void pump()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
            std::free(event);
    }
    std::vector<xcb_window_t> childWindows() const
    {
        std::vector<xcb_window_t> found;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            found.assign(children, children + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return found;
    }
    int children() const { return static_cast<int>(childWindows().size()); }
    std::string childName() const
    {
        const auto windows = childWindows();
        char text[32];
        std::snprintf(text, sizeof(text), "0x%x", windows.empty() ? 0u : windows.front());
        return text;
    }
    std::string childSize() const
    {
        const auto windows = childWindows();
        if (windows.empty())
            return "none";
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, windows.front()), nullptr);
        if (!geometry)
            return "none";
        const std::string size = std::to_string(geometry->width) + "x" + std::to_string(geometry->height);
        std::free(geometry);
        return size;
    }
    static long long heapInUse()
    {
        const struct mallinfo2 info = mallinfo2();
        return static_cast<long long>(info.uordblks + info.hblkhd);
    }
};

#endif

// One window's life: created, embedded, shown, driven by the host's timer, closed.
bool editorCycle(const ClapModule& module, HostWindow& host, int cycle, int holdMs)
{
    ClapInstance plugin(module, kest::tolvane::clap::kPluginId, kRate, 512);
    const auto* gui = plugin.valid() ? plugin.extension<clap_plugin_gui_t>(CLAP_EXT_GUI) : nullptr;
    if (!gui) {
        std::printf("cycle %d: no gui extension\n", cycle);
        return false;
    }
    const clap_window_t parent = host.clapWindow();
    if (!gui->is_api_supported(plugin.plugin(), parent.api, false) ||
        !gui->create(plugin.plugin(), parent.api, false)) {
        std::printf("cycle %d: create failed\n", cycle);
        return false;
    }
    gui->set_scale(plugin.plugin(), 1.0);
    std::uint32_t width = 0, height = 0;
    gui->get_size(plugin.plugin(), &width, &height);
    const bool shown = gui->set_parent(plugin.plugin(), &parent) && gui->show(plugin.plugin());
    const std::size_t timers = plugin.timers().size();
    std::printf("cycle %d: editor %ux%u, window %s, %zu timer(s)\n", cycle, width, height, host.childName().c_str(),
                timers);
    std::fflush(stdout);
    const auto period = std::chrono::milliseconds(plugin.timers().empty() ? 16 : plugin.timers().front().periodMs);
    const auto runFor = [&](int milliseconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            host.pump();
            plugin.fireTimers();
            std::this_thread::sleep_for(period);
        }
    };
    runFor(holdMs);
    // The host resizes the window to the 200 % step and back.
    bool resized = true;
    for (const auto& [w, h] : {std::pair<std::uint32_t, std::uint32_t>{1056, 1408}, {528, 704}}) {
        std::uint32_t nowWidth = 0, nowHeight = 0;
        resized = gui->set_size(plugin.plugin(), w, h) && gui->get_size(plugin.plugin(), &nowWidth, &nowHeight) &&
                  nowWidth == w && nowHeight == h && resized;
        runFor(100);
        std::printf("cycle %d: resized to %ux%u, window %s\n", cycle, nowWidth, nowHeight, host.childSize().c_str());
    }
    gui->hide(plugin.plugin());
    gui->destroy(plugin.plugin());
    // The editor's window belongs to its own X connection, which the server
    // closes in its own time: wait a little for it to go.
    int left = host.children();
    for (int wait = 0; wait < 100 && left > 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        host.pump();
        left = host.children();
    }
    const std::size_t timersLeft = plugin.timers().size();
    std::printf("cycle %d: closed, %d window(s) and %zu timer(s) left\n", cycle, left, timersLeft);
    return shown && resized && timers == 1 && left == 0 && timersLeft == 0;
}

int editor(const Options& options)
{
    const ClapModule module(options.file);
    if (!module.valid()) {
        std::fprintf(stderr, "tolvane_clap_host: %s: %s\n", options.file.c_str(), module.error().c_str());
        return 1;
    }
    HostWindow host;
    if (!host.create(1100, 1450)) {
        std::fprintf(stderr, "tolvane_clap_host: no window\n");
        return 1;
    }
    bool ok = true;
    long long heapAfterSecond = -1, heapAfterLast = -1;
    for (int cycle = 1; cycle <= options.cycles; ++cycle) {
        ok = editorCycle(module, host, cycle, options.holdMs) && ok;
        if (cycle == 2)
            heapAfterSecond = HostWindow::heapInUse();
        heapAfterLast = HostWindow::heapInUse();
    }
    if (options.cycles >= 3 && heapAfterSecond >= 0)
        std::printf("heap in use: %lld bytes after cycle 2, %lld after cycle %d (%+lld)\n", heapAfterSecond,
                    heapAfterLast, options.cycles, heapAfterLast - heapAfterSecond);
    std::printf("%s\n", ok ? "editor cycles passed" : "editor cycles FAILED");
    return ok ? 0 : 1;
}

bool parse(int argc, char** argv, Options& options)
{
    if (argc < 3)
        return false;
    options.mode = argv[1];
    options.file = argv[2];
    int i = 3;
    if (options.mode == "render") {
        if (argc < 4)
            return false;
        options.song = argv[3];
        i = 4;
    } else if (options.mode != "editor") {
        return false;
    }
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--block" && hasValue)
            options.block = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--seconds" && hasValue)
            options.seconds = std::atof(argv[++i]);
        else if (arg == "--clap-notes")
            options.clapNotes = true;
        else if (arg == "--cycles" && hasValue)
            options.cycles = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--hold-ms" && hasValue)
            options.holdMs = std::max(0, std::atoi(argv[++i]));
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: tolvane_clap_host render FILE.clap SONG.mid [--block N] [--seconds S] [--clap-notes]\n"
                     "       tolvane_clap_host editor FILE.clap [--cycles N] [--hold-ms MS]\n");
        return 2;
    }
    return options.mode == "render" ? render(options) : editor(options);
}
