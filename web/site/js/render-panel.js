// SPDX-License-Identifier: GPL-3.0-or-later
// Render a MIDI file: drop or pick one, it renders in the worker with a
// progress bar; the result is drawn (waveform, spectrogram), plays, and
// downloads as a 24-bit or float WAV. A file the engine refuses leaves its
// reason on the page and the page as it was.
import { drawSpectrogram, drawWaveform } from './audio-views.js';
import { cancelRenders, renderMidi } from './tolvane-api.js';
import { wavFile } from './wav-file.js';

export class RenderPanel {
    // ui: the panel's elements by id; sound(): { preset bytes or null, name } to render with;
    // audioContext(): the context to play results in.
    constructor(ui, { sound, audioContext }) {
        this.ui = ui;
        this.sound = sound;
        this.audioContext = audioContext;
        this.song = null; // { name, bytes }
        this.result = null; // { left, right, sampleRate, name }
        this.playing = null;
        this.listen();
    }

    listen() {
        const { drop, file, renderButton, stopButton, play, download24, downloadFloat } = this.ui;
        drop.addEventListener('dragover', (event) => {
            event.preventDefault();
            drop.classList.add('over');
        });
        drop.addEventListener('dragleave', () => drop.classList.remove('over'));
        drop.addEventListener('drop', (event) => {
            event.preventDefault();
            drop.classList.remove('over');
            const dropped = event.dataTransfer.files[0];
            if (dropped) this.take(dropped);
        });
        file.addEventListener('change', () => {
            if (file.files[0]) this.take(file.files[0]);
            file.value = '';
        });
        renderButton.addEventListener('click', () => this.render());
        stopButton.addEventListener('click', () => cancelRenders());
        play.addEventListener('click', () => this.togglePlay());
        download24.addEventListener('click', () => this.download('pcm24'));
        downloadFloat.addEventListener('click', () => this.download('float'));
    }

    async take(file) {
        this.song = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
        this.ui.songName.textContent = file.name;
        this.ui.renderButton.disabled = false;
        await this.render();
    }

    say(text, problem = false) {
        this.ui.message.textContent = text;
        this.ui.message.classList.toggle('problem', problem);
    }

    async render() {
        if (!this.song) return;
        const { progress, renderButton, stopButton } = this.ui;
        const sampleRate = Number(this.ui.rate.value);
        const receiveSysEx = this.ui.receiveSysEx.checked;
        const sound = this.ui.usePreset.checked ? this.sound() : { preset: null, name: 'Factory GM bank' };
        const name = this.song.name;
        this.stopPlaying();
        renderButton.disabled = true;
        stopButton.hidden = false;
        progress.hidden = false;
        progress.value = 0;
        this.say(`Rendering ${name} with ${sound.name} at ${sampleRate} Hz…`);
        const started = performance.now();
        try {
            const { left, right } = await renderMidi(this.song.bytes, {
                sampleRate,
                preset: sound.preset,
                receiveSysEx,
                onProgress: (frames, expected) => {
                    progress.value = expected > 0 ? Math.min(1, frames / expected) : 0;
                },
            });
            const seconds = (performance.now() - started) / 1000;
            const length = left.length / sampleRate;
            this.result = { left, right, sampleRate, name };
            progress.value = 1;
            this.say(`${name}: ${length.toFixed(2)} s rendered in ${seconds.toFixed(2)} s ` +
                `(${Math.round(length / seconds)}× real time) with ${sound.name} at ${sampleRate} Hz.`);
            this.ui.results.hidden = false; // shown first: the views take their size from the layout
            drawWaveform(this.ui.waveform, left, right);
            drawSpectrogram(this.ui.spectrogram, left, right, sampleRate);
            document.body.dataset.rendered = name;
        } catch (error) {
            this.say(`${name}: ${error.message}`, true);
            document.body.dataset.renderError = error.message;
        } finally {
            renderButton.disabled = false;
            stopButton.hidden = true;
            progress.hidden = true;
        }
    }

    stopPlaying() {
        this.playing?.stop();
        this.playing = null;
        this.ui.play.textContent = 'Play';
    }

    togglePlay() {
        if (this.playing) {
            this.stopPlaying();
            return;
        }
        if (!this.result) return;
        const { left, right, sampleRate } = this.result;
        const context = this.audioContext();
        context.resume();
        const buffer = context.createBuffer(2, left.length, sampleRate);
        buffer.copyToChannel(left, 0);
        buffer.copyToChannel(right, 1);
        const source = context.createBufferSource();
        source.buffer = buffer;
        source.connect(context.destination);
        source.onended = () => {
            if (this.playing === source) this.stopPlaying();
        };
        source.start();
        this.playing = source;
        this.ui.play.textContent = 'Stop';
    }

    download(format) {
        if (!this.result) return;
        const { left, right, sampleRate, name } = this.result;
        const base = name.replace(/\.(mid|midi|rmi|kar)$/i, '');
        const link = document.createElement('a');
        link.href = URL.createObjectURL(wavFile(left, right, sampleRate, format));
        link.download = `${base}${format === 'float' ? '-float' : ''}.wav`;
        link.click();
        setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    }
}
