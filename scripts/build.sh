#!/usr/bin/env bash
# Configures and builds into build/ (or build-<sanitizers>/ with --sanitize=...).
# Prints the build directory on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
for arg in "$@"; do
    case "$arg" in
        --sanitize=*) sanitize="${arg#--sanitize=}" ;;
        *) echo "build.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done

dir=build
options=(-DTALLWICK_SANITIZE="$sanitize")
if [ -n "$sanitize" ]; then
    dir="build-${sanitize//,/-}"
    # Sanitizer builds run the tests only: no benchmarks, and -O1, which the
    # sanitizers recommend and which compiles much faster than -O2.
    options+=(-DTALLWICK_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
              "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG"
              "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG")
fi
cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$dir" -j2
echo "$dir"
