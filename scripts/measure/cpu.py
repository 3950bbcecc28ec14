#!/usr/bin/env python3
"""CPU time and peak memory of a live system capture, against
`parec --rate=16000 --channels=1 --format=s16le | base64 -w0 > /dev/null` on
the same monitor of the same server, in the same run, while a tone plays.
Usage: cpu.py TALLWICK_AUDIO [SECONDS]"""

import os
import subprocess
import sys
import time

from capture_session import Player, SoundServer, Tool

SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 60


def reference(server, latency):
    arguments = ["parec", "--device=tallwick_speakers.monitor", "--rate=16000", "--channels=1",
                 "--format=s16le"]
    if latency:
        arguments.append("--latency-msec=%d" % latency)
    parec = subprocess.Popen(arguments, env=server.env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL)
    encoder = subprocess.Popen(["base64", "-w0"], stdin=parec.stdout,
                               stdout=subprocess.DEVNULL)
    parec.stdout.close()
    return parec, encoder


def cpu(usage):
    return usage.ru_utime + usage.ru_stime


def peak_rss_mb(pid):
    """The process's peak resident set since it started its program. (The
    rusage figure would count the Python interpreter it was forked from.)"""
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


with SoundServer() as server:
    player = Player(server, "tallwick_speakers", tone_hz=440, amplitude=0.5, lead=0.5)
    tool = Tool(sys.argv[1], server, "--source", "system")
    plain = reference(server, None)
    low_latency = reference(server, 20)
    time.sleep(SECONDS)

    tool_rss = peak_rss_mb(tool.process.pid)
    tool_usage = tool.stop()
    results = []
    for name, (parec, encoder) in (("parec | base64 (default latency)", plain),
                                   ("parec --latency-msec=20 | base64", low_latency)):
        rss = (peak_rss_mb(parec.pid), peak_rss_mb(encoder.pid))
        parec.terminate()
        _, _, parec_usage = os.wait4(parec.pid, 0)
        _, _, encoder_usage = os.wait4(encoder.pid, 0)
        parec.returncode = encoder.returncode = 0
        results.append((name, cpu(parec_usage) + cpu(encoder_usage), rss))
    player.stop()

    ours = cpu(tool_usage)
    print("%.0f s of capture" % SECONDS)
    print("%-34s CPU %6.3f s  peak RSS %5.1f MB" % ("tallwick_audio --source system", ours,
                                                   tool_rss))
    for name, seconds, (parec_rss, encoder_rss) in results:
        print("%-34s CPU %6.3f s  (ours %.2fx)  peak RSS parec %.1f MB, base64 %.1f MB" % (
            name, seconds, ours / seconds if seconds else float("inf"), parec_rss, encoder_rss))
