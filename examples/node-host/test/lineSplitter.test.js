'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { LineSplitter, parseEventLine } = require('../tallwickAudio');

const stream = Buffer.from(
  '{"type":"log","message":"Requesting\u2026 caf\u00e9 \ud83c\udfa4"}\n' +
  '\n' +
  '{"type":"audio","data":"AAEA\\/w=="}\n' +
  '{"type":"ready","message":"ok"}\n' +
  'partial \u00e9',
);
const expectedLines = [
  '{"type":"log","message":"Requesting\u2026 caf\u00e9 \ud83c\udfa4"}',
  '',
  '{"type":"audio","data":"AAEA\\/w=="}',
  '{"type":"ready","message":"ok"}',
];

function splitInChunks(bytes, sizes) {
  const splitter = new LineSplitter();
  const lines = [];
  let at = 0;
  let i = 0;
  while (at < bytes.length) {
    const size = sizes[i % sizes.length];
    lines.push(...splitter.push(bytes.subarray(at, at + size)));
    at += size;
    i += 1;
  }
  return { lines: lines.map((line) => line.text), rest: splitter.end() };
}

test('every split point gives the same lines, UTF-8 characters cut in two included', () => {
  for (let cut = 0; cut <= stream.length; cut += 1) {
    const splitter = new LineSplitter();
    const lines = [...splitter.push(stream.subarray(0, cut)), ...splitter.push(stream.subarray(cut))];
    assert.deepStrictEqual(lines.map((line) => line.text), expectedLines, `cut at ${cut}`);
    assert.deepStrictEqual(splitter.end(), { text: 'partial \u00e9' }, `cut at ${cut}`);
  }
});

test('one byte at a time, and uneven chunk sizes, give the same lines', () => {
  for (const sizes of [[1], [2], [3], [7, 1, 13], [4096]]) {
    const { lines, rest } = splitInChunks(stream, sizes);
    assert.deepStrictEqual(lines, expectedLines, `chunks of ${sizes}`);
    assert.deepStrictEqual(rest, { text: 'partial \u00e9' });
  }
});

test('several lines in one chunk, and a stream ending with a line feed has no partial line', () => {
  const splitter = new LineSplitter();
  const lines = splitter.push(Buffer.from('a\nb\nc\n'));
  assert.deepStrictEqual(lines.map((line) => line.text), ['a', 'b', 'c']);
  assert.strictEqual(splitter.end(), null);
});

test('a line over the limit is dropped, counted, and the next line is whole again', () => {
  const splitter = new LineSplitter({ maxLineBytes: 10 });
  const lines = [
    ...splitter.push(Buffer.from('0123456789')),
    ...splitter.push(Buffer.from('01234')),
    ...splitter.push(Buffer.from('56789\nok\n0123456789\n')),
  ];
  assert.deepStrictEqual(lines, [{ oversize: 20 }, { text: 'ok' }, { text: '0123456789' }]);
  splitter.push(Buffer.from('0123456789abc'));
  assert.deepStrictEqual(splitter.end(), { oversize: 13 });
});

test('event lines become typed events, and anything off the grammar is invalid', () => {
  assert.deepStrictEqual(parseEventLine('{"type":"level","message":"0.2500"}'), { type: 'level', level: 0.25 });
  assert.deepStrictEqual(parseEventLine('{"message":"x","type":"log"}'), { type: 'log', message: 'x' });
  const audio = parseEventLine('{"type":"audio","data":"AAEA\\/w=="}');
  assert.strictEqual(audio.type, 'audio');
  assert.deepStrictEqual([...audio.pcm], [0x00, 0x01, 0x00, 0xff]);
  for (const line of [
    '{"type":"level","message":"1.0001"}',
    '{"type":"level","message":"0.5"}',
    '{"type":"audio","data":"AAEA"}', // 3 bytes
    '{"type":"audio","data":"AAE"}', // unpadded
    '{"type":"audio","data":"AA-_"}', // base64url
    '{"type":"audio","data":""}',
    '{"type":"audio","data":"AAA=","message":"x"}',
    '{"type":"log"}',
    '{"type":"log","message":"x","data":"AAA="}',
    '{"type":"log","message":1}',
    '{"type":"debug","message":"x"}',
    '{"type":"log","message":"x","time":"1"}',
    '["log"]',
    'null',
    '{"type":"log","message":"x"',
  ]) {
    assert.ok(parseEventLine(line).invalid, line);
  }
});
