// How a TypeScript application uses the module: checked by the compiler, never
// run. Each @ts-expect-error line is a mistake the declarations must reject;
// were they to accept it, the check fails.
import { BINARY_VARIABLE, ExitInfo, InvalidLine, TallwickAudio, parseEventLine, startTallwickAudio } from 'tallwick-audio';

const system: TallwickAudio = startTallwickAudio({ binary: '/opt/tallwick/tallwick_audio', source: 'system', stopTimeoutMs: 2000 });
const mic = startTallwickAudio({ source: 'mic', env: { [BINARY_VARIABLE]: '/opt/tallwick/tallwick_audio' } });

system.on('audio', (pcm) => new Int16Array(pcm.buffer, pcm.byteOffset, pcm.length / 2));
system.on('level', (level) => Math.round(level * 100));
system.on('error', (err) => err.code === 'TOOL_ERROR' && err.message);
system.on('invalid', ({ lineNumber, reason, text }: InvalidLine) => `${lineNumber}: ${reason} ${text}`);
system.on('exit', (info: ExitInfo) => {
  const status: number | null = info.code;
  const signal: NodeJS.Signals | null = info.signal;
  void [status, signal, info.partialLastLine, info.spawnError?.message];
});

async function stopBoth(): Promise<number | null> {
  const [first] = await Promise.all([system.stop(), mic.stop(), mic.exited()]);
  return first.code;
}
void stopBoth;

const parsed = parseEventLine('{"type":"level","message":"0.5000"}');
if ('type' in parsed && parsed.type === 'level') {
  const level: number = parsed.level;
  void level;
}

// @ts-expect-error the source is "system" or "mic"; anything else would record the microphone
startTallwickAudio({ source: 'sytem' });
// @ts-expect-error a level is a number
system.on('level', (level: string) => level);
// @ts-expect-error there is no such event
system.on('levels', () => undefined);
// @ts-expect-error exitInfo is set by the module, not by its user
system.exitInfo = null;
// @ts-expect-error the exit information may not be there yet
const early: ExitInfo = system.exitInfo;
void early;
