// SPDX-License-Identifier: GPL-3.0-or-later
// The page's module rendering a song under Node (V8, as in Chromium), timed
// in CPU seconds like bench/compare-builds.sh times tolvane-render:
//   node web/bench/render-speed.mjs build/web/tolvane.wasm song.mid [rate] [runs]
// Prints the median of the runs: the song's length, CPU seconds, times real time.
import fs from 'node:fs';

import { instantiateEngine } from '../site/js/engine-module.js';

const [wasm, song, rate = '48000', runs = '7'] = process.argv.slice(2);
const engine = await instantiateEngine(await WebAssembly.compile(fs.readFileSync(wasm)));
const bytes = new Uint8Array(fs.readFileSync(song));
const sampleRate = Number(rate);
const times = [];
let frames = 0;
for (let run = 0; run < Number(runs); ++run) {
    const before = process.cpuUsage();
    engine.openSong(bytes, sampleRate);
    frames = 0;
    engine.renderSong({ sampleRate, preset: null, receiveSysEx: false }, (left) => {
        frames += left.length;
        return true;
    });
    const used = process.cpuUsage(before);
    times.push((used.user + used.system) / 1e6);
}
times.sort((a, b) => a - b);
const median = times[Math.floor(times.length / 2)];
const seconds = frames / sampleRate;
console.log(`${seconds.toFixed(2)} s of audio in ${median.toFixed(3)} CPU s (${(seconds / median).toFixed(0)}x real time)`);
