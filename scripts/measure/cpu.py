#!/usr/bin/env python3
"""CPU time and peak memory of a live system capture, against
`parec --latency-msec=20 --rate=16000 --channels=1 --format=s16le | base64 -w0`
on the same monitor of the same server, while a tone plays. Both run side by
side in every round, so that whatever else the machine does falls on both
alike; the verdict is the median of the per-round ratios.
Usage: cpu.py TALLWICK_AUDIO [ROUNDS [SECONDS]]   (10 rounds of 30 s by default)"""

import os
import statistics
import subprocess
import sys
import time

from capture_session import Player, SoundServer, Tool

ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 10
SECONDS = float(sys.argv[3]) if len(sys.argv) > 3 else 30


def reference(server):
    parec = subprocess.Popen(
        ["parec", "--device=tallwick_speakers.monitor", "--rate=16000", "--channels=1",
         "--format=s16le", "--latency-msec=20"],
        env=server.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    encoder = subprocess.Popen(["base64", "-w0"], stdin=parec.stdout, stdout=subprocess.DEVNULL)
    parec.stdout.close()
    return parec, encoder


def cpu(usage):
    return usage.ru_utime + usage.ru_stime


def peak_rss_mib(pid):
    """The process's peak resident set since it started its program. (The
    rusage figure would count the Python interpreter it was forked from.)"""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def one_round(binary, server):
    tool = Tool(binary, server, "--source", "system")
    parec, encoder = reference(server)
    time.sleep(SECONDS)
    rss = (peak_rss_mib(tool.process.pid), peak_rss_mib(parec.pid), peak_rss_mib(encoder.pid))
    ours = cpu(tool.stop())
    parec.terminate()
    _, _, parec_usage = os.wait4(parec.pid, 0)
    _, _, encoder_usage = os.wait4(encoder.pid, 0)
    parec.returncode = encoder.returncode = 0
    return ours, cpu(parec_usage) + cpu(encoder_usage), rss


with SoundServer() as server:
    player = Player(server, "tallwick_speakers", tone_hz=440, amplitude=0.5, lead=0.5)
    rounds = []
    for number in range(1, ROUNDS + 1):
        ours, theirs, rss = one_round(sys.argv[1], server)
        rounds.append((ours, theirs, rss))
        print("round %2d: tallwick_audio %.3f s, parec | base64 %.3f s, ratio %.2fx"
              % (number, ours, theirs, ours / theirs), flush=True)
    player.stop()

    per_minute = 60 / SECONDS
    ratios = [ours / theirs for ours, theirs, _ in rounds]
    print("%s, %d rounds of %.0f s side by side" % (server.name, ROUNDS, SECONDS))
    print("  CPU per minute of audio: tallwick_audio %.3f s, parec | base64 %.3f s (medians)"
          % (statistics.median(r[0] for r in rounds) * per_minute,
             statistics.median(r[1] for r in rounds) * per_minute))
    print("  ratio: median %.2fx, rounds %.2f-%.2f" % (statistics.median(ratios), min(ratios),
                                                       max(ratios)))
    print("  peak RSS: tallwick_audio %.1f MiB, parec %.1f MiB + base64 %.1f MiB (largest)"
          % tuple(max(r[2][i] for r in rounds) for i in range(3)))
