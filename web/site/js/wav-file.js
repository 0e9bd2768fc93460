// SPDX-License-Identifier: GPL-3.0-or-later
// Stereo WAV files of a render, with the samples tolvane-render writes:
// 32-bit float as they are, or 24-bit PCM rounded as the renderer rounds
// (to the nearest step, halves to even, clamped to the 24-bit range).

const FULL_SCALE = 8388608; // 2^23

// Math.round sends halves up; the renderer's nearbyint sends them to the even neighbour.
function roundHalfToEven(x) {
    const r = Math.round(x);
    return r - x === 0.5 && r % 2 !== 0 ? r - 1 : r;
}

export function toPcm24(sample) {
    const scaled = roundHalfToEven(sample * FULL_SCALE);
    return Math.min(Math.max(scaled, -FULL_SCALE), FULL_SCALE - 1);
}

function header(view, { formatTag, bitsPerSample, sampleRate, dataBytes, frames }) {
    const float = formatTag === 3;
    const fmtSize = float ? 18 : 16;
    const factSize = float ? 12 : 0;
    const blockAlign = 2 * (bitsPerSample / 8);
    let at = 0;
    const text = (s) => {
        for (const c of s) view.setUint8(at++, c.charCodeAt(0));
    };
    const u32 = (v) => {
        view.setUint32(at, v, true);
        at += 4;
    };
    const u16 = (v) => {
        view.setUint16(at, v, true);
        at += 2;
    };
    text('RIFF');
    u32(4 + 8 + fmtSize + factSize + 8 + dataBytes);
    text('WAVE');
    text('fmt ');
    u32(fmtSize);
    u16(formatTag);
    u16(2);
    u32(sampleRate);
    u32(sampleRate * blockAlign);
    u16(blockAlign);
    u16(bitsPerSample);
    if (float) {
        u16(0); // no extension
        text('fact');
        u32(4);
        u32(frames);
    }
    text('data');
    u32(dataBytes);
    return at;
}

// A Blob of the WAV file: format 'float' or 'pcm24'.
export function wavFile(left, right, sampleRate, format) {
    const frames = left.length;
    const float = format === 'float';
    const bytesPerSample = float ? 4 : 3;
    const dataBytes = frames * 2 * bytesPerSample;
    const headerBytes = float ? 58 : 44;
    const buffer = new ArrayBuffer(headerBytes + dataBytes);
    const view = new DataView(buffer);
    let at = header(view, { formatTag: float ? 3 : 1, bitsPerSample: 8 * bytesPerSample, sampleRate, dataBytes, frames });
    if (float) {
        for (let i = 0; i < frames; ++i, at += 8) {
            view.setFloat32(at, left[i], true);
            view.setFloat32(at + 4, right[i], true);
        }
    } else {
        const bytes = new Uint8Array(buffer);
        for (let i = 0; i < frames; ++i) {
            for (const side of [left, right]) {
                const v = toPcm24(side[i]);
                bytes[at++] = v & 0xff;
                bytes[at++] = (v >> 8) & 0xff;
                bytes[at++] = (v >> 16) & 0xff;
            }
        }
    }
    return new Blob([buffer], { type: 'audio/wav' });
}
