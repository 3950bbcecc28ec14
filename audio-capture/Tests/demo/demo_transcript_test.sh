#!/usr/bin/env bash
# The demo as a user runs it, with the tool and the inspector of this build: it
# must end by itself with status 0, leave no process behind, and pocketsphinx's
# transcript of the capture must be within the word error rate bound.
#   demo_transcript_test.sh BUILD_DIR MAX_WORD_ERROR_RATE_PERCENT
set -euo pipefail
build=${1:?usage: demo_transcript_test.sh BUILD_DIR MAX_PERCENT}
bound=${2:?usage: demo_transcript_test.sh BUILD_DIR MAX_PERCENT}
demo="$(cd "$(dirname "$0")/../../.." && pwd)/scripts/demo.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# A process group of its own: whatever the demo starts stays in it, so what
# is left of the group after the demo has ended is what it left running.
set -m
"$demo" --build-dir="$build" --out="$out" > "$out/demo.log" 2>&1 &
group=$!
set +m
wait "$group" || { status=$?; cat "$out/demo.log"; echo "FAIL: the demo ended with status $status"; exit 1; }
cat "$out/transcript.txt"

# The sound server's watcher notices its owner is gone within half a second.
for _ in $(seq 30); do
    pgrep -g "$group" >/dev/null || break
    sleep 0.1
done
if pgrep -g "$group" >/dev/null; then
    echo "FAIL: the demo left these running:"
    pgrep -a -g "$group"
    exit 1
fi

rate=$(sed -n 's/^word error rate: \([0-9.]*\)%.*/\1/p' "$out/transcript.txt")
[ -n "$rate" ] || { echo "FAIL: the transcript has no word error rate"; exit 1; }
awk -v rate="$rate" -v bound="$bound" 'BEGIN { exit !(rate <= bound) }' ||
    { echo "FAIL: word error rate $rate% is over the bound of $bound%"; exit 1; }
echo "word error rate $rate% is within the bound of $bound%"
