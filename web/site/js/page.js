// SPDX-License-Identifier: GPL-3.0-or-later
// The page: the preset list, the live keyboard, the render panel, and
// window.tolvane for scripts that embed the engine.
import { Keyboard, noteName } from './keyboard.js';
import { LevelMeter } from './level-meter.js';
import { LiveAudio } from './live-audio.js';
import { connectMidiInputs } from './midi-input.js';
import { FACTORY_BANK, PresetPicker } from './preset-picker.js';
import { RenderPanel } from './render-panel.js';
import * as api from './tolvane-api.js';
import { instantiateEngine } from './engine-module.js';

const siteRoot = new URL('..', import.meta.url);
const $ = (id) => document.getElementById(id);
const MODE_NAMES = ['Mute', 'Instrument', 'Percussion', 'Sampler'];

const live = new LiveAudio();
const picker = new PresetPicker($('preset'), siteRoot);
let current = { path: FACTORY_BANK, preset: null, name: 'Factory GM bank' };
let inspector = null; // an engine on this thread that checks a preset and reads its part modes

function status(text, problem = false) {
    $('status').textContent = text;
    $('status').classList.toggle('problem', problem);
}

function showParts(modes) {
    const list = $('parts');
    list.replaceChildren(
        ...modes.map((mode, part) => {
            const item = document.createElement('li');
            item.className = `mode-${mode}`;
            item.textContent = `${part + 1} ${MODE_NAMES[mode] ?? mode}`;
            return item;
        }),
    );
    // The keyboard plays the first part that sounds, unless one that sounds is chosen already.
    const channel = $('channel');
    if (modes[Number(channel.value) - 1] === 0) {
        const first = modes.findIndex((mode) => mode !== 0);
        if (first >= 0) channel.value = String(first + 1);
    }
}

// Loads a preset of the list (its path; FACTORY_BANK for the built-in bank)
// for the keyboard and for renders; resolves to the 16 parts' modes.
async function choosePreset(path) {
    $('preset').value = path;
    const name = picker.name(path);
    $('preset-status').textContent = `loading ${name}…`;
    try {
        const preset = await picker.bytes(path);
        inspector = inspector ?? (await instantiateEngine(await api.engineModule()));
        inspector.startLive(48000, preset);
        const modes = Array.from({ length: 16 }, (_, part) => inspector.partMode(part));
        current = { path, preset, name };
        live.setPreset(preset);
        showParts(modes);
        const size = preset ? ` (${Math.round(preset.length / 1024)} kB)` : '';
        $('preset-status').textContent = `${name}${size} loaded`;
        document.body.dataset.preset = name;
        return modes;
    } catch (error) {
        $('preset-status').textContent = `${name}: ${error.message}`;
        $('preset').value = current.path;
        throw error;
    }
}

function channelByte(status, channel) {
    if (!(channel >= 1 && channel <= 16)) throw new RangeError('the channel is 1 to 16');
    return status | (channel - 1);
}

function sendMidi(bytes) {
    live.send(bytes);
}

const keyboard = new Keyboard($('keyboard'), (key, on) => {
    const channel = Number($('channel').value);
    const velocity = Number($('velocity').value);
    sendMidi(on ? [channelByte(0x90, channel), key, velocity] : [channelByte(0x80, channel), key, 0]);
});
keyboard.onOctave = (base) => {
    $('octave').textContent = noteName(base);
};
$('octave-down').addEventListener('click', () => keyboard.shift(-1));
$('octave-up').addEventListener('click', () => keyboard.shift(1));
$('preset').addEventListener('change', () => choosePreset($('preset').value).catch(() => {}));
$('midi-connect').addEventListener('click', async () => {
    try {
        $('midi-status').textContent = await connectMidiInputs((data) => {
            sendMidi(data);
            const [statusByte, key, velocity] = data;
            const kind = statusByte & 0xf0;
            if ((kind === 0x90 || kind === 0x80) && (statusByte & 0x0f) === Number($('channel').value) - 1)
                keyboard.mark(key, kind === 0x90 && velocity > 0);
        });
    } catch (error) {
        $('midi-status').textContent = `no MIDI input: ${error.message}`;
    }
});
live.onLoaded = showParts;
live.onProblem = (message) => status(message, true);
const meter = new LevelMeter($('level'), () => live.levels());

new RenderPanel(
    {
        drop: $('drop'),
        file: $('song'),
        songName: $('song-name'),
        rate: $('rate'),
        usePreset: $('use-preset'),
        receiveSysEx: $('receive-sysex'),
        renderButton: $('render'),
        stopButton: $('stop'),
        progress: $('progress'),
        message: $('render-message'),
        results: $('results'),
        waveform: $('waveform'),
        spectrogram: $('spectrogram'),
        play: $('play-render'),
        download24: $('download-24'),
        downloadFloat: $('download-float'),
    },
    { sound: () => ({ preset: current.preset, name: current.name }), audioContext: () => live.audioContext() },
);

// ---- window.tolvane (documented in the manual, section "The web page") ----
const ready = (async () => {
    await Promise.all([api.engineModule(), picker.list()]);
    await choosePreset(FACTORY_BANK);
    status(`Ready: pick a sound, play the keys, or drop a MIDI file to render.`);
    document.body.dataset.ready = 'true';
    return { secondsSinceNavigation: performance.now() / 1000 };
})();
ready.catch((error) => status(`The engine could not start: ${error.message}`, true));

window.tolvane = {
    ready,
    renderMidi: api.renderMidi,
    cancelRenders: api.cancelRenders,
    createEngineNode: api.createEngineNode,
    settled: api.settled,
    // channel 1-16, key and velocity 0-127, as MIDI counts them
    noteOn: (channel, key, velocity = 100) => sendMidi([channelByte(0x90, channel), key & 0x7f, velocity & 0x7f]),
    noteOff: (channel, key) => sendMidi([channelByte(0x80, channel), key & 0x7f, 0]),
    sendMidi,
    // the level meter's highest left and right peaks (1.0 full scale) since the last call
    levels: () => meter.takeHeld(),
    // a path from presets/index.json, or '' for the built-in bank
    loadPreset: choosePreset,
    presetUrl: (path) => String(picker.url(path)),
};
