#!/usr/bin/env bash
# Every benchmark, each against its baseline in the same run, printing ratios:
#   base64       our encoder vs coreutils `base64 -w0`, same 64 MiB
#   converter    PCMConverter buffer by buffer vs sox, same 10 min of 48 kHz stereo float32
#   pipeline     conversion + level + base64 + audio line to /dev/null vs sox (conversion only)
#   memory       resident memory over an hour of simulated capture
# Pass names to run only some: scripts/benchmarks.sh converter pipeline
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh | tail -n 1)
benchmarks="$dir/audio-capture/Benchmarks"
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
selected=${*:-base64 converter pipeline memory}

best_of_three() {  # the best wall-clock seconds of three runs of "$@"
    python3 - "$@" <<'PY'
import subprocess, sys, time
best = None
for _ in range(3):
    start = time.perf_counter()
    subprocess.run(sys.argv[1:], check=True, stdout=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
print(best)
PY
}

ratio() {  # label, our seconds, their seconds, their name, units of work, unit
    python3 - "$@" <<'PY'
import sys
label, ours, theirs, name, work, unit = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4], float(sys.argv[5]), sys.argv[6]
print(f"{label:10s} ours {work/ours:9.1f} {unit}, {name} {work/theirs:9.1f} {unit}, ratio {theirs/ours:.2f}x")
PY
}

audio_seconds=600
if [[ " $selected " == *" converter "* || " $selected " == *" pipeline "* ]]; then
    "$benchmarks/convert_benchmark" --write-signal "$tmp/in.f32" "$audio_seconds"
    sox_seconds=$(best_of_three sox -t raw -e floating-point -b 32 -c 2 -r 48000 "$tmp/in.f32" \
                                    -t raw -e signed -b 16 -c 1 -r 16000 "$tmp/sox.s16")
fi

for name in $selected; do
    case "$name" in
        base64)
            head -c $((64 << 20)) /dev/urandom > "$tmp/bytes"
            theirs=$(best_of_three sh -c "base64 -w0 < '$tmp/bytes'")
            ours=$(best_of_three "$benchmarks/events_benchmark" --encode-file "$tmp/bytes")
            ratio base64 "$ours" "$theirs" "coreutils" 67.108864 "MB/s" ;;
        converter)
            ours=$(best_of_three "$benchmarks/convert_benchmark" --convert-file "$tmp/in.f32" "$tmp/ours.s16")
            ratio converter "$ours" "$sox_seconds" "sox" "$audio_seconds" "x realtime" ;;
        pipeline)
            ours=$(best_of_three "$benchmarks/pipeline_benchmark" --pipeline-file "$tmp/in.f32")
            ratio pipeline "$ours" "$sox_seconds" "sox" "$audio_seconds" "x realtime" ;;
        memory)
            "$benchmarks/pipeline_benchmark" --rss-over-time 60 | sed -n '1p;60p' |
                paste -sd' ' | sed 's/^/memory     /' ;;
        *) echo "unknown benchmark: $name" >&2; exit 2 ;;
    esac
done
