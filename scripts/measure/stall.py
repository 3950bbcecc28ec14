"""A reader that stops reading: the tool on a 48 kHz stereo microphone, its
output left unread for a while (120 s by default), then read again. Prints the
tool's resident memory before, at the end of and after the pause, its peak,
and the seconds of audio received and reported dropped against the clock."""

import base64
import json
import os
import select
import subprocess
import sys
import time

from capture_session import SoundServer


def kilobytes(pid, field):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return -1


def main():
    binary = sys.argv[1]
    pause = float(sys.argv[2]) if len(sys.argv) > 2 else 120.0
    with SoundServer() as server:
        server.pactl("load-module", "module-null-sink", "sink_name=stereo_feed",
                     "format=float32le", "rate=48000", "channels=2")
        server.pactl("load-module", "module-remap-source", "master=stereo_feed.monitor",
                     "source_name=stereo_mic", "format=float32le", "rate=48000", "channels=2")
        server.pactl("set-default-source", "stereo_mic")
        # A fresh null sink renders ahead of the clock until it has been
        # suspended once with a low-latency stream attached; its monitor would
        # deliver more audio than time passed.
        server.pactl("load-module", "module-loopback", "source=stereo_feed.monitor",
                     "sink=tallwick_latency_sink", "latency_msec=20")
        server.pactl("suspend-sink", "stereo_feed", "1")
        server.pactl("suspend-sink", "stereo_feed", "0")
        tool = subprocess.Popen([binary], env=server.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        pending = b""
        audio = 0.0
        first = None
        notices = []

        def read_for(seconds):
            nonlocal pending, audio, first
            deadline = time.monotonic() + seconds
            while time.monotonic() < deadline:
                ready, _, _ = select.select([tool.stdout], [], [], 0.1)
                if not ready:
                    continue
                chunk = os.read(tool.stdout.fileno(), 1 << 16)
                if not chunk:
                    return
                pending += chunk
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    event = json.loads(line)
                    now = time.monotonic()
                    if event["type"] == "audio":
                        first = first or now
                        audio += len(base64.b64decode(event["data"])) / 32000
                    elif event["type"] == "log" and first:
                        notices.append((now - first, audio, event["message"]))

        read_for(3)
        steady = kilobytes(tool.pid, "VmRSS")
        time.sleep(pause)
        paused = kilobytes(tool.pid, "VmRSS")
        read_for(10)
        after = kilobytes(tool.pid, "VmRSS")
        peak = kilobytes(tool.pid, "VmHWM")
        tool.terminate()
        tool.wait()
        print(f"reader paused      {pause:.0f} s")
        print(f"resident memory    {steady / 1024:.1f} MiB before, {paused / 1024:.1f} MiB at the end "
              f"of the pause, {after / 1024:.1f} MiB after catching up; peak {peak / 1024:.1f} MiB")
        for at, received, message in notices:
            print(f"log at {at:6.2f} s    {message!r} (audio received by then {received:.2f} s)")


if __name__ == "__main__":
    main()
