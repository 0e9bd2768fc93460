// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of a render: the waveform (left channel above, right below, the
// extremes of each pixel column) and a spectrogram (log frequency, dB colour).

function sizeCanvas(canvas) {
    const scale = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * scale));
    canvas.height = Math.max(1, Math.round(canvas.clientHeight * scale));
    return canvas.getContext('2d');
}

export function drawWaveform(canvas, left, right) {
    const g = sizeCanvas(canvas);
    const { width, height } = canvas;
    g.fillStyle = '#10161c';
    g.fillRect(0, 0, width, height);
    const lane = height / 2;
    const perColumn = left.length / width;
    [left, right].forEach((samples, side) => {
        const middle = lane * side + lane / 2;
        g.fillStyle = side === 0 ? '#6fd3a8' : '#7fb2ff';
        for (let x = 0; x < width; ++x) {
            const from = Math.floor(x * perColumn);
            const to = Math.max(from + 1, Math.floor((x + 1) * perColumn));
            let low = 0;
            let high = 0;
            for (let i = from; i < to && i < samples.length; ++i) {
                const s = samples[i];
                if (s < low) low = s;
                if (s > high) high = s;
            }
            const top = middle - Math.min(high, 1) * (lane / 2);
            const bottom = middle - Math.max(low, -1) * (lane / 2);
            g.fillRect(x, top, 1, Math.max(1, bottom - top));
        }
    });
    g.fillStyle = '#33414d';
    g.fillRect(0, lane, width, 1);
}

// In-place radix-2 FFT of re/im (length a power of two), with the cosine
// and sine of every step taken from tables made once per length.
const twiddles = new Map();
function fft(re, im) {
    const n = re.length;
    if (!twiddles.has(n)) {
        const angle = (k) => (-2 * Math.PI * k) / n;
        twiddles.set(n, [Float64Array.from({ length: n / 2 }, (_, k) => Math.cos(angle(k))),
            Float64Array.from({ length: n / 2 }, (_, k) => Math.sin(angle(k)))]);
    }
    const [cos, sin] = twiddles.get(n);
    for (let i = 1, j = 0; i < n; ++i) {
        let bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) {
            [re[i], re[j]] = [re[j], re[i]];
            [im[i], im[j]] = [im[j], im[i]];
        }
    }
    for (let size = 2; size <= n; size <<= 1) {
        const half = size / 2;
        const stride = n / size;
        for (let start = 0; start < n; start += size) {
            for (let k = 0; k < half; ++k) {
                const wr = cos[k * stride];
                const wi = sin[k * stride];
                const a = start + k;
                const b = a + half;
                const tr = re[b] * wr - im[b] * wi;
                const ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
}

function heat(level) {
    // 0..1 to a dark-blue, purple, orange, yellow ramp
    const r = Math.min(255, Math.max(0, 255 * (1.6 * level - 0.25)));
    const g = Math.min(255, Math.max(0, 255 * (1.8 * level - 0.8)));
    const b = Math.min(255, Math.max(0, 255 * (level < 0.5 ? 0.25 + level : 1.2 - 1.2 * level)));
    return [r, g, b];
}

export function drawSpectrogram(canvas, left, right, sampleRate) {
    const g = sizeCanvas(canvas);
    const { width, height } = canvas;
    const size = 2048;
    const image = g.createImageData(width, height);
    const re = new Float64Array(size);
    const im = new Float64Array(size);
    const window = Float64Array.from({ length: size }, (_, i) => 0.5 - 0.5 * Math.cos((2 * Math.PI * i) / (size - 1)));
    const lowest = 30;
    const highest = sampleRate / 2;
    const binOfRow = Array.from({ length: height }, (_, y) => {
        const frequency = lowest * Math.pow(highest / lowest, (height - 1 - y) / (height - 1));
        return Math.min(size / 2 - 1, Math.round((frequency * size) / sampleRate));
    });
    for (let x = 0; x < width; ++x) {
        const centre = Math.floor(((x + 0.5) * left.length) / width);
        for (let i = 0; i < size; ++i) {
            const at = centre - size / 2 + i;
            const s = at >= 0 && at < left.length ? 0.5 * (left[at] + right[at]) : 0;
            re[i] = s * window[i];
            im[i] = 0;
        }
        fft(re, im);
        for (let y = 0; y < height; ++y) {
            const bin = binOfRow[y];
            const power = (re[bin] * re[bin] + im[bin] * im[bin]) / (size * size);
            const db = 10 * Math.log10(power + 1e-14);
            const [r, gr, b] = heat(Math.min(1, Math.max(0, (db + 110) / 100)));
            const p = 4 * (y * width + x);
            image.data[p] = r;
            image.data[p + 1] = gr;
            image.data[p + 2] = b;
            image.data[p + 3] = 255;
        }
    }
    g.putImageData(image, 0, 0);
}
