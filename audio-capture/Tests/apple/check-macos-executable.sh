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
sdk=${APPLE_SDK:-$(cd "$checkout/.." && pwd)/sdkcheck/sdk}

skip() { echo "skipped: $*"; exit 77; }
[ -f "$sdk/usr/lib/libSystem.B.tbd" ] || skip "no linkable Apple SDK at $sdk"
for tool in clang++-14 ld64.lld-14 llvm-objdump-14 llvm-install-name-tool-14; do
    command -v "$tool" >/dev/null 2>&1 || skip "no $tool"
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

configure() {
    (unset LIBRARY_PATH; cmake -S "$checkout" -B "$dir" -G Ninja \
        --toolchain "$checkout/audio-capture/cmake/MacOSCrossBuild.cmake" \
        -DTALLWICK_BUILD_TESTS=OFF -DTALLWICK_BUILD_BENCHMARKS=OFF "$@" >/dev/null) ||
        { echo "FAIL: configuring $*"; exit 1; }
}
# The post-build signing step as the generated build would run it.
signing_step() { grep -o 'codesign [^&]*' "$dir/build.ninja" | head -n 1; }

configure -DTALLWICK_CODESIGN_IDENTITY=-
step=$(signing_step)
[ -n "$step" ] || fail "an ad hoc build does not sign"
case $step in *--timestamp*) fail "an ad hoc signature asks for a timestamp: $step" ;; esac
case $step in *"--options runtime"*) ;; *) fail "no hardened runtime: $step" ;; esac
configure "-DTALLWICK_CODESIGN_IDENTITY=Developer ID Application: Example (ABCDE12345)"
case $(signing_step) in *--timestamp*) ;; *) fail "a real identity signs without --timestamp" ;; esac

exe=$(APPLE_SDK="$sdk" "$checkout/scripts/build-macos.sh" "$dir" 2>"$dir.log" | tail -n 1)
if [ ! -x "$exe" ]; then
    cat "$dir.log"
    echo "FAIL: the executable did not build or link"
    exit 1
fi

headers=$(llvm-objdump-14 --macho --private-headers "$exe")
grep -Eq '^ *MH_MAGIC_64 +ARM64 ' <<<"$headers" || fail "not an arm64 Mach-O executable"
grep -Eq 'NOUNDEFS' <<<"$headers" || fail "the link left undefined symbols"
build_version=$(grep -A4 'cmd LC_BUILD_VERSION' <<<"$headers")
grep -Eq '^ *platform macos$' <<<"$build_version" || fail "platform is not macOS: $build_version"
grep -Eq '^ *minos 13\.0$' <<<"$build_version" || fail "minimum is not macOS 13.0: $build_version"

while IFS= read -r library; do
    case $library in
        /System/Library/*|/usr/lib/*) ;;
        *) fail "loads $library, which a Mac need not have" ;;
    esac
done < <(llvm-objdump-14 --macho --dylibs-used "$exe" | tail -n +2 | sed 's/^[[:space:]]*//; s/ (compatibility.*//')

plist="$dir/audio-capture/Info.plist"
if ! cmp -s <(llvm-objdump-14 --macho --section=__TEXT,__info_plist "$exe" | tail -n +3) "$plist"; then
    fail "the embedded property list is not $plist byte for byte"
fi

[ "$failures" -eq 0 ] || exit 1
echo "ok: $exe"
