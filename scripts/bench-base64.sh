#!/usr/bin/env bash
# Our base64 encoder against coreutils `base64 -w0`, on the same 64 MiB of
# random bytes, in the same run. Prints MB/s for both and the ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh | tail -n 1)
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
head -c $((64 << 20)) /dev/urandom > "$tmp/bytes"
cat "$tmp/bytes" > /dev/null  # into the page cache for both
best_coreutils=0
for _ in 1 2 3; do
    start=$(date +%s.%N)
    base64 -w0 < "$tmp/bytes" > /dev/null
    end=$(date +%s.%N)
    mbs=$(python3 -c "print(64*1048576/1e6/($end-$start))")
    best_coreutils=$(python3 -c "print(max($best_coreutils,$mbs))")
done
ours=$("$dir/audio-capture/Benchmarks/events_benchmark" --benchmark_filter='Base64Encode/1048576' \
        --benchmark_format=json --benchmark_repetitions=3 --benchmark_report_aggregates_only=true |
       python3 -c "import json,sys; r=[b for b in json.load(sys.stdin)['benchmarks'] if b['name'].endswith('_max') or b['name'].endswith('_mean')]; print(max(b['bytes_per_second'] for b in r)/1e6)")
python3 - "$ours" "$best_coreutils" <<'PY'
import sys
ours, theirs = map(float, sys.argv[1:])
print(f"base64: ours {ours:.0f} MB/s, coreutils base64 -w0 {theirs:.0f} MB/s, ratio {ours/theirs:.2f}x")
PY
