// SPDX-License-Identifier: GPL-3.0-or-later
// Web MIDI input, where the browser offers it: every input's messages go to
// the engine as they are, each channel to its part. Asked for on a click, as
// the browser asks the user's permission.
export async function connectMidiInputs(onMessage) {
    if (!navigator.requestMIDIAccess) return 'this browser has no Web MIDI';
    const access = await navigator.requestMIDIAccess({ sysex: false });
    const attach = () => {
        const names = [];
        for (const input of access.inputs.values()) {
            input.onmidimessage = (event) => onMessage(event.data);
            names.push(input.name);
        }
        return names.length ? `MIDI in: ${names.join(', ')}` : 'no MIDI input is connected';
    };
    access.onstatechange = () => attach();
    return attach();
}
