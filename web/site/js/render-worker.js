// SPDX-License-Identifier: GPL-3.0-or-later
// Renders a Standard MIDI File off the page's thread, as tolvane-render --float
// does, and sends back the left and right samples (transferred, not copied).
// Request: { id, module, song, sampleRate, preset (bytes or null), receiveSysEx }.
// Answers: { id, type: 'progress', frames, expected } now and then, then
// { id, type: 'done', left, right, seconds } or { id, type: 'error', message }.
import { instantiateEngine } from './engine-module.js';

let engine = null;

// The samples gathered in chunks; joined once the render ends.
class Collector {
    constructor() {
        this.chunks = [];
        this.frames = 0;
        this.current = null;
        this.used = 0;
    }
    add(left, right) {
        let done = 0;
        while (done < left.length) {
            if (!this.current || this.used === this.current[0].length) {
                this.current = [new Float32Array(1 << 16), new Float32Array(1 << 16)];
                this.chunks.push(this.current);
                this.used = 0;
            }
            const n = Math.min(left.length - done, this.current[0].length - this.used);
            this.current[0].set(left.subarray(done, done + n), this.used);
            this.current[1].set(right.subarray(done, done + n), this.used);
            this.used += n;
            done += n;
        }
        this.frames += left.length;
    }
    join(side) {
        const out = new Float32Array(this.frames);
        let at = 0;
        for (const chunk of this.chunks) {
            const n = Math.min(chunk[side].length, this.frames - at);
            out.set(chunk[side].subarray(0, n), at);
            at += n;
        }
        return out;
    }
}

async function render({ id, module, song, sampleRate, preset, receiveSysEx }) {
    engine = engine ?? (await instantiateEngine(module));
    const seconds = engine.openSong(new Uint8Array(song), sampleRate);
    const expected = Math.round((seconds + engine.tailSeconds) * sampleRate);
    const collector = new Collector();
    let reported = 0;
    engine.renderSong({ sampleRate, preset: preset ? new Uint8Array(preset) : null, receiveSysEx }, (left, right) => {
        collector.add(left, right);
        if (collector.frames - reported >= sampleRate) {
            reported = collector.frames;
            postMessage({ id, type: 'progress', frames: reported, expected });
        }
        return true;
    });
    const left = collector.join(0);
    const right = collector.join(1);
    postMessage({ id, type: 'done', left, right, seconds }, [left.buffer, right.buffer]);
}

onmessage = async (event) => {
    try {
        await render(event.data);
    } catch (error) {
        postMessage({ id: event.data.id, type: 'error', message: String(error.message ?? error) });
    }
};
