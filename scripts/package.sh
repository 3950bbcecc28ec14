#!/usr/bin/env bash
# Builds the Release tree with GCC and makes the Debian package from it, into
# out/package/; prints the package's fields and contents.
#   scripts/package.sh                   make the .deb
#   scripts/package.sh --try-in-fresh-root
#                                        and install it into a fresh Debian 12
#                                        root (debootstrap, kept in
#                                        out/package/root/ for the next time)
#                                        with dpkg -i and apt-get -f install,
#                                        then run the installed tool there
#                                        against a private sound server
set -euo pipefail
cd "$(dirname "$0")/.."

try_in_fresh_root=no
for arg in "$@"; do
    case "$arg" in
        --try-in-fresh-root) try_in_fresh_root=yes ;;
        *) echo "package.sh: unknown argument $arg" >&2; exit 2 ;;
    esac
done

dir=$(scripts/build.sh --release=gcc | tail -n 1)
out=out/package
mkdir -p "$out"
rm -f "$out"/*.deb
(cd "$dir" && cpack -G DEB -B "$PWD/../$out/cpack" >/dev/null)
mv "$out"/cpack/*.deb "$out/"
rm -rf "$out/cpack"
deb=$(ls "$out"/*.deb)
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
echo "package: $deb"
# Read from the executables by dpkg-shlibdeps; a change in how they link must
# not drop the libraries the tool cannot run without.
depends=$(dpkg-deb --field "$deb" Depends)
for library in libsoxr0 libpulse0; do
    if ! [[ ", $depends," =~ ,\ $library[\ ,] ]]; then
        echo "package.sh: the package does not depend on $library: $depends" >&2
        exit 1
    fi
done

[ "$try_in_fresh_root" = yes ] || exit 0

# A fresh root: the minimal Debian 12 system, without the package's
# dependencies, which apt-get has to bring in.
root=$PWD/$out/root
if [ ! -x "$root/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || { echo "package.sh: needs debootstrap (apt-get install debootstrap)" >&2; exit 1; }
    rm -rf "$root"
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
name=$(basename "$deb")

work=$(mktemp -d -p "$root/tmp")
inside=/tmp/$(basename "$work")
cleanup() {
    scripts/sound-server.sh stop "$work/server" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# A root kept from an earlier run: take out what that run installed.
chroot "$root" dpkg --purge tallwick-audio >/dev/null 2>&1 || true
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -qq >/dev/null 2>&1

echo "== dpkg -i (fails for want of the dependencies), then apt-get -f install"
chroot "$root" dpkg -i "/tmp/$name" || true
chroot "$root" apt-get update -qq
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq --no-install-recommends >/dev/null
chroot "$root" dpkg -s tallwick-audio | grep -E '^(Status|Version|Depends):'
echo "brought in: $(chroot "$root" dpkg-query -W -f='${Package} ${Version}, ' libpulse0 libsoxr0)"

# The sound server runs outside the root; its socket is reached through a
# folder inside it.
echo "== the installed tool against a private sound server"
scripts/sound-server.sh start "$work/server" $$ >/dev/null
sox -n -r 48000 -c 2 -b 16 "$work/tone.wav" synth 3 sine 440 vol 0.3
mapfile -t server_env < <(scripts/sound-server.sh env "$work/server")
chroot "$root" env -i PATH=/usr/bin:/bin "PULSE_SERVER=unix:$inside/server/native" \
    "PULSE_CLIENTCONFIG=$inside/server/client.conf" HOME=/tmp \
    timeout --preserve-status -s INT 4 tallwick-audio-listen --quiet --wav "$inside/capture.wav" -- \
    tallwick_audio --source system > "$work/summary.txt" &
capture=$!
sleep 0.5
env "${server_env[@]}" paplay "$work/tone.wav"
status=0
wait "$capture" || status=$?
cat "$work/summary.txt"
echo "440 Hz tone, RMS 0.21 played; captured:"
sox "$work/capture.wav" -n stat 2>&1 | grep -E 'RMS +amplitude|Rough +frequency'
exit "$status"
