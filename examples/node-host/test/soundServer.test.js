'use strict';
// The host module with the real tool against a private sound server while a
// tone plays. Needs TALLWICK_AUDIO_BIN (the built tallwick_audio) and
// TALLWICK_SOUND_SERVER (scripts/sound-server.sh); skipped without them.
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync, spawn } = require('node:child_process');
const { startTallwickAudio } = require('../tallwickAudio');

// Killed by ctest's deadline: the module's exit handler kills the tool, and the
// server would stop by itself once this process is gone, but its folder would stay.
process.once('SIGTERM', () => {
  cleanUp();
  process.exit(143);
});
const binary = process.env.TALLWICK_AUDIO_BIN;
const soundServer = process.env.TALLWICK_SOUND_SERVER;
const skip = binary && soundServer ? false : 'TALLWICK_AUDIO_BIN and TALLWICK_SOUND_SERVER are not set';

// What the test started, ended here as well: a test past its deadline is left
// waiting, and the children it started would keep this process alive.
let dir = null;
let audio = null;
let player = null;
function cleanUp() {
  player?.kill('SIGKILL');
  audio?.child.kill('SIGKILL');
  if (dir) execFileSync(soundServer, ['stop', dir], { stdio: 'ignore' });
  if (dir) fs.rmSync(dir, { recursive: true, force: true });
  dir = null;
}
test.after(cleanUp);

test('a tone played on the sound server arrives as audio and level events', { skip, timeout: 30000 }, async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tallwick-node-host-'));
  execFileSync(soundServer, ['start', dir, String(process.pid)], { stdio: 'ignore' });
  const server = (command) => execFileSync(soundServer, [command, dir], { encoding: 'utf8' });
  const env = { ...process.env, ...Object.fromEntries(server('env').split('\n').filter(Boolean).map((line) => line.split(/=(.*)/s, 2))) };
  const kind = server('kind').trim();
  const tone = path.join(dir, 'tone.wav');
  execFileSync('sox', ['-n', '-r', '48000', '-c', '2', '-b', '16', tone, 'synth', '2', 'sine', '1000', 'vol', '0.1']);

  audio = startTallwickAudio({ binary, source: 'system', env });
  const seen = { audio: [], level: [], invalid: [], error: [] };
  for (const name of Object.keys(seen)) audio.on(name, (value) => seen[name].push(value));
  await Promise.race([new Promise((resolve) => audio.once('ready', resolve)), audio.exited()]);
  assert.strictEqual(audio.exitInfo, null, `the tool ended early: ${seen.error.join('; ')}`);

  player = spawn('paplay', [tone], { env, stdio: 'ignore' });
  assert.strictEqual(await new Promise((resolve) => player.on('close', resolve)), 0);
  const exit = await audio.stop();

  assert.deepStrictEqual([exit.signal, exit.partialLastLine, seen.invalid, seen.error], ['SIGTERM', null, [], []]);
  assert.ok(Buffer.concat(seen.audio).length >= 2 * 16000 * 1.5, 'less than the tone');
  // 0.1 of full scale on both channels: PulseAudio averages them to mono,
  // PipeWire sums them over the square root of two.
  const expected = ((0.1 * 32768) / Math.SQRT2 / 6000) * (kind === 'pipewire' ? Math.SQRT2 : 1);
  const loudest = Math.max(...seen.level);
  assert.ok(Math.abs(loudest - expected) < 0.1 * expected, `loudest level ${loudest}, expected about ${expected} on ${kind}`);
});
