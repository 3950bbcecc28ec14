#!/usr/bin/env bash
# Cross-builds the macOS executable (arm64, macOS 13 or later) on Linux, with
# clang-14 and ld64.lld-14 against Apple's SDK assembled beside the checkout
# (DEVELOPERS.md says how). The result is unsigned: sign it on a Mac.
# Prints the executable's path on its last line.
#   scripts/build-macos.sh [BUILD_DIR] [CMAKE_OPTION...]   (default build-macos/)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-macos}
shift || true
# This machine's library search path is for Linux objects; the macOS link must
# not search it.
unset LIBRARY_PATH
cmake -S . -B "$dir" -G Ninja --toolchain audio-capture/cmake/MacOSCrossBuild.cmake \
    -DTALLWICK_BUILD_TESTS=OFF -DTALLWICK_BUILD_BENCHMARKS=OFF -DTALLWICK_CODESIGN_IDENTITY= \
    "$@" >/dev/null
cmake --build "$dir" -j2 --target tallwick_audio >&2
echo "$dir/audio-capture/Sources/tallwick-audio/tallwick_audio"
