#!/usr/bin/env bash
# Builds and runs the test suite: unit tests and the end-to-end tests against a
# private sound server the tests start themselves.
#   scripts/test.sh                           plain build
#   scripts/test.sh --sanitize=address,undefined
#   scripts/test.sh --sanitize=thread
#   scripts/test.sh --server=pipewire         only the end-to-end group (label
#                                             sound_server), on PipeWire
#   scripts/test.sh --apple                   only the checks against Apple's SDK
#                                             (label apple), which the other runs
#                                             leave out: they take minutes and
#                                             skip where the SDK is missing
set -euo pipefail
cd "$(dirname "$0")/.."
build_arguments=()
server=""
labels=(-LE apple)
for arg in "$@"; do
    case "$arg" in
        --server=*) server="${arg#--server=}"; labels=(-L sound_server) ;;
        --apple) labels=(-L apple) ;;
        *) build_arguments+=("$arg") ;;
    esac
done
dir=$(scripts/build.sh "${build_arguments[@]}" | tail -n 1)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}"
[ -z "$server" ] || export TALLWICK_SOUND_SERVER_KIND="$server"
ctest --test-dir "$dir" -j2 --output-on-failure --timeout 120 "${labels[@]}"
