'use strict';
// The host module against a stand-in tool: event order, partial last lines,
// exit statuses, and that no tool is ever left running.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const fs = require('node:fs');
const { spawn } = require('node:child_process');
const { startTallwickAudio } = require('../tallwickAudio');

const fakeTool = path.join(__dirname, 'fakeTool.js');

function startFake(mode, options = {}) {
  return startTallwickAudio({ binary: fakeTool, env: { ...process.env, FAKE_TOOL_MODE: mode }, ...options });
}

function record(audio) {
  const events = [];
  for (const name of ['log', 'ready', 'level', 'audio', 'invalid', 'exit']) {
    audio.on(name, (value) => events.push([name, value]));
  }
  audio.on('error', (err) => events.push(['error', err.message]));
  return events;
}

function isGone(pid) {
  try {
    process.kill(pid, 0);
  } catch {
    return true;
  }
  // A zombie that nobody has reaped yet is gone as well.
  try {
    return /^State:\s+Z/m.test(fs.readFileSync(`/proc/${pid}/status`, 'utf8'));
  } catch {
    return true;
  }
}

async function eventually(condition, timeoutMs = 10000) {
  const deadline = Date.now() + timeoutMs;
  while (!condition()) {
    if (Date.now() > deadline) return false;
    await new Promise((resolve) => setTimeout(resolve, 10));
  }
  return true;
}

test('events come out whole and in order however the tool writes them', async () => {
  const audio = startFake('chunks');
  const events = record(audio);
  const exit = await audio.exited();
  assert.deepStrictEqual(exit, { code: 0, signal: null, partialLastLine: '{"type":"log"', spawnError: null });
  const pcm = Buffer.from([0x00, 0x01, 0x00, 0x00, 0xff, 0x00]);
  assert.deepStrictEqual(events, [
    ['log', 'Requesting screen capture permission\u2026'],
    ['ready', 'ok'],
    ['level', 0.25],
    ['audio', pcm],
    ['audio', pcm],
    ['invalid', { lineNumber: 6, reason: 'unknown type "bogus"', text: '{"type":"bogus"}' }],
    ['log', 'caf\u00e9'],
    ['invalid', { lineNumber: 8, reason: 'partial last line: 13 bytes and no line feed', text: '{"type":"log"' }],
    ['exit', exit],
  ]);
  assert.strictEqual(new Int16Array(pcm.buffer, pcm.byteOffset, 3)[0], 256);
});

test("the tool's error event and its exit status reach the host", async () => {
  const audio = startFake('fail');
  const events = record(audio);
  const exit = await audio.exited();
  assert.strictEqual(exit.code, 1);
  assert.deepStrictEqual(events[0], ['error', 'No sound server']);
});

test('a tool that cannot be started is an error and an exit, not a hang', async () => {
  const audio = startTallwickAudio({ binary: '/nonexistent/tallwick_audio' });
  const errors = [];
  audio.on('error', (err) => errors.push(err.code));
  const exit = await audio.exited();
  assert.deepStrictEqual(errors, ['ENOENT']);
  assert.strictEqual(exit.code, null);
  assert.strictEqual(exit.spawnError.code, 'ENOENT');
});

test('the tool is named by binary, else by TALLWICK_AUDIO_BIN; with neither, nothing starts', async () => {
  const { TALLWICK_AUDIO_BIN: _, ...withoutVariable } = process.env;
  const env = (variable) => ({ ...withoutVariable, FAKE_TOOL_MODE: 'fail', ...variable });
  for (const [options, expected] of [
    [{ env: env({ TALLWICK_AUDIO_BIN: fakeTool }) }, 1],
    [{ binary: fakeTool, env: env({ TALLWICK_AUDIO_BIN: '/nonexistent/tallwick_audio' }) }, 1],
    [{ binary: '/nonexistent/tallwick_audio', env: env({ TALLWICK_AUDIO_BIN: fakeTool }) }, null],
  ]) {
    const audio = startTallwickAudio(options);
    audio.on('error', () => {});
    assert.strictEqual((await audio.exited()).code, expected, JSON.stringify(options.binary));
  }
  assert.throws(() => startTallwickAudio({ env: env({}) }), { name: 'TypeError', message: /TALLWICK_AUDIO_BIN/ });
});

test('stop() ends the tool with SIGTERM', async () => {
  const audio = startFake('polite');
  let chunks = 0;
  audio.on('audio', () => { chunks += 1; });
  assert.ok(await eventually(() => chunks >= 3));
  const exit = await audio.stop();
  assert.strictEqual(exit.signal, 'SIGTERM');
  assert.ok(isGone(audio.pid));
  assert.strictEqual(await audio.stop(), exit, 'stopping again just gives the same exit');
});

test('stop() kills a tool that ignores SIGTERM once the timeout has passed', async () => {
  const audio = startFake('stubborn', { stopTimeoutMs: 300 });
  let chunks = 0;
  audio.on('audio', () => { chunks += 1; });
  // Audio flowing means its SIGTERM handler is in place.
  assert.ok(await eventually(() => chunks >= 3));
  const started = Date.now();
  const exit = await audio.stop();
  assert.strictEqual(exit.signal, 'SIGKILL');
  assert.ok(Date.now() - started >= 250, 'it had its time to end by itself first');
});

test('a host that exits without stopping the tool takes the tool with it', async () => {
  const host = spawn(process.execPath, ['-e', `
    const { startTallwickAudio } = require(${JSON.stringify(path.join(__dirname, '..', 'tallwickAudio.js'))});
    const audio = startTallwickAudio({ binary: ${JSON.stringify(fakeTool)},
                                       env: { ...process.env, FAKE_TOOL_MODE: 'stubborn' } });
    audio.once('audio', () => { console.log(audio.pid); process.exit(0); });
  `], { stdio: ['ignore', 'pipe', 'inherit'] });
  let output = '';
  host.stdout.on('data', (chunk) => { output += chunk; });
  const code = await new Promise((resolve) => host.on('close', resolve));
  assert.strictEqual(code, 0);
  const toolPid = Number(output.trim());
  assert.ok(toolPid > 0, output);
  assert.ok(await eventually(() => isGone(toolPid)), `tool ${toolPid} still running`);
});
