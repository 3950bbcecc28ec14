#!/usr/bin/env bash
# The main job: an interviewer's question, spoken here by espeak-ng, is played
# into a private sound server while tallwick_audio captures the system audio
# under the inspector; then pocketsphinx transcribes what was captured. Shows
# the inspector's summary and the transcript beside the sentence that was
# spoken, with its word error rate, and writes, under out/demo/:
#   capture.wav       what the tool captured (16 kHz mono)
#   spectrogram.png   its spectrogram
#   summary.txt       the inspector's summary
#   transcript.txt    the sentence spoken, the words heard, the word error rate
# Needs no sound card; ends by itself and leaves nothing running.
#   scripts/demo.sh [--build-dir=DIR] [--out=DIR]
# --build-dir: use the tool and the inspector built there instead of building.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=""
out=out/demo
for arg in "$@"; do
    case "$arg" in
        --build-dir=*) dir="${arg#--build-dir=}" ;;
        --out=*) out="${arg#--out=}" ;;
        *) echo "demo.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done
[ -n "$dir" ] || dir=$(scripts/build.sh | tail -n 1)
tool=$dir/audio-capture/Sources/tallwick-audio/tallwick_audio
listen=$dir/audio-capture/Tools/listen/tallwick-audio-listen
mkdir -p "$out"
rm -f "$out/capture.wav" "$out/spectrogram.png" "$out/summary.txt" "$out/transcript.txt"

if ! command -v pocketsphinx_continuous >/dev/null; then
    echo "demo: pocketsphinx_continuous is missing; scripts/install-dependencies.sh installs it" >&2
    exit 1
fi

work=$(mktemp -d)
listen_pid=""
cleanup() {
    if [ -n "$listen_pid" ] && kill -0 "$listen_pid" 2>/dev/null; then
        kill -TERM "$listen_pid" 2>/dev/null || true
        wait "$listen_pid" 2>/dev/null || true
    fi
    scripts/sound-server.sh stop "$work/server" >/dev/null 2>&1 || true
    rm -rf "$work"
}
# Ctrl-C reaches the inspector too, which stops the tool and writes its
# summary; show that before leaving. A stop sent to this script alone is
# passed on to the inspector once it is clear it did not get one itself.
interrupted() {
    if [ -n "$listen_pid" ]; then
        for _ in $(seq 10); do
            kill -0 "$listen_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -INT "$listen_pid" 2>/dev/null || true
        wait "$listen_pid" 2>/dev/null || true
        listen_pid=""
        echo
        cat "$out/summary.txt"
    fi
    exit 130
}
trap cleanup EXIT
trap interrupted INT TERM

# A question an interviewer asks, in words the recogniser's dictionary knows.
sentence="Please tell me about a time when you solved a difficult problem at work. \
What did you learn from it?"
espeak-ng -v en-us+klatt -a 50 -w "$work/speech.wav" "$sentence"
seconds=$(soxi -D "$work/speech.wav")
echo "demo: a ${seconds%.*}-second spoken sample, played into a private sound server"

scripts/sound-server.sh start "$work/server" $$ >/dev/null
mapfile -t server_env < <(scripts/sound-server.sh env "$work/server")

env "${server_env[@]}" "$listen" --wav "$out/capture.wav" -- "$tool" --source system \
    > "$out/summary.txt" &
listen_pid=$!

# Audio in the file means the capture runs: an idle sink's monitor still
# delivers silence.
for _ in $(seq 100); do
    [ "$(stat -c %s "$out/capture.wav" 2>/dev/null || echo 0)" -gt 3244 ] && break
    kill -0 "$listen_pid" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$listen_pid" 2>/dev/null; then
    wait "$listen_pid" || true
    listen_pid=""
    cat "$out/summary.txt"
    echo "demo: the capture did not start" >&2
    exit 1
fi

env "${server_env[@]}" paplay "$work/speech.wav"
sleep 0.5   # the tail of the sentence is still on its way through the server

# Ctrl-C for the inspector: it passes the stop on to the tool and waits for it.
kill -INT "$listen_pid"
status=0
wait "$listen_pid" || status=$?
listen_pid=""

echo
cat "$out/summary.txt"
sox "$out/capture.wav" -n spectrogram -x 1000 -y 257 -t "tallwick_audio demo capture" \
    -o "$out/spectrogram.png"

# The capture is already 16 kHz mono 16-bit PCM, the recogniser's own input
# format: it reads the file as it is, with no conversion in between. With its
# default beams the words it finds depend on where the speech happens to fall on
# its 10 ms frame grid (the same audio shifted by 0 to 140 samples: 5 to 35 %
# word error rate); these wider ones give 5 to 15 % for 1.8 times the work.
if ! heard=$(pocketsphinx_continuous -infile "$out/capture.wav" -logfn "$work/pocketsphinx.log" \
                 -beam 1e-60 -wbeam 1e-40 -pbeam 1e-60 | paste -sd' '); then
    tail -n 20 "$work/pocketsphinx.log" >&2
    echo "demo: pocketsphinx could not transcribe the capture" >&2
    exit 1
fi
rate=$(scripts/demo/word_error_rate.py "$sentence" "$heard")
{
    echo "spoken:          $sentence"
    echo "heard:           ${heard:-(nothing)}"
    echo "word error rate: $rate"
} > "$out/transcript.txt"
echo
echo "transcript by pocketsphinx of capture.wav, read as captured (16 kHz mono 16-bit is its own input format):"
cat "$out/transcript.txt"
echo
echo "capture:     $out/capture.wav"
echo "spectrogram: $out/spectrogram.png"
echo "summary:     $out/summary.txt"
echo "transcript:  $out/transcript.txt"
exit "$status"
