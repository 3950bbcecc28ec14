#!/usr/bin/env bash
# Measures live system capture against a private sound server:
#   latency     click handed to the server -> the "audio" event carrying it,
#               p50/p95 over 50 clicks, with parec as the reference
#   continuity  30 s of capture: frame count against the clock, holes
#   cpu         CPU time and peak RSS over 60 s against parec | base64 -w0
#   stall       a 48 kHz stereo microphone whose reader pauses 120 s: memory
#               and the audio dropped (asked for by name only)
#   setup       time to fail against a server that never answers, both sources
#               (asked for by name only)
# Usage: scripts/measure-capture.sh [latency|continuity|cpu|stall|setup]...
#        (latency, continuity and cpu by default)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh | tail -n 1)
binary="$dir/audio-capture/Sources/tallwick-audio/tallwick_audio"
measurements=("$@")
[ ${#measurements[@]} -gt 0 ] || measurements=(latency continuity cpu)
for measurement in "${measurements[@]}"; do
    echo "== $measurement"
    python3 "scripts/measure/$measurement.py" "$binary"
done
