// SPDX-License-Identifier: GPL-3.0-or-later
// The AudioWorklet processor that plays the engine live at the context's rate:
// the page's MIDI arrives through the port between two render quanta and is
// played from the first frame of the next; the 16 parts sum into one stereo
// output. The compiled module comes in processorOptions.module.
import { instantiateEngineSync } from './engine-module.js';

class TolvaneEngineProcessor extends AudioWorkletProcessor {
    constructor(options) {
        super();
        this.engine = instantiateEngineSync(options.processorOptions.module);
        this.load(options.processorOptions.preset ?? null);
        this.port.onmessage = (event) => this.receive(event.data);
    }

    // A new sound: the engine is rebuilt with it, between two quanta.
    load(preset) {
        try {
            this.engine.startLive(sampleRate, preset ? new Uint8Array(preset) : null);
            const modes = Array.from({ length: 16 }, (_, part) => this.engine.partMode(part));
            this.port.postMessage({ type: 'loaded', modes });
        } catch (error) {
            this.port.postMessage({ type: 'error', message: String(error.message ?? error) });
        }
    }

    receive(message) {
        if (message.type === 'midi') {
            if (!this.engine.queueMidi(message.bytes)) this.port.postMessage({ type: 'dropped' });
        } else if (message.type === 'load') {
            this.load(message.preset);
        } else if (message.type === 'ping') {
            // Answered in order after every message sent before it: the caller
            // knows they are all queued for the next quantum.
            this.port.postMessage({ type: 'pong', id: message.id, voices: this.engine.liveVoices });
        }
    }

    process(_inputs, outputs) {
        const output = outputs[0];
        const frames = output[0].length;
        const [left, right] = this.engine.renderLive(frames);
        output[0].set(left);
        if (output.length > 1) output[1].set(right);
        return true;
    }
}

registerProcessor('tolvane-engine', TolvaneEngineProcessor);
