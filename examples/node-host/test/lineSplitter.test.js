'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { LineSplitter, parseEventLine } = require('../tallwickAudio');

// The log line is exactly at the limit; the x line and the partial last line are one byte over.
const limit = 37;
const logLine = '{"type":"log","message":"caf\u00e9 \ud83c\udfa4"}';
const audioLine = '{"type":"audio","data":"AAEA\\/w=="}';
const overLimit = (character) => character.repeat(limit + 1);
const stream = Buffer.from(`${logLine}\n${overLimit('x')}\n\n${audioLine}\n${overLimit('y')}`);
const expectedLines =
  [{ text: logLine }, { oversize: limit + 1 }, { text: '' }, { text: audioLine }];

test('every cutting of the stream gives the same lines, split characters and long lines', () => {
  const cuttings = [[1], [7, 1, 13], [4096]];
  for (let cut = 0; cut <= stream.length; cut += 1) cuttings.push([cut, stream.length]);
  for (const sizes of cuttings) {
    const splitter = new LineSplitter({ maxLineBytes: limit });
    const lines = [];
    for (let at = 0, i = 0; at < stream.length; at += sizes[i % sizes.length], i += 1) {
      lines.push(...splitter.push(stream.subarray(at, at + sizes[i % sizes.length])));
    }
    assert.deepStrictEqual(lines, expectedLines, `chunks of ${sizes}`);
    assert.deepStrictEqual(splitter.end(), { oversize: limit + 1 }, `chunks of ${sizes}`);
  }
  assert.strictEqual(new LineSplitter().end(), null);
});

test('event lines become typed events, and anything off the grammar is invalid', () => {
  assert.deepStrictEqual(parseEventLine('{"data":"AAEA\\/w==","type":"audio"}'), { type: 'audio', pcm: Buffer.from([0, 1, 0, 0xff]) });
  for (const line of [
    '{"type":"level","message":"1.0001"}', '{"type":"level","message":"0.5"}', '{"type":"audio","data":"AAEA"}',
    '{"type":"audio","data":"AA-_"}', '{"type":"audio","data":""}', '{"type":"log"}', '{"type":"log","message":1}',
    '{"type":"debug","message":"x"}', '{"type":"log","message":"x","time":"1"}', 'null', '{"type":"log","message":"x"',
  ]) assert.ok(parseEventLine(line).invalid, line);
});
