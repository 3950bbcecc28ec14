"""What the capture measurements share: a private sound server, the tool
running against it with its events time-stamped on arrival, a real-time
player, and a plain parec reader as the reference."""

import base64
import json
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPT = os.path.join(ROOT, "scripts", "sound-server.sh")


class SoundServer:
    """The private server of scripts/sound-server.sh; which one (PulseAudio or
    PipeWire) follows TALLWICK_SOUND_SERVER_KIND, as there."""

    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="tallwick-measure-")
        subprocess.run(["bash", SCRIPT, "start", self.dir, str(os.getpid())], check=True)
        self.name = subprocess.run(["bash", SCRIPT, "kind", self.dir], check=True,
                                   capture_output=True, text=True).stdout.strip()
        lines = subprocess.run(["bash", SCRIPT, "env", self.dir], check=True,
                               capture_output=True, text=True).stdout.split()
        self.env = dict(os.environ)
        self.env.update(line.split("=", 1) for line in lines)
        return self

    def __exit__(self, *_):
        subprocess.run(["bash", SCRIPT, "stop", self.dir])
        shutil.rmtree(self.dir, ignore_errors=True)

    def pactl(self, *args):
        subprocess.run(["pactl", *args], env=self.env, check=True, capture_output=True)


def pcm16(data):
    return struct.unpack("<%dh" % (len(data) // 2), data)


class Tool:
    """tallwick_audio as a child; every audio chunk kept with its arrival time."""

    def __init__(self, binary, server, *args):
        self.process = subprocess.Popen([binary, *args], env=server.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.chunks = []  # (arrival time, samples)
        self.events = []
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            at = time.monotonic()
            event = json.loads(line)
            with self.lock:
                self.events.append(event)
                if event["type"] == "audio":
                    self.chunks.append((at, pcm16(base64.b64decode(event["data"]))))

    def wait_for_audio(self, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                if self.chunks:
                    return
            time.sleep(0.01)
        raise RuntimeError("no audio from the tool")

    def stop(self):
        """Ends the tool; returns its resource usage."""
        self.process.send_signal(signal.SIGTERM)
        _, _, usage = os.wait4(self.process.pid, 0)
        self.process.returncode = 0
        self.reader.join(timeout=5)
        return usage


class Parec:
    """The reference reader: parec on the same monitor, its chunks kept with arrival times."""

    def __init__(self, server, device, latency_msec=20):
        self.process = subprocess.Popen(
            ["parec", "--device=" + device, "--rate=16000", "--channels=1", "--format=s16le",
             "--latency-msec=%d" % latency_msec, "--raw"],
            env=server.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.chunks = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        pending = b""
        while True:
            data = os.read(self.process.stdout.fileno(), 65536)
            if not data:
                return
            at = time.monotonic()
            data = pending + data
            whole = len(data) - len(data) % 2
            pending = data[whole:]
            self.chunks.append((at, pcm16(data[:whole])))

    def stop(self):
        self.process.terminate()
        self.process.wait()


class Player:
    """Plays 48 kHz mono s16 into a sink in real time, 5 ms at a time, so that
    the moment a sound is handed to the server is known. With `lead` seconds
    the player keeps that much ahead of real time, so that a busy machine
    cannot starve the sink (the sound's timing is then not known as well)."""

    RATE = 48000
    BLOCK = RATE // 200

    def __init__(self, server, sink, tone_hz=None, amplitude=0.5, lead=0.0):
        latency = max(10, int(lead * 2000))
        self.process = subprocess.Popen(
            ["pacat", "--playback", "--raw", "--device=" + sink, "--format=s16le",
             "--rate=%d" % self.RATE, "--channels=1", "--latency-msec=%d" % latency],
            env=server.env, stdin=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lead = lead
        self.tone_hz = tone_hz
        self.amplitude = amplitude
        self.click_requests = 0
        self.click_times = []
        self.running = True
        self.thread = threading.Thread(target=self._play, daemon=True)
        self.thread.start()

    def click(self):
        self.click_requests += 1

    def _block(self, index, clicking):
        import math
        samples = []
        for i in range(self.BLOCK):
            n = index * self.BLOCK + i
            value = 0.0
            if self.tone_hz:
                value = self.amplitude * math.sin(2 * math.pi * self.tone_hz * n / self.RATE)
            if clicking and i < self.RATE * 3 // 1000:
                value = 0.9 * math.sin(2 * math.pi * 1000 * i / self.RATE)
            samples.append(int(value * 32767))
        return struct.pack("<%dh" % len(samples), *samples)

    def _play(self):
        start = time.monotonic()
        index = 0
        clicks_played = 0
        silence = self._block(0, False) if not self.tone_hz else None
        while self.running:
            clicking = clicks_played < self.click_requests
            block = silence if (silence and not clicking) else self._block(index, clicking)
            if clicking:
                self.click_times.append(time.monotonic())
                clicks_played += 1
            self.process.stdin.write(block)
            self.process.stdin.flush()
            index += 1
            delay = start + index * self.BLOCK / self.RATE - self.lead - time.monotonic()
            if delay > 0:
                time.sleep(delay)

    def stop(self):
        self.running = False
        self.thread.join()
        self.process.stdin.close()
        self.process.terminate()
        self.process.wait()


def onsets(chunks, threshold=0.25 * 32768, quiet_samples=1600):
    """Arrival times of the chunks in which a click starts after a quiet stretch."""
    found = []
    quiet = quiet_samples
    for at, samples in chunks:
        hit = False
        for sample in samples:
            if abs(sample) > threshold:
                if quiet >= quiet_samples and not hit:
                    found.append(at)
                    hit = True
                quiet = 0
            else:
                quiet += 1
    return found


def percentile(values, p):
    ordered = sorted(values)
    rank = max(0, min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1)))))
    return ordered[rank]
