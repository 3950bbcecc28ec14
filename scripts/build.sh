#!/usr/bin/env bash
# Configures and builds, with warnings as errors. Prints the build directory on
# its last line.
#   scripts/build.sh                        build/: everything, tests included
#   scripts/build.sh --sanitize=address,undefined|thread
#                                           build-<sanitizers>/: the tests
#                                           under those sanitizers
#   scripts/build.sh --release=gcc|clang    build-release-<compiler>/: a
#                                           Release build (-O3) of what is
#                                           installed, as distributions build
#                                           it; no tests, no benchmarks
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
release=""
for arg in "$@"; do
    case "$arg" in
        --sanitize=*) sanitize="${arg#--sanitize=}" ;;
        --release=gcc | --release=clang) release="${arg#--release=}" ;;
        *) echo "build.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done
if [ -n "$sanitize" ] && [ -n "$release" ]; then
    echo "build.sh: --sanitize and --release do not go together" >&2
    exit 2
fi

dir=build
options=(-DTALLWICK_SANITIZE="$sanitize" -DTALLWICK_WERROR=ON)
if [ -n "$sanitize" ]; then
    dir="build-${sanitize//,/-}"
    # Sanitizer builds run the tests only: no benchmarks, and -O1, which the
    # sanitizers recommend and which compiles much faster than -O2.
    options+=(-DTALLWICK_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
              "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG"
              "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g -DNDEBUG")
fi
if [ -n "$release" ]; then
    dir="build-release-$release"
    if [ "$release" = clang ]; then
        options+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    else
        options+=(-DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++)
    fi
    options+=(-DCMAKE_BUILD_TYPE=Release -DTALLWICK_BUILD_TESTS=OFF -DTALLWICK_BUILD_BENCHMARKS=OFF)
fi
cmake -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$dir" -j2
echo "$dir"
