#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The web page in headless Chromium, against tolvane-render run in the same test.

The page loads without console errors; a preset loads; window.tolvane.renderMidi
gives the renderer's samples (hashed) for a song that programs its tones by
SysEx, a real General MIDI file and a chip song, at 44.1 and 48 kHz; the
AudioWorklet processor, rendered in an OfflineAudioContext after a note-on,
gives the samples the renderer gives for that note; a broken and an over-long
MIDI file leave their message and the page goes on rendering.

  page_test.py --site build/web --render build/tools/tolvane-render --source .

Exits 77 (skipped) when Chromium, its driver or selenium is missing.
"""
import argparse
import base64
import functools
import hashlib
import http.server
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

SKIPPED = 77
ARGS = None


def midi_file(track_events, division=480):
    """A format 0 file from (delta, bytes) pairs; the end of track is added."""
    body = b''
    for delta, data in track_events + [(0, b'\xff\x2f\x00')]:
        var = [delta & 0x7F]
        delta >>= 7
        while delta:
            var.insert(0, 0x80 | (delta & 0x7F))
            delta >>= 7
        body += bytes(var) + data
    return (b'MThd' + struct.pack('>IHHH', 6, 0, 1, division) + b'MTrk' + struct.pack('>I', len(body)) + body)


def wav_data(path):
    """The bytes of a WAV file's data chunk."""
    with open(path, 'rb') as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        chunk, size = data[at:at + 4], struct.unpack('<I', data[at + 4:at + 8])[0]
        if chunk == b'data':
            return data[at + 8:at + 8 + size]
        at += 8 + size + (size & 1)
    raise ValueError(f'{path}: no data chunk')


def native_render(song, rate, preset=None, receive_sysex=False):
    """tolvane-render --float: (sha256 of the interleaved samples, frames, seconds taken)."""
    out = os.path.join(ARGS.scratch, 'native.wav')
    command = [ARGS.render, '-q', '--float', '--sample-rate', str(rate), '-o', out]
    if preset:
        command += ['--preset', preset]
    if receive_sysex:
        command.append('--receive-sysex')
    started = time.perf_counter()
    subprocess.run(command + [song], check=True)
    taken = time.perf_counter() - started
    samples = wav_data(out)
    return hashlib.sha256(samples).hexdigest(), len(samples) // 8, taken


# Renders in the page; the samples, interleaved as the WAV file holds them, are hashed there.
RENDER_IN_PAGE = """
const [song, options, done] = arguments;
const bytes = Uint8Array.from(atob(song), (c) => c.charCodeAt(0));
(async () => {
  await window.tolvane.ready;
  const started = performance.now();
  const { left, right } = await window.tolvane.renderMidi(bytes, options);
  const seconds = (performance.now() - started) / 1000;
  const interleaved = new Float32Array(2 * left.length);
  for (let i = 0; i < left.length; ++i) { interleaved[2 * i] = left[i]; interleaved[2 * i + 1] = right[i]; }
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', interleaved.buffer));
  done({ hash: Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join(''), frames: left.length, seconds });
})().catch((error) => done({ error: String(error.message ?? error) }));
"""

# The AudioWorklet processor in an OfflineAudioContext: a note-on queued before the first quantum.
RENDER_NOTE_IN_WORKLET = """
const [rate, frames, message, done] = arguments;
(async () => {
  await window.tolvane.ready;
  const context = new OfflineAudioContext({ numberOfChannels: 2, length: frames, sampleRate: rate });
  const node = await window.tolvane.createEngineNode(context);
  node.connect(context.destination);
  node.port.postMessage({ type: 'midi', bytes: message });
  await window.tolvane.settled(node);
  const buffer = await context.startRendering();
  const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
  const interleaved = new Float32Array(2 * frames);
  for (let i = 0; i < frames; ++i) { interleaved[2 * i] = left[i]; interleaved[2 * i + 1] = right[i]; }
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', interleaved.buffer));
  let peak = 0;
  for (const s of interleaved) peak = Math.max(peak, Math.abs(s));
  done({ hash: Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join(''), peak });
})().catch((error) => done({ error: String(error.message ?? error) }));
"""


# The page's two WAV files of a render: the hashes of their data chunks.
WAV_FILES_IN_PAGE = """
const [song, options, done] = arguments;
const bytes = Uint8Array.from(atob(song), (c) => c.charCodeAt(0));
(async () => {
  const { wavFile } = await import(new URL('js/wav-file.js', document.baseURI));
  const { left, right } = await window.tolvane.renderMidi(bytes, options);
  const hashes = {};
  for (const format of ['pcm24', 'float']) {
    const file = new DataView(await wavFile(left, right, options.sampleRate, format).arrayBuffer());
    let at = 12;
    while (file.getUint32(at, false) !== 0x64617461) at += 8 + file.getUint32(at + 4, true);  // 'data'
    const data = new Uint8Array(file.buffer, at + 8, file.getUint32(at + 4, true));
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', data));
    hashes[format] = Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
  }
  done(hashes);
})().catch((error) => done({ error: String(error.message ?? error) }));
"""


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service

        handler = functools.partial(QuietHandler, directory=ARGS.site)
        cls.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.url = f'http://127.0.0.1:{cls.server.server_address[1]}/'

        options = webdriver.ChromeOptions()
        options.binary_location = ARGS.chromium
        for flag in ('--no-sandbox', '--headless', '--disable-gpu', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--no-first-run',
                     '--autoplay-policy=no-user-gesture-required', '--window-size=1280,1400',
                     f'--user-data-dir={os.path.join(ARGS.scratch, "profile")}'):
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        cls.driver = webdriver.Chrome(service=Service(ARGS.chromedriver), options=options)
        cls.driver.set_script_timeout(600)
        started = time.perf_counter()
        cls.driver.get(cls.url)
        cls.wait_for(lambda: cls.driver.execute_script('return document.body.dataset.ready') == 'true', 60)
        cls.load_seconds = time.perf_counter() - started
        cls.console = []

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.shutdown()

    @classmethod
    def wait_for(cls, condition, seconds=30):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return
            time.sleep(0.05)
        raise AssertionError(f'timed out after {seconds} s')

    def console_problems(self):
        self.console += self.driver.get_log('browser')
        return [entry['message'] for entry in self.console if entry['level'] in ('SEVERE', 'WARNING')]

    def render_in_page(self, song_path, options):
        with open(song_path, 'rb') as f:
            song = base64.b64encode(f.read()).decode()
        result = self.driver.execute_async_script(RENDER_IN_PAGE, song, options)
        self.assertNotIn('error', result, f'{song_path}: {result.get("error")}')
        return result

    def source(self, *parts):
        return os.path.join(ARGS.source, *parts)

    def test_1_page_loads_without_console_errors(self):
        wasm = os.path.getsize(os.path.join(ARGS.site, 'tolvane.wasm'))
        in_page = self.driver.execute_async_script(
            'window.tolvane.ready.then((r) => arguments[0](r.secondsSinceNavigation))')
        print(f'\nmodule {wasm / 1024:.0f} KiB; page ready {in_page:.2f} s after navigation began '
              f'({self.load_seconds:.2f} s seen by the driver)')
        self.assertIn('Ready', self.driver.find_element('id', 'status').text)
        self.assertEqual(self.console_problems(), [])

    def test_2_a_preset_loads(self):
        from selenium.webdriver.support.ui import Select

        Select(self.driver.find_element('id', 'preset')).select_by_visible_text('Chip Bank')
        self.wait_for(lambda: self.driver.execute_script('return document.body.dataset.preset') == 'Chip Bank')
        parts = [item.text for item in self.driver.find_elements('css selector', '#parts li')]
        self.assertEqual(len(parts), 16)
        self.assertEqual(parts[9], '10 Percussion')  # the chip bank's tone kit
        self.assertIn('Chip Bank', self.driver.find_element('id', 'preset-status').text)
        self.assertEqual(self.console_problems(), [])

    def test_3_renders_equal_the_renderer(self):
        chip_bank = os.path.join(ARGS.presets, 'Banks', 'Chip Bank.vstpreset')
        songs = [
            ('SysEx-programmed demo', self.source('tools', 'demo', 'demo.mid'), None, True),
            ('General MIDI file', self.source('tests', 'plugin', 'vst', 'songs', 'blupi-music004.mid'), None, False),
            ('chip song', self.source('presets', 'chip-songs', 'coin-run.mid'), chip_bank, False),
        ]
        for label, song, preset, sysex in songs:
            for rate in (44100, 48000):
                with self.subTest(song=label, rate=rate):
                    expected, frames, native_seconds = native_render(song, rate, preset, sysex)
                    options = {'sampleRate': rate, 'receiveSysEx': sysex}
                    if preset:
                        options['preset'] = self.driver.execute_script(
                            'return window.tolvane.presetUrl(arguments[0])', 'presets/Banks/Chip Bank.vstpreset')
                    page = self.render_in_page(song, options)
                    print(f'\n{label} at {rate} Hz: {frames} frames, sha256 {expected[:16]}… native, '
                          f'{page["hash"][:16]}… page ({native_seconds:.2f} s native, {page["seconds"]:.2f} s page)')
                    self.assertEqual(page['frames'], frames)
                    self.assertEqual(page['hash'], expected)

    def test_4_dense_song_render_speed(self):
        song = self.source('tests', 'factory', 'songs', 'dense-16-parts.mid')
        expected, frames, native_seconds = min((native_render(song, 48000) for _ in range(3)), key=lambda r: r[2])
        page = min((self.render_in_page(song, {'sampleRate': 48000}) for _ in range(3)), key=lambda r: r['seconds'])
        length = frames / 48000
        print(f'\ndense song ({length:.2f} s at 48 kHz): native {native_seconds:.3f} s ({length / native_seconds:.0f}x '
              f'real time, process included), page {page["seconds"]:.3f} s ({length / page["seconds"]:.0f}x, '
              f'preset loading and transfer included)')
        self.assertEqual(page['hash'], expected)

    def test_5_worklet_plays_a_note_as_the_renderer_does(self):
        rate, frames = 48000, 24000
        song = os.path.join(ARGS.scratch, 'note.mid')
        with open(song, 'wb') as f:  # middle C on channel 1 from the first frame, released after two seconds
            f.write(midi_file([(0, bytes([0x90, 60, 100])), (1920, bytes([0x80, 60, 0]))]))
        out = os.path.join(ARGS.scratch, 'note.wav')
        subprocess.run([ARGS.render, '-q', '--float', '--sample-rate', str(rate), '-o', out, song], check=True)
        expected = hashlib.sha256(wav_data(out)[:8 * frames]).hexdigest()
        result = self.driver.execute_async_script(RENDER_NOTE_IN_WORKLET, rate, frames, [0x90, 60, 100])
        self.assertNotIn('error', result, result.get('error'))
        self.assertGreater(result['peak'], 0.01)
        self.assertEqual(result['hash'], expected)

    def test_5b_downloads_carry_the_renderer_samples(self):
        song = self.source('tools', 'demo', 'demo.mid')
        with open(song, 'rb') as f:
            encoded = base64.b64encode(f.read()).decode()
        page = self.driver.execute_async_script(WAV_FILES_IN_PAGE, encoded, {'sampleRate': 44100, 'receiveSysEx': True})
        self.assertNotIn('error', page, page.get('error'))
        for format, options in (('pcm24', []), ('float', ['--float'])):
            out = os.path.join(ARGS.scratch, f'download-{format}.wav')
            subprocess.run([ARGS.render, '-q', '--receive-sysex', '-o', out] + options + [song], check=True)
            with self.subTest(format=format):
                self.assertEqual(page[format], hashlib.sha256(wav_data(out)).hexdigest())

    def test_5c_every_factory_preset_plays_from_the_keyboard(self):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.support.ui import Select

        presets = Select(self.driver.find_element('id', 'preset'))
        paths = [option.get_attribute('value') for option in presets.options]
        self.assertGreater(len(paths), 30)
        level = 'return Math.max(0, ...window.tolvane.levels())'
        silent = []
        for path in paths:
            name = presets.options[paths.index(path)].text.split(' (')[0]
            self.driver.execute_script('delete document.body.dataset.preset')
            presets.select_by_value(path)
            self.wait_for(lambda: self.driver.execute_script('return document.body.dataset.preset') == name)
            self.wait_for(lambda: self.driver.execute_script(level) < 1e-6, 10)  # the last preset's note died
            key = self.driver.find_element('css selector', '#keyboard [data-key="60"]')
            ActionChains(self.driver).move_to_element(key).click_and_hold().perform()
            try:
                self.wait_for(lambda: self.driver.execute_script(level) > 1e-3, 5)
            except AssertionError:
                silent.append(name)
            finally:
                ActionChains(self.driver).release().perform()
        self.assertEqual(silent, [])
        self.assertEqual(self.console_problems(), [])

    def test_6_wrong_files_leave_a_message_and_the_page_usable(self):
        broken = os.path.join(ARGS.scratch, 'broken.mid')
        with open(broken, 'wb') as f:
            f.write(b'RIFF, but no MIDI song at all')
        # One quarter note lasts 16.8 s at the slowest tempo: 60 of them are 16.8 minutes.
        long_song = os.path.join(ARGS.scratch, 'long.mid')
        with open(long_song, 'wb') as f:
            f.write(midi_file([(0, b'\xff\x51\x03\xff\xff\xff'), (0, bytes([0x90, 60, 100])),
                               (480 * 60, bytes([0x80, 60, 0]))]))
        good = self.source('presets', 'chip-songs', 'coin-run.mid')
        picker = self.driver.find_element('id', 'song')
        message = self.driver.find_element('id', 'render-message')
        for path, words in ((broken, 'not a Standard MIDI File'), (long_song, 'the page renders at most')):
            self.driver.execute_script('delete document.body.dataset.renderError')
            picker.send_keys(path)
            self.wait_for(lambda: self.driver.execute_script('return document.body.dataset.renderError'))
            self.assertIn(words, message.text)
            self.assertIn(os.path.basename(path), message.text)
            self.driver.execute_script('delete document.body.dataset.rendered')
            picker.send_keys(good)
            self.wait_for(lambda: self.driver.execute_script('return document.body.dataset.rendered') == 'coin-run.mid',
                          120)
            self.assertIn('rendered in', message.text)
        self.assertEqual(self.console_problems(), [])


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--site', required=True, help='the laid-out page (build/web)')
    parser.add_argument('--render', required=True, help='tolvane-render')
    parser.add_argument('--source', required=True, help='the source tree, for the songs')
    parser.add_argument('--presets', help='the .vstpreset files (default: the site\'s copies)')
    parser.add_argument('--chromium', default=shutil.which('chromium') or '/usr/bin/chromium')
    parser.add_argument('--chromedriver', default=shutil.which('chromedriver') or '/usr/bin/chromedriver')
    ARGS, rest = parser.parse_known_args()
    ARGS.presets = os.path.abspath(ARGS.presets or os.path.join(ARGS.site, 'presets'))
    ARGS.source = os.path.abspath(ARGS.source)
    try:
        import selenium  # noqa: F401
    except ImportError:
        print('skipped: no selenium (Debian: python3-selenium)')
        return SKIPPED
    for program in (ARGS.chromium, ARGS.chromedriver):
        if not os.path.exists(program):
            print(f'skipped: {program} is missing (Debian: chromium, chromium-driver)')
            return SKIPPED
    with tempfile.TemporaryDirectory(prefix='tolvane-page-test-') as scratch:
        ARGS.scratch = scratch
        result = unittest.main(argv=[sys.argv[0], '-v'] + rest, exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
