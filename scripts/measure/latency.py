#!/usr/bin/env python3
"""Latency of system capture: from handing a click to the sound server to the
"audio" event that carries it, for 50 clicks; parec on the same monitor in the
same run is the reference. Usage: latency.py TALLWICK_AUDIO"""

import sys
import time

from capture_session import Parec, Player, SoundServer, Tool, onsets, percentile

CLICKS = 50

with SoundServer() as server:
    tool = Tool(sys.argv[1], server, "--source", "system")
    parec = Parec(server, "tallwick_speakers.monitor")
    tool.wait_for_audio()
    player = Player(server, "tallwick_speakers")
    time.sleep(0.5)
    for _ in range(CLICKS):
        player.click()
        time.sleep(0.25)
    time.sleep(0.5)
    player.stop()
    tool.stop()
    parec.stop()

    clicks = player.click_times
    for name, chunks in (("tallwick_audio", tool.chunks), ("parec --latency-msec=20", parec.chunks)):
        heard = onsets(chunks)
        if len(heard) != len(clicks):
            sys.exit("%s: %d clicks played, %d heard" % (name, len(clicks), len(heard)))
        latencies = [(h - c) * 1000 for h, c in zip(heard, clicks)]
        print("%-24s p50 %5.1f ms  p95 %5.1f ms  max %5.1f ms  (%d clicks)" % (
            name, percentile(latencies, 50), percentile(latencies, 95), max(latencies),
            len(latencies)))
