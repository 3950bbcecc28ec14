'use strict';
// The host module against a stand-in tool: event order, partial last lines,
// exit statuses, and that no tool is ever left running.
const test = require('node:test');
const assert = require('node:assert');
const path = require('node:path');
const fs = require('node:fs');
const { spawn } = require('node:child_process');
const { startTallwickAudio } = require('../tallwickAudio');

// Killed by ctest's deadline: the module's exit handler kills the tools still running.
process.once('SIGTERM', () => process.exit(143));
const fakeTool = path.join(__dirname, 'fakeTool.js');
const limits = { timeout: 30000 };
const { TALLWICK_AUDIO_BIN: _, ...environment } = process.env;
const env = (mode, variable = {}) => ({ ...environment, FAKE_TOOL_MODE: mode, ...variable });
const started = [];
const startFake = (mode, options = {}) => started[started.push(startTallwickAudio({ binary: fakeTool, env: env(mode), ...options })) - 1];
// A test past its deadline is left waiting; its tools would keep this process alive.
test.after(() => started.forEach((audio) => audio.child.kill('SIGKILL')));

function isGone(pid) {
  try {
    process.kill(pid, 0);
    // A zombie that nobody has reaped yet is gone as well.
    return /^State:\s+Z/m.test(fs.readFileSync(`/proc/${pid}/status`, 'utf8'));
  } catch {
    return true;
  }
}

async function eventually(condition, timeoutMs = 10000) {
  for (const deadline = Date.now() + timeoutMs; !condition(); await new Promise((resolve) => setTimeout(resolve, 10))) {
    if (Date.now() > deadline) return false;
  }
  return true;
}

test('events come out whole and in order however the tool writes them', limits, async () => {
  const audio = startFake('chunks');
  const events = [];
  for (const name of ['log', 'ready', 'level', 'audio', 'invalid', 'exit']) audio.on(name, (value) => events.push([name, value]));
  const exit = await audio.exited();
  assert.deepStrictEqual(exit, { code: 0, signal: null, partialLastLine: '{"type":"log"', spawnError: null });
  const pcm = Buffer.from([0x00, 0x01, 0x00, 0x00, 0xff, 0x00]);
  assert.deepStrictEqual(events, [
    ['log', 'Requesting screen capture permission\u2026'], ['ready', 'ok'], ['level', 0.25], ['audio', pcm], ['audio', pcm],
    ['invalid', { lineNumber: 6, reason: 'unknown type "bogus"', text: '{"type":"bogus"}' }],
    ['log', 'caf\u00e9'],
    ['invalid', { lineNumber: 8, reason: 'partial last line: 13 bytes and no line feed', text: '{"type":"log"' }],
    ['exit', exit],
  ]);
});

test('the tool is named by binary, else by TALLWICK_AUDIO_BIN; its error and exit status reach the host', limits, async () => {
  const missing = '/nonexistent/tallwick_audio';
  for (const [options, errors, code, spawnError] of [
    [{ env: env('fail', { TALLWICK_AUDIO_BIN: fakeTool }) }, ['No sound server'], 1, undefined],
    [{ binary: missing, env: env('fail', { TALLWICK_AUDIO_BIN: fakeTool }) }, ['spawn /nonexistent/tallwick_audio ENOENT'], null, 'ENOENT'],
  ]) {
    const audio = startTallwickAudio(options);
    const seen = [];
    audio.on('error', (err) => seen.push(err.message));
    const exit = await audio.exited();
    assert.deepStrictEqual([seen, exit.code, exit.spawnError?.code], [errors, code, spawnError], JSON.stringify(options.binary));
  }
  assert.throws(() => startTallwickAudio({ env: env('fail') }), { name: 'TypeError', message: /TALLWICK_AUDIO_BIN/ });
});

test('stop() ends the tool with SIGTERM, or kills one that ignores it once the timeout has passed', limits, async () => {
  for (const [mode, signal, minimumMs] of [['polite', 'SIGTERM', 0], ['stubborn', 'SIGKILL', 250]]) {
    const audio = startFake(mode, { stopTimeoutMs: 300 });
    let chunks = 0;
    audio.on('audio', () => { chunks += 1; });
    // Audio flowing means its SIGTERM handler is in place.
    assert.ok(await eventually(() => chunks >= 3));
    const started = Date.now();
    const exit = await audio.stop();
    assert.strictEqual(exit.signal, signal);
    assert.ok(Date.now() - started >= minimumMs, 'it had its time to end by itself first');
    assert.ok(isGone(audio.pid));
    assert.strictEqual(await audio.stop(), exit, 'stopping again just gives the same exit');
  }
});

test('a host that exits without stopping the tool takes the tool with it', limits, async () => {
  const host = spawn(process.execPath, ['-e', `
    const { startTallwickAudio } = require(${JSON.stringify(path.join(__dirname, '..', 'tallwickAudio.js'))});
    const audio = startTallwickAudio({ binary: ${JSON.stringify(fakeTool)}, env: { ...process.env, FAKE_TOOL_MODE: 'stubborn' } });
    audio.once('audio', () => { console.log(audio.pid); process.exit(0); });
  `], { stdio: ['ignore', 'pipe', 'ignore'] });
  let output = '';
  host.stdout.on('data', (chunk) => { output += chunk; });
  assert.strictEqual(await new Promise((resolve) => host.on('close', resolve)), 0);
  const toolPid = Number(output.trim());
  assert.ok(toolPid > 0, output);
  assert.ok(await eventually(() => isGone(toolPid)), `tool ${toolPid} still running`);
});
