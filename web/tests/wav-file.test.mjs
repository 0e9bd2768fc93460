// SPDX-License-Identifier: GPL-3.0-or-later
// The page's WAV files (web/site/js/wav-file.js): 24-bit samples rounded as
// tolvane-render rounds them (AudioFileWriter's toPcm24: nearest, halves to
// even, clamped), and headers that describe the data. Run: node --test.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { toPcm24, wavFile } from '../site/js/wav-file.js';

const STEP = 2 ** -23; // one 24-bit step of full scale

test('24-bit samples round to the nearest step, halves to the even one, and clamp', () => {
    const cases = [
        [0, 0],
        [STEP, 1],
        [0.5 * STEP, 0],
        [1.5 * STEP, 2],
        [2.5 * STEP, 2],
        [-0.5 * STEP, 0],
        [-1.5 * STEP, -2],
        [-2.5 * STEP, -2],
        [0.25, 2097152],
        [1, 8388607],
        [-1, -8388608],
        [3.5, 8388607],
        [-3.5, -8388608],
    ];
    for (const [sample, expected] of cases) assert.equal(toPcm24(Math.fround(sample)) + 0, expected, `sample ${sample}`);
});

async function parse(blob) {
    const view = new DataView(await blob.arrayBuffer());
    const text = (at) => String.fromCharCode(...new Uint8Array(view.buffer, at, 4));
    assert.equal(text(0), 'RIFF');
    assert.equal(view.getUint32(4, true), view.byteLength - 8);
    assert.equal(text(8), 'WAVE');
    const chunks = {};
    for (let at = 12; at < view.byteLength; at += 8 + view.getUint32(at + 4, true))
        chunks[text(at)] = new DataView(view.buffer, at + 8, view.getUint32(at + 4, true));
    return chunks;
}

test('the two formats describe their samples and hold them interleaved', async () => {
    const left = Float32Array.of(0.5, -0.25, 1.5);
    const right = Float32Array.of(-1, STEP, 0);
    for (const [format, tag, bits] of [['pcm24', 1, 24], ['float', 3, 32]]) {
        const chunks = await parse(wavFile(left, right, 48000, format));
        const fmt = chunks['fmt '];
        assert.deepEqual(
            [fmt.getUint16(0, true), fmt.getUint16(2, true), fmt.getUint32(4, true), fmt.getUint32(8, true),
                fmt.getUint16(12, true), fmt.getUint16(14, true)],
            [tag, 2, 48000, 48000 * 2 * (bits / 8), 2 * (bits / 8), bits], format);
        const data = chunks.data;
        assert.equal(data.byteLength, 3 * 2 * (bits / 8));
        const samples = [];
        for (let at = 0; at < data.byteLength; at += bits / 8)
            samples.push(format === 'float' ? data.getFloat32(at, true)
                : ((data.getUint16(at, true) | (data.getUint8(at + 2) << 16)) << 8) >> 8);
        const expected = format === 'float' ? [0.5, -1, -0.25, STEP, 1.5, 0] : [4194304, -8388608, -2097152, 1, 8388607, 0];
        assert.deepEqual(samples.slice(0, 6), expected, format);
        if (format === 'float') assert.equal(chunks.fact.getUint32(0, true), 3);
    }
});
