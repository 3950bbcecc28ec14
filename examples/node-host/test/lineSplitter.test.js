'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { LineSplitter, parseEventLine } = require('../tallwickAudio');

const stream = Buffer.from('{"type":"log","message":"caf\u00e9 \ud83c\udfa4"}\n\n{"type":"audio","data":"AAEA\\/w=="}\npartial \u00e9');
const expectedLines = ['{"type":"log","message":"caf\u00e9 \ud83c\udfa4"}', '', '{"type":"audio","data":"AAEA\\/w=="}'];

test('every way of cutting the stream gives the same lines, UTF-8 characters cut in two included', () => {
  const cuttings = [[1], [7, 1, 13], [4096]];
  for (let cut = 0; cut <= stream.length; cut += 1) cuttings.push([cut, stream.length]);
  for (const sizes of cuttings) {
    const splitter = new LineSplitter();
    const lines = [];
    for (let at = 0, i = 0; at < stream.length; at += sizes[i % sizes.length], i += 1) {
      lines.push(...splitter.push(stream.subarray(at, at + sizes[i % sizes.length])).map((line) => line.text));
    }
    assert.deepStrictEqual(lines, expectedLines, `chunks of ${sizes}`);
    assert.deepStrictEqual(splitter.end(), { text: 'partial \u00e9' }, `chunks of ${sizes}`);
  }
});

test('a line over the limit is dropped and counted, the next one is whole again', () => {
  const splitter = new LineSplitter({ maxLineBytes: 10 });
  const lines = ['0123456789', '01234', '56789\nok\n0123456789\n'].flatMap((part) => splitter.push(Buffer.from(part)));
  assert.deepStrictEqual(lines, [{ oversize: 20 }, { text: 'ok' }, { text: '0123456789' }]);
  assert.strictEqual(new LineSplitter().end(), null);
  splitter.push(Buffer.from('0123456789abc'));
  assert.deepStrictEqual(splitter.end(), { oversize: 13 });
});

test('event lines become typed events, and anything off the grammar is invalid', () => {
  assert.deepStrictEqual(parseEventLine('{"data":"AAEA\\/w==","type":"audio"}'), { type: 'audio', pcm: Buffer.from([0, 1, 0, 0xff]) });
  for (const line of [
    '{"type":"level","message":"1.0001"}', '{"type":"level","message":"0.5"}', '{"type":"audio","data":"AAEA"}',
    '{"type":"audio","data":"AA-_"}', '{"type":"audio","data":""}', '{"type":"log"}', '{"type":"log","message":1}',
    '{"type":"debug","message":"x"}', '{"type":"log","message":"x","time":"1"}', 'null', '{"type":"log","message":"x"',
  ]) assert.ok(parseEventLine(line).invalid, line);
});
