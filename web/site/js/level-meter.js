// SPDX-License-Identifier: GPL-3.0-or-later
// Two bars (left, right) in dBFS from -60 to 0, falling back slowly, with a
// red end past full scale. Read on every animation frame, so a short sound
// is caught too; the peaks since the last look are kept for window.tolvane.levels.
export class LevelMeter {
    constructor(canvas, levels) {
        this.canvas = canvas;
        this.levels = levels; // () => [left peak, right peak] of the latest audio
        this.shown = [0, 0];
        this.held = [0, 0];
        requestAnimationFrame(() => this.frame());
    }

    // The highest peaks since the last call.
    takeHeld() {
        const held = this.held;
        this.held = [0, 0];
        return held;
    }

    frame() {
        const g = this.canvas.getContext('2d');
        const { width, height } = this.canvas;
        const peaks = this.levels();
        const toBar = (peak) => (peak <= 0 ? 0 : Math.max(0, Math.min(1, (20 * Math.log10(peak) + 60) / 60)));
        g.fillStyle = '#10161c';
        g.fillRect(0, 0, width, height);
        for (let side = 0; side < 2; ++side) {
            const peak = peaks[side] ?? 0;
            this.held[side] = Math.max(this.held[side], peak);
            this.shown[side] = Math.max(toBar(peak), this.shown[side] - 0.02);
            const y = side * (height / 2) + 1;
            g.fillStyle = '#6fd3a8';
            g.fillRect(0, y, this.shown[side] * width, height / 2 - 2);
            if (peak > 1) {
                g.fillStyle = '#ff5a4f';
                g.fillRect(width - 6, y, 6, height / 2 - 2);
            }
        }
        requestAnimationFrame(() => this.frame());
    }
}
