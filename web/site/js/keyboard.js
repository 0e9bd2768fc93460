// SPDX-License-Identifier: GPL-3.0-or-later
// The on-screen keyboard (pointer: press, slide, release) and the computer
// keyboard: the row from Z plays the lower octave and the row from Q the upper,
// with the black keys on the rows above them; the arrow keys left and right
// (or - and =) shift both by an octave.

const LOWER_ROW = ['KeyZ', 'KeyS', 'KeyX', 'KeyD', 'KeyC', 'KeyV', 'KeyG', 'KeyB', 'KeyH', 'KeyN', 'KeyJ', 'KeyM',
    'Comma', 'KeyL', 'Period', 'Semicolon', 'Slash'];
const UPPER_ROW = ['KeyQ', 'Digit2', 'KeyW', 'Digit3', 'KeyE', 'KeyR', 'Digit5', 'KeyT', 'Digit6', 'KeyY', 'Digit7',
    'KeyU', 'KeyI', 'Digit9', 'KeyO', 'Digit0', 'KeyP'];
const NAMES = ['C', 'C♯', 'D', 'D♯', 'E', 'F', 'F♯', 'G', 'G♯', 'A', 'A♯', 'B'];
const BLACK = new Set([1, 3, 6, 8, 10]);

export function noteName(key) {
    return `${NAMES[key % 12]}${Math.floor(key / 12) - 1}`;
}

export class Keyboard {
    // play(key, on) sounds or releases a key; the view shows three octaves from `lowest`.
    constructor(element, play) {
        this.element = element;
        this.play = play;
        this.base = 48; // the Z row's C (C3); the Q row starts an octave higher
        this.down = new Map(); // key -> what holds it (pointer ids, key codes)
        this.keys = new Map();
        this.onOctave = null;
        this.build();
        this.listen();
    }

    build() {
        this.element.replaceChildren();
        this.keys.clear();
        for (let key = this.base; key < this.base + 37; ++key) {
            const k = document.createElement('div');
            k.className = BLACK.has(key % 12) ? 'key black' : 'key white';
            k.dataset.key = key;
            k.title = noteName(key);
            if (key % 12 === 0) k.textContent = noteName(key);
            this.element.append(k);
            this.keys.set(key, k);
        }
        for (const key of this.down.keys()) this.keys.get(key)?.classList.add('down');
    }

    shift(octaves) {
        const base = Math.min(96, Math.max(12, this.base + 12 * octaves));
        if (base === this.base) return;
        this.releaseAll();
        this.base = base;
        this.build();
        this.onOctave?.(this.base);
    }

    press(key, holder) {
        if (key < 0 || key > 127) return;
        const holders = this.down.get(key) ?? new Set();
        if (holders.size === 0) this.play(key, true);
        holders.add(holder);
        this.down.set(key, holders);
        this.keys.get(key)?.classList.add('down');
    }

    release(key, holder) {
        const holders = this.down.get(key);
        if (!holders || !holders.delete(holder)) return;
        if (holders.size > 0) return;
        this.down.delete(key);
        this.play(key, false);
        this.keys.get(key)?.classList.remove('down');
    }

    releaseHolder(holder) {
        for (const [key, holders] of [...this.down]) if (holders.has(holder)) this.release(key, holder);
    }

    releaseAll() {
        for (const [key, holders] of [...this.down]) for (const holder of [...holders]) this.release(key, holder);
    }

    // Shows a key sounding from elsewhere (MIDI input) without playing it.
    mark(key, on) {
        this.keys.get(key)?.classList.toggle('lit', on);
    }

    listen() {
        const keyAt = (event) => {
            const target = document.elementFromPoint(event.clientX, event.clientY);
            return target?.dataset?.key !== undefined ? Number(target.dataset.key) : null;
        };
        const pointers = new Map(); // pointer id -> key
        this.element.addEventListener('pointerdown', (event) => {
            const key = keyAt(event);
            if (key === null) return;
            event.preventDefault();
            this.element.setPointerCapture(event.pointerId);
            pointers.set(event.pointerId, key);
            this.press(key, `pointer${event.pointerId}`);
        });
        this.element.addEventListener('pointermove', (event) => {
            if (!pointers.has(event.pointerId)) return;
            const key = keyAt(event);
            const previous = pointers.get(event.pointerId);
            if (key === null || key === previous) return;
            this.release(previous, `pointer${event.pointerId}`);
            pointers.set(event.pointerId, key);
            this.press(key, `pointer${event.pointerId}`);
        });
        const lift = (event) => {
            if (!pointers.has(event.pointerId)) return;
            this.release(pointers.get(event.pointerId), `pointer${event.pointerId}`);
            pointers.delete(event.pointerId);
        };
        this.element.addEventListener('pointerup', lift);
        this.element.addEventListener('pointercancel', lift);

        const typing = (event) => event.target.closest?.('input, select, textarea') || event.ctrlKey || event.metaKey || event.altKey;
        const keyFor = (code) => {
            const lower = LOWER_ROW.indexOf(code);
            if (lower >= 0) return this.base + lower;
            const upper = UPPER_ROW.indexOf(code);
            return upper >= 0 ? this.base + 12 + upper : null;
        };
        const held = new Map(); // code -> key, so a key released after an octave shift ends its own note
        window.addEventListener('keydown', (event) => {
            if (typing(event) || event.repeat) return;
            if (event.code === 'ArrowLeft' || event.code === 'Minus') {
                this.shift(-1);
                event.preventDefault();
                return;
            }
            if (event.code === 'ArrowRight' || event.code === 'Equal') {
                this.shift(1);
                event.preventDefault();
                return;
            }
            const key = keyFor(event.code);
            if (key === null) return;
            event.preventDefault();
            held.set(event.code, key);
            this.press(key, event.code);
        });
        window.addEventListener('keyup', (event) => {
            const key = held.get(event.code);
            if (key === undefined) return;
            held.delete(event.code);
            this.release(key, event.code);
        });
        window.addEventListener('blur', () => this.releaseAll());
    }
}
