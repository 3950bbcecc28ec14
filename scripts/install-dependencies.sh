#!/usr/bin/env bash
# Installs every package the build, the tests, the demo and the benchmarks need
# on Debian 12, and the Node host module's development dependencies (TypeScript)
# from the npm registry. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    build-essential cmake ninja-build pkg-config git
    libsoxr-dev libpulse-dev
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    clang libclang-rt-14-dev
    pulseaudio pulseaudio-utils sox espeak-ng pocketsphinx pocketsphinx-en-us
    pipewire pipewire-pulse wireplumber
    python3
)
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

run_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    run_as_root apt-get update -qq
    run_as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Exactly the versions in package-lock.json, into examples/node-host/node_modules.
(cd examples/node-host && npm ci --no-audit --no-fund --loglevel=error)
