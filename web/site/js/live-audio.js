// SPDX-License-Identifier: GPL-3.0-or-later
// The page's live sound: one AudioContext at the device's rate, the engine's
// AudioWorklet node in it, and two analysers for the level meter. Started by
// the first note (browsers let audio start only from a user's gesture);
// MIDI sent before it is ready waits and then plays.
import { createEngineNode } from './tolvane-api.js';

export class LiveAudio {
    constructor() {
        this.context = null;
        this.node = null;
        this.analysers = [];
        this.preset = null; // bytes of the sound the engine plays; null: the factory bank
        this.waiting = [];
        this.starting = null;
        this.onLoaded = null; // (modes) after each sound change
        this.onProblem = null; // (message)
    }

    audioContext() {
        this.context = this.context ?? new AudioContext({ latencyHint: 'interactive' });
        return this.context;
    }

    start() {
        this.starting =
            this.starting ??
            (async () => {
                const context = this.audioContext();
                const node = await createEngineNode(context, { preset: this.preset?.slice().buffer ?? null });
                node.port.onmessage = ({ data }) => this.receive(data);
                const splitter = context.createChannelSplitter(2);
                node.connect(context.destination);
                node.connect(splitter);
                this.analysers = [0, 1].map((channel) => {
                    const analyser = context.createAnalyser();
                    analyser.fftSize = 1024;
                    splitter.connect(analyser, channel);
                    return analyser;
                });
                this.node = node;
                for (const bytes of this.waiting.splice(0)) this.send(bytes);
            })();
        this.context?.resume();
        return this.starting;
    }

    receive(data) {
        if (data.type === 'loaded') this.onLoaded?.(data.modes);
        else if (data.type === 'error') this.onProblem?.(data.message);
        else if (data.type === 'dropped') this.onProblem?.('MIDI came faster than the engine took it; some was dropped');
    }

    // The engine plays this sound from now on (bytes of a .vstpreset, or null).
    setPreset(bytes) {
        this.preset = bytes;
        this.node?.port.postMessage({ type: 'load', preset: bytes?.slice().buffer ?? null });
    }

    // One MIDI message as bytes; starts the sound if it is not running.
    send(bytes) {
        if (!this.node) {
            this.waiting.push(Array.from(bytes));
            this.start().catch((error) => this.onProblem?.(String(error.message ?? error)));
            return;
        }
        this.node.port.postMessage({ type: 'midi', bytes: Array.from(bytes) });
    }

    // The peak of each channel over the analysers' last window (0 when silent).
    levels() {
        const data = new Float32Array(1024);
        return this.analysers.map((analyser) => {
            analyser.getFloatTimeDomainData(data);
            let peak = 0;
            for (const s of data) peak = Math.max(peak, Math.abs(s));
            return peak;
        });
    }
}
