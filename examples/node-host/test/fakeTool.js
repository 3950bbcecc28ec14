#!/usr/bin/env node
'use strict';
// Stands in for tallwick_audio in the host example's tests. FAKE_TOOL_MODE:
//   chunks    a few events written in awkward pieces, a partial last line, exit 0
//   polite    audio every 10 ms until SIGTERM ends it
//   stubborn  audio every 10 ms, SIGTERM ignored
//   fail      one error event, exit 1

const mode = process.env.FAKE_TOOL_MODE;
const write = (text) => process.stdout.write(text);
const audioLine = '{"type":"audio","data":"AAEAAP8A"}\n'; // samples 256, 0, 255

function every10ms() {
  write('{"type":"ready","message":"fake"}\n');
  setInterval(() => write(`{"type":"level","message":"0.5000"}\n${audioLine}`), 10);
}

if (mode === 'chunks') {
  const pieces = [
    '{"type":"log","message":"Requesting screen capture permission\u2026"}\n{"type":"rea',
    'dy","message":"ok"}\n',
    '{"type":"level","message":"0.2500"}\n{"type":"audio","data":"AAEAAP8A"}\n{"type":"au',
    'dio","data":"AAEAAP8A',
    '"}\n{"type":"bogus"}\n{"type":"log","message":"caf',
  ];
  const last = Buffer.from('\u00e9"}\n{"type":"log"');
  let i = 0;
  const next = () => {
    if (i < pieces.length) {
      write(pieces[i]);
      i += 1;
      setTimeout(next, 5);
    } else {
      // A UTF-8 character split across two writes.
      write(last.subarray(0, 1));
      setTimeout(() => write(last.subarray(1), () => process.exit(0)), 5);
    }
  };
  next();
} else if (mode === 'polite') {
  every10ms();
} else if (mode === 'stubborn') {
  process.on('SIGTERM', () => {});
  every10ms();
} else if (mode === 'fail') {
  write('{"type":"error","message":"No sound server"}\n');
  process.exitCode = 1;
} else {
  process.exitCode = 64;
}
