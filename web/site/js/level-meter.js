// SPDX-License-Identifier: GPL-3.0-or-later
// Two bars (left, right) in dBFS from -60 to 0, falling back slowly, with a
// red end past full scale.
export function runLevelMeter(canvas, levels) {
    const shown = [0, 0];
    const g = canvas.getContext('2d');
    const toBar = (peak) => (peak <= 0 ? 0 : Math.max(0, Math.min(1, (20 * Math.log10(peak) + 60) / 60)));
    const frame = () => {
        const { width, height } = canvas;
        const peaks = levels();
        g.fillStyle = '#10161c';
        g.fillRect(0, 0, width, height);
        for (let side = 0; side < 2; ++side) {
            shown[side] = Math.max(toBar(peaks[side] ?? 0), shown[side] - 0.02);
            const y = side * (height / 2) + 1;
            g.fillStyle = '#6fd3a8';
            g.fillRect(0, y, shown[side] * width, height / 2 - 2);
            if ((peaks[side] ?? 0) > 1) {
                g.fillStyle = '#ff5a4f';
                g.fillRect(width - 6, y, 6, height / 2 - 2);
            }
        }
        requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
}
