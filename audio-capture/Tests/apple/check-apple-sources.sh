#!/usr/bin/env bash
# Compile-checks every source of the tool for arm64-apple-macos13.0 against
# Apple's SDK headers, with the build's warnings as errors: the Apple backend
# against the real frameworks, the portable code against Apple's libc++. With
# TESTS_DIR, the backend's tests too, which otherwise build on a Mac only, and
# the header folder of the test library they use (GoogleTest's), checked from a
# folder of its own, since the rest of the folder it lives in belongs to the host.
# Exits 77 (skipped) where the checker or the assembled headers are missing.
#   check-apple-sources.sh SOURCES_DIR [TESTS_DIR LIBRARY_HEADER_DIR]
# The checker: $APPLE_SYNTAX_CHECK, else shared/tools/apple-syntax-check beside
# the checkout. The headers: $APPLE_SDK, else sdkcheck/sdk beside the checkout.
set -uo pipefail

sources=${1:?usage: check-apple-sources.sh SOURCES_DIR [TESTS_DIR LIBRARY_HEADER_DIR]}
tests=${2:-}
checkout=$(git -C "$sources" rev-parse --show-toplevel 2>/dev/null || (cd "$sources/../../.." && pwd))
checker=${APPLE_SYNTAX_CHECK:-$checkout/../shared/tools/apple-syntax-check}
sdk=${APPLE_SDK:-$checkout/../sdkcheck/sdk}

skip() { echo "skipped: $*"; exit 77; }
[ -x "$checker" ] || skip "no apple-syntax-check at $checker"
[ -f "$sdk/System/Library/Frameworks/ScreenCaptureKit.framework/Headers/SCStream.h" ] || skip "no Apple SDK headers at $sdk"
command -v clang++-14 >/dev/null 2>&1 || command -v clang++ >/dev/null 2>&1 || skip "no clang++"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/library-include"
[ -z "$tests" ] || cp -R "${3:?a library header folder goes with TESTS_DIR}" "$tmp/library-include/"

# The Linux backend, the Linux resampler and what tests them are built only on Linux.
linux_only=(-not -path '*/pulse/*' -not -path '*/soundserver/*' -not -path '*/e2e/*' -not -name 'Soxr*')
mapfile -t units < <(find "$sources" ${tests:+"$tests"} -type f -name '*.cpp' "${linux_only[@]}" | sort)
mapfile -t objcxx_units < <(find "$sources" ${tests:+"$tests"} -type f -name '*.mm' | sort)
[ ${#units[@]} -gt 0 ] || { echo "no sources under $sources"; exit 1; }
# Every header in one unit: each of them parses once instead of once a file.
(cd "$sources" && find . -type f -name '*.h' "${linux_only[@]}" | sed 's|^\./\(.*\)|#include "\1"|' | sort) > "$tmp/every-header.mm"

pch=()
check() {
    "$checker" --std=c++20 --werror --sdk="$sdk" -I "$sources" -isystem "$tmp/library-include" \
        "$@" -- -Wpedantic "${pch[@]}"
}

# Apple's framework headers, parsed once for all Objective-C++ units rather than
# once each. Only the frameworks: the C++ library stays out, so a missing
# standard include still shows. The header unit goes without it, so each
# header's own framework imports are still checked.
printf '#import <%s.h>\n' Foundation/Foundation AVFoundation/AVFoundation AVFAudio/AVFAudio CoreMedia/CoreMedia \
    ScreenCaptureKit/ScreenCaptureKit > "$tmp/frameworks.h"
check_objcxx() {
    pch=(-Xclang -emit-pch -Xclang -o -Xclang "$tmp/frameworks.pch")
    check "$tmp/frameworks.h" || return 1
    pch=(-include-pch "$tmp/frameworks.pch")
    [ ${#objcxx_units[@]} -eq 0 ] || check "${objcxx_units[@]}" || return 1
    pch=()
    check "$tmp/every-header.mm" "$@"
}

# Two checkers at a time, as the build runs two compilers; the C++ units split
# so that both finish at about the same time.
third=$(( ${#units[@]} / 3 ))
check_objcxx "${units[@]:0:third}" > "$tmp/first.log" 2>&1 &
first=$!
check "${units[@]:third}" > "$tmp/second.log" 2>&1
second=$?
wait "$first"
first=$?
cat "$tmp/first.log" "$tmp/second.log"
[ "$first" -eq 0 ] && [ "$second" -eq 0 ]
