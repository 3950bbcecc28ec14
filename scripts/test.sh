#!/usr/bin/env bash
# Builds and runs the whole test suite: unit tests and the end-to-end tests
# against a private sound server the tests start themselves.
#   scripts/test.sh                           plain build
#   scripts/test.sh --sanitize=address,undefined
#   scripts/test.sh --sanitize=thread
#   scripts/test.sh --server=pipewire         only the end-to-end group (label
#                                             sound_server), on PipeWire
set -euo pipefail
cd "$(dirname "$0")/.."
build_arguments=()
server=""
for arg in "$@"; do
    case "$arg" in
        --server=*) server="${arg#--server=}" ;;
        *) build_arguments+=("$arg") ;;
    esac
done
dir=$(scripts/build.sh "${build_arguments[@]}" | tail -n 1)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}"
if [ -n "$server" ]; then
    export TALLWICK_SOUND_SERVER_KIND="$server"
    ctest --test-dir "$dir" -j2 --output-on-failure --timeout 120 -L sound_server
else
    ctest --test-dir "$dir" -j2 --output-on-failure --timeout 120
fi
