#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer + UBSan) into
# build-fuzz/ and runs each for a bounded time.
#   scripts/fuzz.sh            5 seconds each
#   scripts/fuzz.sh 600        ten minutes each
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTALLWICK_FUZZ=ON -DTALLWICK_SANITIZE=address,undefined -DTALLWICK_WERROR=ON \
    -DTALLWICK_BUILD_TESTS=OFF -DTALLWICK_BUILD_BENCHMARKS=OFF >/dev/null
targets=$(sed -n 's/^tallwick_add_fuzzer(\([a-z_]*\) .*/\1/p' audio-capture/Fuzz/CMakeLists.txt)
cmake --build build-fuzz -j2 --target $targets >/dev/null
mkdir -p build-fuzz/artifacts
for target in $targets; do
    corpus="build-fuzz/corpus/$target"
    log="build-fuzz/$target.log"
    mkdir -p "$corpus"
    echo "fuzzing $target for ${seconds}s"
    if ! "build-fuzz/audio-capture/Fuzz/$target" "$corpus" -max_total_time="$seconds" \
            -rss_limit_mb=4096 -print_final_stats=1 \
            -artifact_prefix="build-fuzz/artifacts/$target-" >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzzing: $target crashed; the input is in build-fuzz/artifacts/"
        exit 1
    fi
    grep -E '^stat::number_of_executed_units' "$log" || true
done
echo "fuzzing: 0 crashes"
