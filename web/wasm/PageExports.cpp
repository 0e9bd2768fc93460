// SPDX-License-Identifier: GPL-3.0-or-later
// The module's face to the page's JavaScript (web/site/js/engine-module.js):
// plain C functions over numbers and pointers into the module's memory, and
// one function the page provides, which receives the blocks of a song render.
// One module instance holds one song render and one live engine.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <string>

#include "PageLive.h"
#include "PageSongRender.h"

using kest::tolvane::web::PageLive;
using kest::tolvane::web::PageRenderRequest;
using kest::tolvane::web::PageSongRender;

// Imported from the page (declared to the linker in PageImports.js): takes a
// block of the render's left and right samples; nonzero goes on, zero stops.
extern "C" int page_render_block(const float* left, const float* right, int frames);

namespace {

std::string lastError;
PageSongRender songRender;
PageLive* live = nullptr;

std::span<const std::uint8_t> bytesAt(const std::uint8_t* data, int size)
{
    return data && size > 0 ? std::span(data, static_cast<std::size_t>(size)) : std::span<const std::uint8_t>();
}

// Runs a step that may run out of memory; false with lastError set.
template <typename Step> bool guarded(Step step)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        lastError = "out of memory";
    }
    return false;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void* page_alloc(int size)
{
    return size > 0 ? std::malloc(static_cast<std::size_t>(size)) : nullptr;
}
EMSCRIPTEN_KEEPALIVE void page_free(void* pointer) { std::free(pointer); }
EMSCRIPTEN_KEEPALIVE const char* page_error() { return lastError.c_str(); }

EMSCRIPTEN_KEEPALIVE double page_tail_seconds() { return PageSongRender::tailSeconds(); }
EMSCRIPTEN_KEEPALIVE double page_max_frames() { return static_cast<double>(PageSongRender::kMaxFrames); }

// 1 when the bytes are a song the page can render at the rate; 0 with page_error() set.
EMSCRIPTEN_KEEPALIVE int page_song_open(const std::uint8_t* midi, int size, int sampleRate)
{
    return guarded([&] { return songRender.open(bytesAt(midi, size), sampleRate, lastError); });
}

EMSCRIPTEN_KEEPALIVE double page_song_seconds() { return songRender.songSeconds(); }

// Renders the opened song, each block through page_render_block; 1 when done,
// 0 with page_error() set (to "stopped" when the page stopped it).
EMSCRIPTEN_KEEPALIVE int page_song_render(int sampleRate, const std::uint8_t* preset, int presetSize, int receiveSysEx)
{
    return guarded([&] {
        const PageRenderRequest request{sampleRate, bytesAt(preset, presetSize), receiveSysEx != 0};
        return songRender.render(
            request,
            [](const float* left, const float* right, int frames) {
                return page_render_block(left, right, frames) != 0;
            },
            lastError);
    });
}

// 1 when the live engine now plays the preset's sound (none: the factory bank) at the rate.
EMSCRIPTEN_KEEPALIVE int page_live_start(int sampleRate, const std::uint8_t* preset, int presetSize)
{
    return guarded([&] {
        if (!live)
            live = new PageLive();
        return live->start(sampleRate, bytesAt(preset, presetSize), lastError);
    });
}

EMSCRIPTEN_KEEPALIVE int page_live_message(const std::uint8_t* bytes, int size)
{
    return live && live->queueMessage(bytesAt(bytes, size)) ? 1 : 0;
}

// Renders frames (at most PageLive::kMaxFrames) into page_live_left() and page_live_right().
EMSCRIPTEN_KEEPALIVE void page_live_render(int frames)
{
    if (live)
        live->render(frames);
}
EMSCRIPTEN_KEEPALIVE const float* page_live_left() { return live ? live->left() : nullptr; }
EMSCRIPTEN_KEEPALIVE const float* page_live_right() { return live ? live->right() : nullptr; }
EMSCRIPTEN_KEEPALIVE int page_live_voices() { return live ? live->activeVoices() : 0; }
EMSCRIPTEN_KEEPALIVE int page_live_part_mode(int part) { return live ? live->partMode(part) : 0; }

} // extern "C"
