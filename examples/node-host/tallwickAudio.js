'use strict';
// Runs tallwick_audio as a child process and turns its standard output into
// typed events. Node's standard library only; works on Node 18 and later.
//
//   const { startTallwickAudio } = require('tallwick-audio');
//   const audio = startTallwickAudio({ binary: '/path/to/tallwick_audio', source: 'system' });
//   // or, without binary, the path in the environment variable TALLWICK_AUDIO_BIN
//   audio.on('audio', (pcm) => { /* Buffer of 16 kHz mono s16le samples */ });
//   audio.on('level', (level) => { /* 0 to 1 */ });
//   audio.on('log', (message) => {});
//   audio.on('ready', (message) => {});
//   audio.on('error', (err) => { /* err.code: 'TOOL_ERROR' from the tool, or a spawn error */ });
//   audio.on('invalid', ({ lineNumber, reason, text }) => {});
//   audio.on('exit', ({ code, signal, partialLastLine }) => {});
//   await audio.stop();   // SIGTERM, then SIGKILL after stopTimeoutMs

const { spawn } = require('node:child_process');
const { EventEmitter } = require('node:events');

// Where the tool is when no explicit path is given: an application sets it in
// development, or its launcher sets it where the packaged sidecar lies.
const BINARY_VARIABLE = 'TALLWICK_AUDIO_BIN';
const MAX_LINE_BYTES = 16 * 1024 * 1024;
const LINE_FEED = 0x0a;

// Cuts a byte stream into lines at line feeds however the chunks fall: a line
// split across chunks, several lines in one chunk, a UTF-8 character cut in
// two. It works on bytes and decodes each whole line once, since decoding
// chunk by chunk would garble a character split between two chunks. A line
// longer than maxLineBytes is dropped (its length is reported) so a runaway
// writer cannot exhaust memory.
class LineSplitter {
  constructor({ maxLineBytes = MAX_LINE_BYTES } = {}) {
    this.maxLineBytes = maxLineBytes;
    this.pieces = [];
    this.pendingBytes = 0;
    this.overLimit = false;
  }

  // Returns the lines this chunk completed: { text } or { oversize: byteCount }.
  push(chunk) {
    const lines = [];
    let start = 0;
    for (;;) {
      const end = chunk.indexOf(LINE_FEED, start);
      if (end === -1) {
        this._keep(chunk.subarray(start));
        return lines;
      }
      this._keep(chunk.subarray(start, end));
      lines.push(this._take());
      start = end + 1;
    }
  }

  // What followed the last line feed when the stream ended, or null.
  end() {
    if (this.pendingBytes === 0 && !this.overLimit) return null;
    return this._take();
  }

  _keep(bytes) {
    if (bytes.length === 0) return;
    this.pendingBytes += bytes.length;
    if (this.overLimit) return;
    if (this.pendingBytes > this.maxLineBytes) {
      this.overLimit = true;
      this.pieces = [];
      return;
    }
    this.pieces.push(bytes);
  }

  _take() {
    const line = this.overLimit
      ? { oversize: this.pendingBytes }
      : { text: Buffer.concat(this.pieces, this.pendingBytes).toString('utf8') };
    this.pieces = [];
    this.pendingBytes = 0;
    this.overLimit = false;
    return line;
  }
}

const BASE64 = /^(?:[A-Za-z0-9+/]{4})*(?:[A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?$/;
const LEVEL = /^[01]\.[0-9]{4}$/;
const MESSAGE_TYPES = new Set(['log', 'ready', 'level', 'error']);

// One line of the event stream to { type, pcm } for "audio", { type, level }
// for "level", { type, message } otherwise; or { invalid: reason }.
function parseEventLine(text) {
  let event;
  try {
    event = JSON.parse(text);
  } catch (err) {
    return { invalid: `not JSON: ${err.message}` };
  }
  if (event === null || typeof event !== 'object' || Array.isArray(event)) {
    return { invalid: 'not a JSON object' };
  }
  for (const [key, value] of Object.entries(event)) {
    if (key !== 'type' && key !== 'data' && key !== 'message') return { invalid: `unknown member "${key}"` };
    if (typeof value !== 'string') return { invalid: `member "${key}" is not a string` };
  }
  const { type, data, message } = event;
  if (type === 'audio') {
    if (data === undefined || message !== undefined) return { invalid: '"audio" needs "data" and no "message"' };
    if (data.length === 0 || !BASE64.test(data)) return { invalid: '"audio" data is not padded standard base64' };
    const pcm = Buffer.from(data, 'base64');
    if (pcm.length % 2 !== 0) return { invalid: '"audio" data is not whole 16-bit samples' };
    return { type, pcm };
  }
  if (!MESSAGE_TYPES.has(type)) return { invalid: `unknown type ${JSON.stringify(type)}` };
  if (message === undefined || data !== undefined) return { invalid: `"${type}" needs "message" and no "data"` };
  if (type === 'level') {
    const level = Number(message);
    if (!LEVEL.test(message) || level > 1) return { invalid: `level "${message}" is not 0.0000 to 1.0000` };
    return { type, level };
  }
  return { type, message };
}

// Children still running, killed if the host process exits before stopping
// them: a capture left behind would hold the microphone for nobody.
const running = new Set();
function killLeftovers() {
  for (const child of running) {
    try {
      child.kill('SIGKILL');
    } catch {
      // already gone
    }
  }
}

class TallwickAudio extends EventEmitter {
  constructor({ binary, source = 'system', args = [], env = process.env, stopTimeoutMs = 3000 } = {}) {
    super();
    const executable = binary || env[BINARY_VARIABLE];
    if (!executable) {
      throw new TypeError(`binary: give the path of tallwick_audio, or set ${BINARY_VARIABLE} to it`);
    }
    this.stopTimeoutMs = stopTimeoutMs;
    this.lineNumber = 0;
    this.exitInfo = null;
    this._splitter = new LineSplitter();
    this._exited = new Promise((resolve) => {
      this._resolveExited = resolve;
    });

    const child = spawn(executable, ['--source', source, ...args], {
      env,
      stdio: ['ignore', 'pipe', 'inherit'],
    });
    this.child = child;
    if (running.size === 0) process.on('exit', killLeftovers);
    running.add(child);

    child.stdout.on('data', (chunk) => {
      for (const line of this._splitter.push(chunk)) this._line(line);
    });
    child.on('error', (err) => {
      // Spawning failed (or a kill did). A child that never started sends no
      // 'close', so it ends here, even if no 'error' listener is there to catch this.
      const neverStarted = child.pid === undefined;
      try {
        this.emit('error', err);
      } finally {
        if (neverStarted) this._finish(null, null, err);
      }
    });
    // 'close' comes after the process has ended and its output is drained,
    // so every event is out before 'exit'.
    child.on('close', (code, signal) => this._finish(code, signal));
  }

  get pid() {
    return this.child.pid;
  }

  // Resolves with { code, signal, partialLastLine } once the tool has ended.
  exited() {
    return this._exited;
  }

  // Asks the tool to end (SIGTERM), kills it if it has not after
  // stopTimeoutMs, and resolves once it is gone.
  stop() {
    if (this.exitInfo) return this._exited;
    if (!this._stopping) {
      this._stopping = true;
      this.child.kill('SIGTERM');
      this._killTimer = setTimeout(() => this.child.kill('SIGKILL'), this.stopTimeoutMs);
    }
    return this._exited;
  }

  _line(line) {
    this.lineNumber += 1;
    if (line.oversize !== undefined) {
      this._invalid(`line of ${line.oversize} bytes, over the limit`, '');
      return;
    }
    const event = parseEventLine(line.text);
    if (event.invalid) {
      this._invalid(event.invalid, line.text);
    } else if (event.type === 'audio') {
      this.emit('audio', event.pcm);
    } else if (event.type === 'level') {
      this.emit('level', event.level);
    } else if (event.type === 'error') {
      const err = new Error(event.message);
      err.code = 'TOOL_ERROR';
      this.emit('error', err);
    } else {
      this.emit(event.type, event.message);
    }
  }

  _invalid(reason, text) {
    this.emit('invalid', { lineNumber: this.lineNumber, reason, text: text.slice(0, 200) });
  }

  _finish(code, signal, spawnError) {
    if (this.exitInfo) return;
    clearTimeout(this._killTimer);
    running.delete(this.child);
    if (running.size === 0) process.removeListener('exit', killLeftovers);
    let partialLastLine = null;
    const rest = this._splitter.end();
    if (rest) {
      this.lineNumber += 1;
      partialLastLine = rest.text ?? '';
      this._invalid(`partial last line: ${rest.oversize ?? Buffer.byteLength(rest.text)} bytes and no line feed`,
        partialLastLine);
    }
    this.exitInfo = { code, signal, partialLastLine, spawnError: spawnError ?? null };
    this.emit('exit', this.exitInfo);
    this._resolveExited(this.exitInfo);
  }
}

function startTallwickAudio(options) {
  return new TallwickAudio(options);
}

module.exports = { startTallwickAudio, TallwickAudio, LineSplitter, parseEventLine, BINARY_VARIABLE };
