#!/usr/bin/env bash
# Cross-builds the macOS executable with scripts/build-macos.sh and inspects
# what a Mac's loader and code signing would see: an arm64 executable for
# macOS 13.0 or later, linked with nothing left undefined, loading only
# libraries every Mac has, with its property list embedded byte for byte; and
# a build that signs with a real identity asks for a secure timestamp, while
# an ad hoc one does not. Exits 77 (skipped) where the SDK with its link stubs
# or the LLVM tools are missing.
#   check-macos-executable.sh CHECKOUT BUILD_DIR
set -uo pipefail

checkout=${1:?usage: check-macos-executable.sh CHECKOUT BUILD_DIR}
dir=${2:?usage: check-macos-executable.sh CHECKOUT BUILD_DIR}
sdk=${APPLE_SDK:-$checkout/../sdkcheck/sdk}

[ -f "$sdk/usr/lib/libSystem.B.tbd" ] || { echo "skipped: no linkable Apple SDK at $sdk"; exit 77; }
for tool in clang++-14 ld64.lld-14 llvm-objdump-14 llvm-install-name-tool-14; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: no $tool"; exit 77; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The post-build signing step as the generated build for this identity would run it.
signing_step() {
    (unset LIBRARY_PATH; cmake -S "$checkout" -B "$dir" -G Ninja --toolchain "$checkout/audio-capture/cmake/MacOSCrossBuild.cmake" \
        -DTALLWICK_BUILD_TESTS=OFF -DTALLWICK_BUILD_BENCHMARKS=OFF "-DTALLWICK_CODESIGN_IDENTITY=$1" >/dev/null) ||
        { echo "FAIL: configuring for $1" >&2; exit 1; }
    grep -o 'codesign [^&]*' "$dir/build.ninja" | head -n 1 || true
}
case $(signing_step "Developer ID Application: Example (ABCDE12345)") in *--timestamp*) ;; *) fail "a real identity signs without --timestamp" ;; esac
step=$(signing_step -) || exit 1
case $step in "") fail "an ad hoc build does not sign" ;; *--timestamp*) fail "an ad hoc signature asks for a timestamp: $step" ;; esac
case $step in *"--options runtime"*) ;; *) fail "no hardened runtime: $step" ;; esac

exe=$(APPLE_SDK="$sdk" "$checkout/scripts/build-macos.sh" "$dir" 2>"$dir.log" | tail -n 1)
[ -x "$exe" ] || { cat "$dir.log"; echo "FAIL: the executable did not build or link"; exit 1; }

headers=$(llvm-objdump-14 --macho --private-headers "$exe")
grep -Eq '^ *MH_MAGIC_64 +ARM64 ' <<<"$headers" || fail "not an arm64 Mach-O executable"
grep -Eq 'NOUNDEFS' <<<"$headers" || fail "the link left undefined symbols"
build_version=$(grep -A4 'cmd LC_BUILD_VERSION' <<<"$headers")
grep -Eq '^ *platform macos$' <<<"$build_version" || fail "platform is not macOS: $build_version"
grep -Eq '^ *minos 13\.0$' <<<"$build_version" || fail "minimum is not macOS 13.0: $build_version"

while IFS= read -r library; do
    case $library in /System/Library/*|/usr/lib/*) ;; *) fail "loads $library, which a Mac need not have" ;; esac
done < <(llvm-objdump-14 --macho --dylibs-used "$exe" | tail -n +2 | sed 's/^[[:space:]]*//; s/ (compatibility.*//')

plist="$dir/audio-capture/Info.plist"
cmp -s <(llvm-objdump-14 --macho --section=__TEXT,__info_plist "$exe" | tail -n +3) "$plist" ||
    fail "the embedded property list is not $plist byte for byte"

[ "$failures" -eq 0 ] || exit 1
echo "ok: $exe"
