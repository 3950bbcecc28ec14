#!/usr/bin/env python3
"""Continuity of system capture: a steady tone played for the whole run;
30 s of capture must give 16000 frames a second (give or take the
converter's delay), with no hole in the tone. Usage: continuity.py TALLWICK_AUDIO"""

import math
import sys
import time

from capture_session import Player, SoundServer, Tool

SECONDS = 30

with SoundServer() as server:
    player = Player(server, "tallwick_speakers", tone_hz=440, amplitude=0.5)
    time.sleep(0.5)
    tool = Tool(sys.argv[1], server, "--source", "system")
    tool.wait_for_audio()
    first_at = tool.chunks[0][0]
    while time.monotonic() < first_at + SECONDS:
        time.sleep(0.05)
    tool.stop()
    player.stop()

    chunks = [c for c in tool.chunks if c[0] <= first_at + SECONDS]
    last_at = chunks[-1][0]
    frames = sum(len(samples) for _, samples in chunks[1:])
    expected = (last_at - first_at) * 16000
    gaps = [b[0] - a[0] for a, b in zip(chunks, chunks[1:])]
    samples = [s for _, chunk in chunks for s in chunk]
    # The tone's level in every 10 ms stretch after the first 100 ms: a hole
    # (silence put in for missing data) shows as a dip.
    window = 160
    levels = []
    for at in range(1600, len(samples) - window, window):
        part = samples[at:at + window]
        levels.append(math.sqrt(sum(s * s for s in part) / window) / 32768)
    steady = sorted(levels)[len(levels) // 2]
    print("frames over %.3f s of arrivals: %d, expected %.0f, difference %+.0f frames (%+.1f ms)" % (
        last_at - first_at, frames, expected, frames - expected, (frames - expected) / 16))
    print("total frames in the first %d s: %d (%d expected)" % (
        SECONDS, len(samples), SECONDS * 16000))
    print("chunks: %d, longest wait between chunks %.1f ms" % (len(chunks), max(gaps) * 1000))
    print("tone level: median %.3f, lowest 10 ms stretch %.3f (%.0f%% of median)" % (
        steady, min(levels), 100 * min(levels) / steady))
