// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's WebAssembly module (tolvane.wasm) as JavaScript objects. The
// module imports only a few WASI calls (a clock and text output) and the
// render's block sink; the same glue runs in the page, the render worker, the
// AudioWorklet and Node.

const ENOSYS = 52;

// WASI as far as the module uses it: the clock, console output, exit. Every
// other call answers "not supported" (the engine opens no files).
function wasiImports(state) {
    const known = {
        clock_time_get(_id, _precision, out) {
            const nanoseconds = BigInt(Math.round((globalThis.performance ? performance.now() : Date.now()) * 1e6));
            new DataView(state.memory.buffer).setBigUint64(out, nanoseconds, true);
            return 0;
        },
        fd_write(fd, iovs, count, written) {
            const view = new DataView(state.memory.buffer);
            let total = 0;
            let text = '';
            for (let i = 0; i < count; ++i) {
                const pointer = view.getUint32(iovs + 8 * i, true);
                const length = view.getUint32(iovs + 8 * i + 4, true);
                text += new TextDecoder().decode(new Uint8Array(state.memory.buffer, pointer, length));
                total += length;
            }
            view.setUint32(written, total, true);
            (fd === 2 ? console.error : console.log)(text.replace(/\n$/, ''));
            return 0;
        },
        proc_exit(code) {
            throw new Error(`the engine stopped (exit ${code})`);
        },
    };
    return new Proxy(known, { get: (target, name) => target[name] ?? (() => ENOSYS) });
}

// The module's exports wrapped for JavaScript callers.
export class Engine {
    constructor(instance, state) {
        this.exports = instance.exports;
        this.state = state;
    }

    get memory() {
        return this.state.memory.buffer;
    }

    // Copies bytes (a Uint8Array) into the module; returns [pointer, size], freed by release.
    copyIn(bytes) {
        if (!bytes || bytes.length === 0) return [0, 0];
        const pointer = this.exports.page_alloc(bytes.length);
        if (!pointer) throw new Error('out of memory');
        new Uint8Array(this.memory, pointer, bytes.length).set(bytes);
        return [pointer, bytes.length];
    }

    release([pointer]) {
        if (pointer) this.exports.page_free(pointer);
    }

    lastError() {
        const pointer = this.exports.page_error();
        const bytes = new Uint8Array(this.memory, pointer);
        return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
    }

    get tailSeconds() {
        return this.exports.page_tail_seconds();
    }

    // Reads the song (a Uint8Array); returns its length in seconds or throws its fault.
    openSong(bytes, sampleRate) {
        const song = this.copyIn(bytes);
        try {
            if (!this.exports.page_song_open(song[0], song[1], sampleRate)) throw new Error(this.lastError());
            return this.exports.page_song_seconds();
        } finally {
            this.release(song);
        }
    }

    // Renders the opened song; onBlock(left, right) sees each block's samples
    // (views into the module, valid during the call) and returns false to stop.
    renderSong({ sampleRate, preset, receiveSysEx }, onBlock) {
        const presetBytes = this.copyIn(preset);
        this.state.onBlock = (left, right, frames) => {
            const l = new Float32Array(this.memory, left, frames);
            const r = new Float32Array(this.memory, right, frames);
            return onBlock(l, r) === false ? 0 : 1;
        };
        try {
            if (!this.exports.page_song_render(sampleRate, presetBytes[0], presetBytes[1], receiveSysEx ? 1 : 0))
                throw new Error(this.lastError());
        } finally {
            this.state.onBlock = null;
            this.release(presetBytes);
        }
    }

    // The live engine at the rate with the preset's sound (null: the factory bank).
    startLive(sampleRate, preset) {
        const presetBytes = this.copyIn(preset);
        try {
            if (!this.exports.page_live_start(sampleRate, presetBytes[0], presetBytes[1]))
                throw new Error(this.lastError());
        } finally {
            this.release(presetBytes);
        }
        this.liveMessage = this.liveMessage ?? this.copyIn(new Uint8Array(256));
        this.liveViews = null; // the new engine has buffers of its own
    }

    // One MIDI message (an array of bytes) for the next quantum; false when it has no room.
    queueMidi(bytes) {
        const [pointer, room] = this.liveMessage;
        if (bytes.length > room) return false;
        new Uint8Array(this.memory, pointer, bytes.length).set(bytes);
        return this.exports.page_live_message(pointer, bytes.length) === 1;
    }

    // Renders frames; returns views of the left and right samples (valid until
    // the next call). The views are kept while the memory and the length stay,
    // so a quantum allocates nothing for the garbage collector.
    renderLive(frames) {
        this.exports.page_live_render(frames);
        const views = this.liveViews;
        if (!views || views[0].buffer !== this.memory || views[0].length !== frames) {
            this.liveViews = [
                new Float32Array(this.memory, this.exports.page_live_left(), frames),
                new Float32Array(this.memory, this.exports.page_live_right(), frames),
            ];
        }
        return this.liveViews;
    }

    get liveVoices() {
        return this.exports.page_live_voices();
    }

    partMode(part) {
        return this.exports.page_live_part_mode(part);
    }
}

function importsFor(state) {
    return {
        wasi_snapshot_preview1: wasiImports(state),
        env: new Proxy(
            {
                page_render_block: (left, right, frames) => (state.onBlock ? state.onBlock(left, right, frames) : 0),
                emscripten_notify_memory_growth: () => {},
            },
            // The C library's system calls (a file's status) fail as on a system without files.
            { get: (target, name) => target[name] ?? (() => -ENOSYS) },
        ),
    };
}

function ready(instance, state) {
    state.memory = instance.exports.memory;
    instance.exports._initialize?.();
    return new Engine(instance, state);
}

// An engine from a compiled WebAssembly.Module, at once (worklets, workers).
export function instantiateEngineSync(module) {
    const state = { memory: null, onBlock: null };
    return ready(new WebAssembly.Instance(module, importsFor(state)), state);
}

export async function instantiateEngine(module) {
    const state = { memory: null, onBlock: null };
    return ready(await WebAssembly.instantiate(module, importsFor(state)), state);
}
