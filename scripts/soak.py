#!/usr/bin/env python3
"""A long live capture against a private sound server, read by a slow reader.

    scripts/soak.py [--minutes 10] [--binary PATH]

A tone plays into the server's default sink for the whole run while the tool
captures it with --source system. The reader takes small reads with pauses
between them and stalls now and then (a host busy with other work), so the
pipe fills and the tool's writes block. At the end it checks that every line is whole,
valid JSON of the event grammar, that no audio is missing (frames captured
against the wall clock), and prints the figures. Exit status 0 when all holds.
"""
import argparse
import base64
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_BINARY = os.path.join(ROOT, "build/audio-capture/Sources/tallwick-audio/tallwick_audio")


def server_env(directory):
    lines = subprocess.run([os.path.join(ROOT, "scripts/sound-server.sh"), "env", directory],
                           check=True, capture_output=True, text=True).stdout.splitlines()
    env = {"PATH": "/usr/bin:/bin"}
    env.update(line.split("=", 1) for line in lines if "=" in line)
    return env


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--binary", default=DEFAULT_BINARY)
    parser.add_argument("--pause-ms", type=float, default=20,
                        help="pause between two reads of 4096 bytes")
    parser.add_argument("--stall-every", type=float, default=10,
                        help="seconds between two stalls of the reader")
    parser.add_argument("--stall-ms", type=float, default=2000,
                        help="how long the reader stalls, filling the pipe")
    args = parser.parse_args()

    directory = tempfile.mkdtemp(prefix="tallwick-soak-")
    subprocess.run([os.path.join(ROOT, "scripts/sound-server.sh"), "start", directory, str(os.getpid())],
                   check=True)
    env = server_env(directory)
    player = tool = None
    try:
        # An endless 440 Hz tone into the default sink, from before capture starts.
        player = subprocess.Popen(
            "sox -n -t raw -r 48000 -c 2 -e float -b 32 - synth 36000 sine 440 vol 0.3 | "
            "pacat --format=float32le --rate=48000 --channels=2 --latency-msec=50",
            shell=True, env=env, start_new_session=True)
        time.sleep(0.5)
        tool = subprocess.Popen([args.binary, "--source", "system"], env=env,
                                stdout=subprocess.PIPE, bufsize=0)
        started = time.monotonic()
        deadline = started + args.minutes * 60
        pending = b""
        lines = frames = invalid = levels_not_before_audio = 0
        counts = {}
        previous = None
        first_audio_at = None
        next_stall = started + args.stall_every
        # The last stretch is read without stalls, so what the stalls held back
        # has drained by the end.
        while time.monotonic() < deadline:
            now = time.monotonic()
            if now >= next_stall and now < deadline - 3 * args.stall_every:
                time.sleep(args.stall_ms / 1000)
                next_stall = time.monotonic() + args.stall_every
            data = tool.stdout.read(4096)
            if not data:
                break
            pending += data
            *complete, pending = pending.split(b"\n")
            for raw in complete:
                lines += 1
                try:
                    event = json.loads(raw.decode("utf-8"))
                    kind = event["type"]
                except (ValueError, KeyError, UnicodeDecodeError):
                    invalid += 1
                    continue
                counts[kind] = counts.get(kind, 0) + 1
                if previous == "level" and kind != "audio":
                    levels_not_before_audio += 1
                if kind == "audio":
                    if first_audio_at is None:
                        first_audio_at = time.monotonic()
                    pcm = base64.b64decode(event["data"], validate=True)
                    if not pcm or len(pcm) % 2:
                        invalid += 1
                    frames += len(pcm) // 2
                previous = kind
            time.sleep(args.pause_ms / 1000)
        ended = time.monotonic()
        still_running = tool.poll() is None
        tool.send_signal(signal.SIGTERM)
        tool.wait(timeout=5)
    finally:
        if player is not None:
            os.killpg(player.pid, signal.SIGTERM)
        if tool is not None and tool.poll() is None:
            tool.kill()
        subprocess.run([os.path.join(ROOT, "scripts/sound-server.sh"), "stop", directory])

    # Audio still in the pipe and in the tool when reading stopped counts as
    # missing here, so allow the pipe's worth (64 KiB ~ 0.6 s of base64 audio).
    captured_seconds = frames / 16000
    clock_seconds = ended - (first_audio_at or ended)
    missing = clock_seconds - captured_seconds
    print(f"ran {ended - started:.1f} s; {lines} lines: {counts}")
    print(f"audio {captured_seconds:.2f} s against {clock_seconds:.2f} s of clock "
          f"({missing * 1000:+.0f} ms missing)")
    print(f"invalid lines {invalid}, level not followed by audio {levels_not_before_audio}, "
          f"tool still capturing at the end: {still_running}")
    ok = invalid == 0 and levels_not_before_audio == 0 and still_running and abs(missing) < 1.0
    print("soak: " + ("passed" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
