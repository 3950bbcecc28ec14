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
type Exit = [number | null, NodeJS.Signals | null, string | null, string | undefined];
system.on('exit', ({ code, signal, partialLastLine, spawnError }: ExitInfo): Exit => [code, signal, partialLastLine, spawnError?.message]);
export const stopped: Promise<[ExitInfo, ExitInfo]> = Promise.all([system.stop(), mic.exited()]);

const parsed = parseEventLine('{"type":"level","message":"0.5000"}');
export const level: number | undefined = 'type' in parsed && parsed.type === 'level' ? parsed.level : undefined;

// @ts-expect-error the source is "system" or "mic"; anything else would record the microphone
startTallwickAudio({ source: 'sytem' });
// @ts-expect-error a level is a number
system.on('level', (level: string) => level);
// @ts-expect-error there is no such event
system.on('levels', () => undefined);
// @ts-expect-error exitInfo is set by the module, not by its user
system.exitInfo = null;
// @ts-expect-error the exit information may not be there yet
export const early: ExitInfo = system.exitInfo;
