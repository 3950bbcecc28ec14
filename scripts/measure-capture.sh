#!/usr/bin/env bash
# Measures live system capture against a private sound server, on PulseAudio
# and on PipeWire in turn (or on the one --server names):
#   latency     click handed to the server -> the "audio" event carrying it,
#               p50/p95 over 50 clicks, with parec as the reference
#   continuity  30 s of capture: frame count against the clock, holes
#   cpu         CPU time and peak RSS against parec --latency-msec=20 | base64 -w0,
#               side by side in 10 rounds of 30 s; the median per-round ratio
#   stall       a 48 kHz stereo microphone whose reader pauses 120 s: memory
#               and the audio dropped (asked for by name only)
#   setup       time to fail against a server that never answers, both sources
#               (asked for by name only)
# Usage: scripts/measure-capture.sh [--server=pulseaudio|pipewire] [latency|continuity|cpu|stall|setup]...
#        (latency, continuity and cpu, on both servers, by default)
set -euo pipefail
cd "$(dirname "$0")/.."
servers=(pulseaudio pipewire)
measurements=()
for arg in "$@"; do
    case "$arg" in
        --server=*) servers=("${arg#--server=}") ;;
        latency|continuity|cpu|stall|setup) measurements+=("$arg") ;;
        *) echo "usage: $0 [--server=pulseaudio|pipewire] [latency|continuity|cpu|stall|setup]..." >&2; exit 2 ;;
    esac
done
[ ${#measurements[@]} -gt 0 ] || measurements=(latency continuity cpu)
dir=$(scripts/build.sh | tail -n 1)
binary="$dir/audio-capture/Sources/tallwick-audio/tallwick_audio"
for server in "${servers[@]}"; do
    for measurement in "${measurements[@]}"; do
        echo "== $measurement on $server"
        TALLWICK_SOUND_SERVER_KIND="$server" python3 "scripts/measure/$measurement.py" "$binary"
    done
done
