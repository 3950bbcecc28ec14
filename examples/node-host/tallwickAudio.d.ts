/// <reference types="node" />
import { ChildProcess } from 'node:child_process';
import { EventEmitter } from 'node:events';

/** The environment variable that names the tool when `binary` is not given. */
export declare const BINARY_VARIABLE: 'TALLWICK_AUDIO_BIN';

export interface TallwickAudioOptions {
  /**
   * Path of the tallwick_audio executable. Without it, the path in the
   * environment variable TALLWICK_AUDIO_BIN of `env` is used.
   */
  binary?: string;
  /** "system" records what the computer plays; "mic" the default microphone. */
  source?: 'system' | 'mic';
  /** Further arguments, after `--source <source>`. */
  args?: readonly string[];
  /** The tool's environment (and where TALLWICK_AUDIO_BIN is looked up); process.env by default. */
  env?: NodeJS.ProcessEnv;
  /** How long stop() waits after SIGTERM before SIGKILL; 3000 ms by default. */
  stopTimeoutMs?: number;
}

/** How the tool ended. */
export interface ExitInfo {
  code: number | null;
  signal: NodeJS.Signals | null;
  /** What followed the last line feed, when the output ended without one. */
  partialLastLine: string | null;
  /** Set when the tool could not be started at all. */
  spawnError: Error | null;
}

/** A line of the tool's output that is not a valid event. */
export interface InvalidLine {
  lineNumber: number;
  reason: string;
  /** The line's first 200 characters. */
  text: string;
}

/**
 * code is "TOOL_ERROR" for an "error" event from the tool; otherwise the error
 * is Node's own (for instance "ENOENT" when the executable is missing).
 */
export interface TallwickAudioError extends Error {
  code?: string;
}

/** Each event with the arguments its listeners receive. */
export interface TallwickAudioEvents {
  /** One converted buffer: 16 kHz mono signed 16-bit little-endian samples. */
  audio: [pcm: Buffer];
  /** Loudness of the next audio chunk, 0 to 1. */
  level: [level: number];
  log: [message: string];
  ready: [message: string];
  error: [err: TallwickAudioError];
  invalid: [line: InvalidLine];
  exit: [info: ExitInfo];
}

type Listener<E extends keyof TallwickAudioEvents> = (...args: TallwickAudioEvents[E]) => void;

export declare interface TallwickAudio {
  on<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  once<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  addListener<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  prependListener<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  prependOnceListener<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  off<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  removeListener<E extends keyof TallwickAudioEvents>(event: E, listener: Listener<E>): this;
  emit<E extends keyof TallwickAudioEvents>(event: E, ...args: TallwickAudioEvents[E]): boolean;
}

/** The tool running as a child process, its output turned into events. */
export declare class TallwickAudio extends EventEmitter {
  /** Throws a TypeError when neither `binary` nor TALLWICK_AUDIO_BIN names the tool. */
  constructor(options?: TallwickAudioOptions);
  readonly child: ChildProcess;
  readonly pid: number | undefined;
  readonly stopTimeoutMs: number;
  /** Lines read so far. */
  readonly lineNumber: number;
  /** How the tool ended, once it has; null before. */
  readonly exitInfo: ExitInfo | null;
  /** Resolves once the tool has ended and every event is out. */
  exited(): Promise<ExitInfo>;
  /** SIGTERM, then SIGKILL after stopTimeoutMs; resolves once the tool is gone. */
  stop(): Promise<ExitInfo>;
}

export declare function startTallwickAudio(options?: TallwickAudioOptions): TallwickAudio;

/** A whole line of output, or the byte count of one too long to keep. */
export type SplitLine = { text: string } | { oversize: number };

/** Cuts a byte stream into lines at line feeds, however the chunks fall. */
export declare class LineSplitter {
  constructor(options?: { maxLineBytes?: number });
  readonly maxLineBytes: number;
  /** The lines this chunk completed. */
  push(chunk: Buffer): SplitLine[];
  /** What followed the last line feed when the stream ended, or null. */
  end(): SplitLine | null;
}

/** One line of the event stream, parsed and checked. */
export type ParsedEvent =
  | { type: 'audio'; pcm: Buffer }
  | { type: 'level'; level: number }
  | { type: 'log' | 'ready' | 'error'; message: string }
  | { invalid: string };

export declare function parseEventLine(text: string): ParsedEvent;
