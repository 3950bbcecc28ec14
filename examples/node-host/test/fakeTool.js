#!/usr/bin/env node
'use strict';
// Stands in for tallwick_audio in the host example's tests. FAKE_TOOL_MODE:
//   chunks    a few events written in awkward pieces, a partial last line, exit 0
//   polite    audio every 10 ms until SIGTERM ends it
//   stubborn  audio every 10 ms, SIGTERM and a reader gone ignored, for 30 s
//   fail      one error event, exit 1

const mode = process.env.FAKE_TOOL_MODE;
const write = (text, done) => process.stdout.write(text, done);
// A reader that went away ends it, as it ends the real tool; only the stubborn
// one has to be killed, and ends by itself should a failing test not kill it.
process.stdout.on('error', () => mode !== 'stubborn' && process.exit(1));

if (mode === 'chunks') {
  const pieces = [
    '{"type":"log","message":"Requesting screen capture permission\u2026"}\n{"type":"rea',
    'dy","message":"ok"}\n',
    '{"type":"level","message":"0.2500"}\n{"type":"audio","data":"AAEAAP8A"}\n{"type":"au',
    'dio","data":"AAEAAP8A',
    '"}\n{"type":"bogus"}\n{"type":"log","message":"caf',
    // A UTF-8 character split across two writes.
    Buffer.from('\u00e9').subarray(0, 1),
    Buffer.concat([Buffer.from('\u00e9').subarray(1), Buffer.from('"}\n{"type":"log"')]),
  ];
  const next = (i) => (i < pieces.length ? write(pieces[i], () => setTimeout(next, 5, i + 1)) : process.exit(0));
  next(0);
} else if (mode === 'polite' || mode === 'stubborn') {
  if (mode === 'stubborn') {
    process.on('SIGTERM', () => {});
    setTimeout(() => process.exit(1), 30000);
  }
  write('{"type":"ready","message":"fake"}\n');
  setInterval(() => write('{"type":"level","message":"0.5000"}\n{"type":"audio","data":"AAEAAP8A"}\n'), 10);
} else if (mode === 'fail') {
  write('{"type":"error","message":"No sound server"}\n');
  process.exitCode = 1;
} else {
  process.exitCode = 64;
}
