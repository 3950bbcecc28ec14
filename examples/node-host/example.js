#!/usr/bin/env node
'use strict';
// Prints what tallwick_audio sends: its messages, a line a second with the
// audio received and the last level, and how it ended. Ctrl-C stops it.
//
//   node example.js /path/to/tallwick_audio [--source system|mic] [--seconds N]

const { startTallwickAudio } = require('./tallwickAudio');

function parseArguments(argv) {
  const options = { binary: null, source: 'system', seconds: null };
  for (let i = 0; i < argv.length; i += 1) {
    if (argv[i] === '--source') options.source = argv[++i];
    else if (argv[i] === '--seconds') options.seconds = Number(argv[++i]);
    else if (!options.binary) options.binary = argv[i];
    else return null;
  }
  if (!options.binary || !options.source || (options.seconds !== null && !(options.seconds > 0))) return null;
  return options;
}

const options = parseArguments(process.argv.slice(2));
if (!options) {
  console.log('usage: node example.js /path/to/tallwick_audio [--source system|mic] [--seconds N]');
  process.exit(2);
}

const audio = startTallwickAudio({ binary: options.binary, source: options.source });
let bytes = 0;
let chunks = 0;
let lastLevel = 0;
const seconds = () => (bytes / 2 / 16000).toFixed(2);

audio.on('log', (message) => console.log(`log    ${message}`));
audio.on('ready', (message) => console.log(`ready  ${message}`));
audio.on('error', (err) => console.log(`error  ${err.message}${err.code === 'TOOL_ERROR' ? '' : ` (${err.code})`}`));
audio.on('invalid', ({ lineNumber, reason }) => console.log(`invalid line ${lineNumber}: ${reason}`));
audio.on('level', (level) => {
  lastLevel = level;
});
audio.on('audio', (pcm) => {
  bytes += pcm.length;
  chunks += 1;
});

const ticker = setInterval(() => {
  console.log(`audio  ${seconds()} s in ${chunks} chunks, level ${lastLevel.toFixed(4)}`);
}, 1000);

const stop = () => audio.stop();
process.once('SIGINT', stop);
process.once('SIGTERM', stop);
if (options.seconds) setTimeout(stop, options.seconds * 1000).unref();

audio.exited().then(({ code, signal, partialLastLine }) => {
  clearInterval(ticker);
  console.log(`audio  ${seconds()} s in ${chunks} chunks in all`);
  console.log(`exit   ${signal ? `signal ${signal}` : `status ${code}`}${partialLastLine !== null ? ', last line cut off' : ''}`);
  process.exitCode = code === 0 || signal === 'SIGTERM' ? 0 : 1;
});
