#!/usr/bin/env python3
"""Continuity of system capture: a steady tone played for the whole run;
30 s of capture must give 16000 frames a second (give or take the
converter's delay), with no hole in the tone. parec on the same monitor in the
same run tells a hole of ours from a stall of the player.
Usage: continuity.py TALLWICK_AUDIO"""

import math
import sys
import time

from capture_session import Parec, Player, SoundServer, Tool

SECONDS = 30
# Eleven whole periods of 440 Hz at 16 kHz: a steady tone gives a steady level.
WINDOW = 400


def levels(chunks):
    """The tone's level in every 25 ms stretch after the first 100 ms: a hole
    (silence put in for missing data) shows as a dip."""
    samples = [s for _, chunk in chunks for s in chunk]
    found = []
    for at in range(1600, len(samples) - WINDOW, WINDOW):
        part = samples[at:at + WINDOW]
        found.append(math.sqrt(sum(s * s for s in part) / WINDOW) / 32768)
    return found, len(samples)


def report(name, chunks, first_at):
    chunks = [c for c in chunks if c[0] <= first_at + SECONDS]
    last_at = chunks[-1][0]
    frames = sum(len(samples) for _, samples in chunks[1:])
    expected = (last_at - first_at) * 16000
    gaps = [b[0] - a[0] for a, b in zip(chunks, chunks[1:])]
    tone, total = levels(chunks)
    steady = sorted(tone)[len(tone) // 2]
    print("%s:" % name)
    print("  frames over %.3f s of arrivals: %d, expected %.0f, difference %+.0f frames (%+.1f ms)"
          % (last_at - first_at, frames, expected, frames - expected, (frames - expected) / 16))
    print("  frames in all: %d; chunks: %d, longest wait between chunks %.1f ms"
          % (total, len(chunks), max(gaps) * 1000))
    print("  tone level: median %.3f, lowest 25 ms stretch %.3f (%.0f%% of median), "
          "stretches below half: %d" % (steady, min(tone), 100 * min(tone) / steady,
                                       sum(1 for level in tone if level < steady / 2)))


with SoundServer() as server:
    player = Player(server, "tallwick_speakers", tone_hz=440, amplitude=0.5, lead=0.5)
    time.sleep(0.5)
    tool = Tool(sys.argv[1], server, "--source", "system")
    parec = Parec(server, "tallwick_speakers.monitor")
    tool.wait_for_audio()
    first_at = tool.chunks[0][0]
    while time.monotonic() < first_at + SECONDS + 0.2:
        time.sleep(0.05)
    tool.stop()
    parec.stop()
    player.stop()

    report("tallwick_audio", tool.chunks, first_at)
    report("parec --latency-msec=20 (same monitor, same run)", parec.chunks, parec.chunks[0][0])
