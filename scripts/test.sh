#!/usr/bin/env bash
# Builds and runs the whole test suite: unit tests and the end-to-end tests
# against a private sound server the tests start themselves.
#   scripts/test.sh                           plain build
#   scripts/test.sh --sanitize=address,undefined
#   scripts/test.sh --sanitize=thread
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(scripts/build.sh "$@" | tail -n 1)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1}"
ctest --test-dir "$dir" -j2 --output-on-failure --timeout 120
