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

const binary = process.env.TALLWICK_AUDIO_BIN;
const soundServer = process.env.TALLWICK_SOUND_SERVER;
const skip = binary && soundServer ? false : 'TALLWICK_AUDIO_BIN and TALLWICK_SOUND_SERVER are not set';

// Power of one frequency in the samples (Goertzel), for telling a tone apart.
function powerAt(samples, frequency, rate = 16000) {
  const coefficient = 2 * Math.cos((2 * Math.PI * frequency) / rate);
  let previous = 0;
  let beforePrevious = 0;
  for (const sample of samples) {
    const current = sample + coefficient * previous - beforePrevious;
    beforePrevious = previous;
    previous = current;
  }
  return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

// Runs `body` with the environment of a private sound server, stopped after.
async function withSoundServer(body) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tallwick-node-host-'));
  execFileSync(soundServer, ['start', dir, String(process.pid)], { stdio: ['ignore', 'ignore', 'inherit'] });
  try {
    const env = { ...process.env };
    for (const line of execFileSync(soundServer, ['env', dir], { encoding: 'utf8' }).split('\n')) {
      const equals = line.indexOf('=');
      if (equals > 0) env[line.slice(0, equals)] = line.slice(equals + 1);
    }
    const kind = execFileSync(soundServer, ['kind', dir], { encoding: 'utf8' }).trim();
    await body(env, dir, kind);
  } finally {
    execFileSync(soundServer, ['stop', dir], { stdio: 'ignore' });
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function waitFor(emitter, name) {
  return new Promise((resolve) => emitter.once(name, resolve));
}

test('a tone played on the sound server arrives as audio and level events', { skip, timeout: 60000 }, async () => {
  await withSoundServer(async (env, dir, kind) => {
    const tone = path.join(dir, 'tone.wav');
    execFileSync('sox', ['-n', '-r', '48000', '-c', '2', '-b', '16', tone, 'synth', '2', 'sine', '1000', 'vol', '0.1']);

    const audio = startTallwickAudio({ binary, source: 'system', env });
    const pcm = [];
    const levels = [];
    const invalid = [];
    const errors = [];
    audio.on('audio', (chunk) => pcm.push(chunk));
    audio.on('level', (level) => levels.push(level));
    audio.on('invalid', (line) => invalid.push(line));
    audio.on('error', (err) => errors.push(err.message));
    await Promise.race([waitFor(audio, 'ready'), audio.exited()]);
    assert.strictEqual(audio.exitInfo, null, `the tool ended early: ${errors.join('; ')}`);

    const player = spawn('paplay', [tone], { env, stdio: 'inherit' });
    const playerCode = await new Promise((resolve) => player.on('close', resolve));
    assert.strictEqual(playerCode, 0);
    const exit = await audio.stop();

    assert.strictEqual(exit.signal, 'SIGTERM');
    assert.strictEqual(exit.partialLastLine, null);
    assert.deepStrictEqual(invalid, []);
    assert.deepStrictEqual(errors, []);
    const all = Buffer.concat(pcm);
    const samples = new Int16Array(all.buffer, all.byteOffset, all.length / 2);
    assert.ok(samples.length >= 16000 * 1.5, `only ${samples.length} samples`);
    // 0.1 of full scale on both channels: PulseAudio averages them to mono,
    // PipeWire sums them over the square root of two.
    const expected = ((0.1 * 32768) / Math.SQRT2 / 6000) * (kind === 'pipewire' ? Math.SQRT2 : 1);
    const loudest = Math.max(...levels);
    assert.ok(Math.abs(loudest - expected) < 0.1 * expected, `loudest level ${loudest}, expected about ${expected} on ${kind}`);
    const tonePower = powerAt(samples, 1000);
    for (const other of [500, 1500, 3000]) {
      assert.ok(tonePower > 100 * powerAt(samples, other), `1000 Hz does not stand out against ${other} Hz`);
    }
  });
});

test('a host killed outright does not leave the tool capturing', { skip, timeout: 60000 }, async () => {
  await withSoundServer(async (env) => {
    // SIGKILL runs no 'exit' handler: the tool has to notice by itself that
    // its reader is gone, at its next write.
    const host = spawn(process.execPath, ['-e', `
      const { startTallwickAudio } = require(${JSON.stringify(path.join(__dirname, '..', 'tallwickAudio.js'))});
      const audio = startTallwickAudio({ binary: ${JSON.stringify(binary)}, source: 'system' });
      audio.once('audio', () => console.log(audio.pid));
    `], { env, stdio: ['ignore', 'pipe', 'inherit'] });
    const toolPid = await new Promise((resolve) => host.stdout.once('data', (chunk) => resolve(Number(String(chunk).trim()))));
    assert.ok(toolPid > 0);
    host.kill('SIGKILL');
    const deadline = Date.now() + 5000;
    let gone = false;
    while (!gone && Date.now() < deadline) {
      try {
        process.kill(toolPid, 0);
        gone = /^State:\s+Z/m.test(fs.readFileSync(`/proc/${toolPid}/status`, 'utf8'));
      } catch {
        gone = true;
      }
      if (!gone) await new Promise((resolve) => setTimeout(resolve, 20));
    }
    assert.ok(gone, `tool ${toolPid} still running after its host was killed`);
  });
});
