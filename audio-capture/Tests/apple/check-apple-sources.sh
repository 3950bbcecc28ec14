#!/usr/bin/env bash
# Compile-checks every source of the tool for arm64-apple-macos13.0 against
# Apple's SDK headers, with the build's warnings as errors: the Apple backend
# against the real frameworks, the portable code against Apple's libc++. With
# --tests, the backend's tests too, which otherwise build on a Mac only.
# Exits 77 (skipped) where the checker or the assembled headers are missing.
#   check-apple-sources.sh SOURCES_DIR [--tests=DIR] [--library-header=PATH]...
# --library-header: a header file or folder of a library the sources use
# (GoogleTest); it is checked from a folder of its own, since the rest
# of the folder it lives in belongs to the host.
# The checker: $APPLE_SYNTAX_CHECK, else shared/tools/apple-syntax-check beside
# the checkout. The headers: $APPLE_SDK, else sdkcheck/sdk beside the checkout.
set -uo pipefail

sources=${1:?usage: check-apple-sources.sh SOURCES_DIR [--tests=DIR] [--library-header=PATH]...}
shift
tests=""
library_headers=()
for arg in "$@"; do
    case "$arg" in
        --tests=*) tests=${arg#--tests=} ;;
        --library-header=*) library_headers+=("${arg#--library-header=}") ;;
        *) echo "check-apple-sources.sh: unknown argument $arg"; exit 2 ;;
    esac
done
checkout=$(git -C "$sources" rev-parse --show-toplevel 2>/dev/null || (cd "$sources/../../.." && pwd))
beside=$(cd "$checkout/.." && pwd)
checker=${APPLE_SYNTAX_CHECK:-$beside/shared/tools/apple-syntax-check}
sdk=${APPLE_SDK:-$beside/sdkcheck/sdk}

skip() { echo "skipped: $*"; exit 77; }
[ -x "$checker" ] || skip "no apple-syntax-check at $checker"
[ -f "$sdk/System/Library/Frameworks/ScreenCaptureKit.framework/Headers/SCStream.h" ] ||
    skip "no Apple SDK headers at $sdk"
command -v clang++-14 >/dev/null 2>&1 || command -v clang++ >/dev/null 2>&1 || skip "no clang++"

# The Linux backend, the Linux resampler and what tests them are built only on Linux.
linux_only=(-not -path '*/pulse/*' -not -path '*/soundserver/*' -not -path '*/e2e/*'
            -not -name 'Soxr*')
mapfile -t units < <(find "$sources" -type f -name '*.cpp' "${linux_only[@]}" | sort)
mapfile -t objcxx_units < <(find "$sources" -type f -name '*.mm' | sort)
mapfile -t headers < <(cd "$sources" && find . -type f -name '*.h' "${linux_only[@]}" | sed 's|^\./||' | sort)
[ ${#units[@]} -gt 0 ] || { echo "no sources under $sources"; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/library-include"
for header in "${library_headers[@]}"; do
    cp -R "$header" "$tmp/library-include/"
done
if [ -n "$tests" ]; then
    mapfile -t -O ${#units[@]} units < <(find "$tests" -type f -name '*.cpp' "${linux_only[@]}" | sort)
    mapfile -t -O ${#objcxx_units[@]} objcxx_units < <(find "$tests" -type f -name '*.mm' | sort)
fi

# Every header in one unit: each of them parses once instead of once a file.
for header in "${headers[@]}"; do
    echo "#include \"$header\""
done > "$tmp/every-header.mm"

check() {
    "$checker" --std=c++20 --werror --sdk="$sdk" -I "$sources" -isystem "$tmp/library-include" \
        "$@" -- -Wpedantic "${pch[@]}"
}

# Apple's framework headers, parsed once for all Objective-C++ units rather than
# once each. Only the frameworks: the C++ library stays out, so a missing
# standard include still shows. The header unit above goes without it, so each
# header's own framework imports are still checked.
cat > "$tmp/frameworks.h" <<'FRAMEWORKS'
#import <Foundation/Foundation.h>
#import <AVFoundation/AVFoundation.h>
#import <AVFAudio/AVFAudio.h>
#import <CoreMedia/CoreMedia.h>
#import <ScreenCaptureKit/ScreenCaptureKit.h>
FRAMEWORKS
check_objcxx() {
    pch=(-Xclang -emit-pch -Xclang -o -Xclang "$tmp/frameworks.pch")
    check "$tmp/frameworks.h" || return 1
    pch=()
    [ -s "$tmp/frameworks.pch" ] && pch=(-include-pch "$tmp/frameworks.pch")
    if [ ${#objcxx_units[@]} -gt 0 ]; then
        check "${objcxx_units[@]}" || return 1
    fi
    pch=()
    check "$tmp/every-header.mm" "$@"
}

# Two checkers at a time, as the build runs two compilers; the C++ units split
# so that both finish at about the same time.
pch=()
third=$(( ${#units[@]} / 3 ))
check_objcxx "${units[@]:0:third}" > "$tmp/first.log" 2>&1 &
first=$!
check "${units[@]:third}" > "$tmp/second.log" 2>&1
second=$?
wait "$first"
first=$?
cat "$tmp/first.log" "$tmp/second.log"
[ "$first" -eq 0 ] && [ "$second" -eq 0 ]
