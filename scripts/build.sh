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
[ -n "$sanitize" ] && dir="build-${sanitize//,/-}"
cmake -S . -B "$dir" -G Ninja -DTALLWICK_SANITIZE="$sanitize" >/dev/null
cmake --build "$dir" -j2
echo "$dir"
