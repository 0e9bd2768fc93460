// SPDX-License-Identifier: GPL-3.0-or-later
// window.tolvane: the engine for pages and scripts that embed it (the manual's
// section "The web page" documents it). Songs render in a Web Worker, live
// notes play through an AudioWorklet; both run the same module.

const here = new URL('.', import.meta.url);
const siteRoot = new URL('..', here);

let compiled = null;
// The module, compiled once and handed to every worker and worklet.
export function engineModule() {
    compiled = compiled ?? WebAssembly.compileStreaming(fetch(new URL('tolvane.wasm', siteRoot)));
    return compiled;
}

async function fetchBytes(url) {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`${url}: ${response.status} ${response.statusText}`);
    return new Uint8Array(await response.arrayBuffer());
}

// ---- Rendering ----

let worker = null;
let nextRequest = 1;
const pending = new Map();

function renderWorker() {
    if (!worker) {
        worker = new Worker(new URL('render-worker.js', here), { type: 'module' });
        worker.onmessage = ({ data }) => {
            const request = pending.get(data.id);
            if (!request) return;
            if (data.type === 'progress') {
                request.onProgress?.(data.frames, data.expected);
                return;
            }
            pending.delete(data.id);
            if (data.type === 'done') request.resolve({ left: data.left, right: data.right });
            else request.reject(new Error(data.message));
        };
        worker.onerror = (event) => failAll(new Error(event.message || 'the render worker failed'));
    }
    return worker;
}

function failAll(error) {
    for (const request of pending.values()) request.reject(error);
    pending.clear();
    worker?.terminate();
    worker = null;
}

// Renders a Standard MIDI File (a Uint8Array) as `tolvane-render --float` does
// at the rate, with the factory bank or a .vstpreset (a URL, or its bytes);
// resolves to { left, right } Float32Arrays. Options beyond the renderer's
// defaults: receiveSysEx (as --receive-sysex) and onProgress(frames, expected).
export async function renderMidi(bytes, { sampleRate = 44100, preset = null, receiveSysEx = false, onProgress } = {}) {
    if (!(bytes instanceof Uint8Array)) throw new TypeError('renderMidi takes the song as a Uint8Array');
    const module = await engineModule();
    const presetBytes = typeof preset === 'string' || preset instanceof URL ? await fetchBytes(preset) : preset;
    const id = nextRequest++;
    return new Promise((resolve, reject) => {
        pending.set(id, { resolve, reject, onProgress });
        const song = bytes.slice().buffer;
        renderWorker().postMessage({ id, module, song, sampleRate, preset: presetBytes, receiveSysEx });
    });
}

// Stops every render under way; their promises reject.
export function cancelRenders() {
    failAll(new Error('stopped'));
}

// ---- Playing ----

// An AudioWorkletNode playing the engine in any context (an OfflineAudioContext
// too), with the factory bank or a preset's bytes; resolves once the sound is
// loaded. node.port takes { type: 'midi', bytes } and { type: 'load', preset }.
export async function createEngineNode(context, { preset = null } = {}) {
    const [module] = await Promise.all([engineModule(), context.audioWorklet.addModule(new URL('engine-worklet.js', here))]);
    const node = new AudioWorkletNode(context, 'tolvane-engine', {
        numberOfInputs: 0,
        numberOfOutputs: 1,
        outputChannelCount: [2],
        processorOptions: { module, preset },
    });
    await new Promise((resolve, reject) => {
        node.port.onmessage = ({ data }) => {
            if (data.type === 'loaded') resolve(data.modes);
            else if (data.type === 'error') reject(new Error(data.message));
        };
    });
    return node;
}

// Resolves once the node has queued every message sent to it before.
export function settled(node) {
    return new Promise((resolve) => {
        const id = Math.random();
        const previous = node.port.onmessage;
        node.port.onmessage = (event) => {
            if (event.data.type === 'pong' && event.data.id === id) {
                node.port.onmessage = previous;
                resolve(event.data);
            } else previous?.(event);
        };
        node.port.postMessage({ type: 'ping', id });
    });
}
