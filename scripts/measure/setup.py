"""Setup against a server that accepts the connection and never answers: the
time from start to exit, the exit status and the events, for both sources."""

import socket
import subprocess
import sys
import time


def main():
    binary = sys.argv[1]
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(8)
    server = f"tcp:127.0.0.1:{silent.getsockname()[1]}"
    for source in (["--source", "system"], []):
        started = time.monotonic()
        done = subprocess.run([binary, *source], env={"PULSE_SERVER": server},
                              capture_output=True, text=True, timeout=120)
        took = time.monotonic() - started
        name = "system" if source else "microphone"
        print(f"{name:10} {took:5.2f} s  status {done.returncode}  "
              f"stderr {len(done.stderr)} bytes  {done.stdout.strip().splitlines()}")


if __name__ == "__main__":
    main()
