#!/usr/bin/env bash
# Our conversion of captured system audio against sox, on the same 10 minutes of
# 48 kHz stereo float32, in the same run: sox's default high-quality rate to
# 16 kHz mono s16, and our converter fed buffer by buffer (1024 frames) as a
# capture feeds it. Prints both throughputs and the ratio (best of 3 each).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh | tail -n 1)
bench="$dir/audio-capture/Benchmarks/convert_benchmark"
seconds=600
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
"$bench" --write-signal "$tmp/in.f32" "$seconds"
cat "$tmp/in.f32" > /dev/null  # into the page cache for both

best() {  # best wall-clock seconds of three runs of "$@"
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s.%N)
        "$@"
        end=$(date +%s.%N)
        best=$(python3 -c "t=$end-$start; print(t if '$best'=='' else min(t,float('$best')))")
    done
    echo "$best"
}

sox_seconds=$(best sox -t raw -e floating-point -b 32 -c 2 -r 48000 "$tmp/in.f32" \
                       -t raw -e signed -b 16 -c 1 -r 16000 "$tmp/sox.s16")
our_seconds=$(best "$bench" --convert-file "$tmp/in.f32" "$tmp/ours.s16")

python3 - "$seconds" "$sox_seconds" "$our_seconds" "$tmp/sox.s16" "$tmp/ours.s16" <<'PY'
import os, sys
audio, theirs, ours = map(float, sys.argv[1:4])
sox_frames = os.path.getsize(sys.argv[4]) // 2
our_frames = os.path.getsize(sys.argv[5]) // 2
print(f"sox:  {audio/theirs:7.0f}x realtime ({theirs:.2f} s for {audio:.0f} s, {sox_frames} frames out)")
print(f"ours: {audio/ours:7.0f}x realtime ({ours:.2f} s for {audio:.0f} s, {our_frames} frames out)")
print(f"ratio ours/sox: {theirs/ours:.2f}x")
PY
