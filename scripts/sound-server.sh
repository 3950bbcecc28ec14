#!/usr/bin/env bash
# A private, headless sound server for tests and demos: PulseAudio, or PipeWire
# with its PulseAudio-protocol server. Everything it writes stays under DIR, so
# several can run side by side without touching the user's own sound setup.
#
#   sound-server.sh [--server=pulseaudio|pipewire] COMMAND DIR [OWNER_PID]
#
# The server is PulseAudio unless --server or TALLWICK_SOUND_SERVER_KIND says
# pipewire; the choice made at start is remembered in DIR, so the other
# commands follow it by themselves.
#
#   start DIR [OWNER_PID]  start one; with OWNER_PID it also stops once that
#                          process is gone
#   stop DIR               stop it (by the PIDs it recorded)
#   env DIR                the environment a client needs, one NAME=value per
#                          line
#   kind DIR               which server runs there: pulseaudio or pipewire
#   start-refusing DIR [OWNER_PID]
#                          like start, and also listen on TCP where clients are
#                          turned away: PulseAudio asks for the cookie, which
#                          `env-refused DIR` gets wrong. PipeWire checks no
#                          cookie: there the address gives clients restricted
#                          (read-only) access, the most it can withhold, since a
#                          client given no access at all waits for ever
#   env-refused DIR
#
# Layout: sink "tallwick_speakers" (float32le, 48 kHz, stereo) is the default
# output; playing into sink "tallwick_mic_feed" is heard on source
# "tallwick_mic", the default input (44.1 kHz mono on PulseAudio; PipeWire runs
# it at its graph rate, 48 kHz). DIR/pid holds the PID of the process clients
# talk to (pulseaudio or pipewire-pulse): killing it is the server dying.
set -euo pipefail

usage() {
    echo "usage: $0 [--server=pulseaudio|pipewire] start|start-refusing|stop|env|env-refused|kind DIR [OWNER_PID]" >&2
    exit 2
}

kind=${TALLWICK_SOUND_SERVER_KIND:-pulseaudio}
case "${1:-}" in
    --server=*) kind=${1#--server=}; shift ;;
esac
[ $# -ge 2 ] || usage
command=$1
dir=$2
owner=${3:-}
# Once started, DIR says what runs there.
[ "$command" = start ] || [ "$command" = start-refusing ] || [ ! -f "$dir/kind" ] || kind=$(cat "$dir/kind")
case "$kind" in
    pulseaudio|pipewire) ;;
    *) echo "sound-server.sh: unknown server $kind (pulseaudio or pipewire)" >&2; exit 2 ;;
esac

client_env() {
    echo "PULSE_SERVER=unix:$dir/native"
    echo "PULSE_CLIENTCONFIG=$dir/client.conf"
    echo "PULSE_COOKIE=$dir/cookie"
    echo "HOME=$dir/home"
    echo "XDG_RUNTIME_DIR=$dir/runtime"
    echo "XDG_CONFIG_HOME=$dir/config"
}

refused_env() {
    echo "PULSE_SERVER=tcp:127.0.0.1:$(cat "$dir/tcp-port")"
    echo "PULSE_CLIENTCONFIG=$dir/client.conf"
    echo "PULSE_COOKIE=$dir/wrong-cookie"
    echo "HOME=$dir/home"
    echo "XDG_RUNTIME_DIR=$dir/runtime"
    echo "XDG_CONFIG_HOME=$dir/config"
}

# A TCP port nobody listens on right now. Another process may take it before
# the server binds it; start then fails and says so.
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

# The sinks and sources of the layout, as pactl commands (and server.pa lines).
layout() {
    cat <<EOF
load-module module-null-sink sink_name=tallwick_speakers format=float32le rate=48000 channels=2 sink_properties=device.description=Speakers
load-module module-null-sink sink_name=tallwick_mic_feed format=float32le rate=44100 channels=1 sink_properties=device.description=Microphone_feed
load-module module-remap-source master=tallwick_mic_feed.monitor source_name=tallwick_mic format=float32le rate=44100 channels=1 source_properties=device.description=Microphone
load-module module-null-sink sink_name=tallwick_latency_sink sink_properties=device.description=Latency_sink
load-module module-loopback source=tallwick_speakers.monitor sink=tallwick_latency_sink latency_msec=20 source_dont_move=true sink_dont_move=true
load-module module-loopback source=tallwick_mic_feed.monitor sink=tallwick_latency_sink latency_msec=20 source_dont_move=true sink_dont_move=true
set-default-sink tallwick_speakers
set-default-source tallwick_mic
EOF
}

write_common_config() {
    mkdir -p "$dir/home" "$dir/runtime" "$dir/config" "$dir/state"
    chmod 700 "$dir/runtime"
    cat > "$dir/client.conf" <<EOF
autospawn = no
EOF
    head -c 256 /dev/urandom > "$dir/wrong-cookie"
}

write_pulseaudio_config() {
    local refusing=$1
    cat > "$dir/daemon.conf" <<EOF
daemonize = no
exit-idle-time = -1
realtime-scheduling = no
high-priority = no
flat-volumes = no
default-sample-format = float32le
default-sample-rate = 48000
EOF
    {
        echo "load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1"
        layout
        if [ "$refusing" = yes ]; then
            echo "load-module module-native-protocol-tcp listen=127.0.0.1 port=$(cat "$dir/tcp-port") auth-anonymous=0"
        fi
    } > "$dir/server.pa"
}

# Found through XDG_CONFIG_HOME, ahead of the system's own files.
write_pipewire_config() {
    local refusing=$1
    local wireplumber="$dir/config/wireplumber"
    mkdir -p "$dir/config/pipewire" "$wireplumber/main.lua.d" "$wireplumber/bluetooth.lua.d"
    # WirePlumber quits at start without D-Bus unless its device monitors
    # (ALSA, V4L2, libcamera, BlueZ with logind) and the flatpak portal are off;
    # there is no hardware to find anyway. Same-named files replace the system's.
    cat > "$wireplumber/main.lua.d/90-enable-all.lua" <<EOF
load_module("metadata")
default_access.enable()
device_defaults.enable()
stream_defaults.enable()
load_script("intended-roles.lua")
load_script("suspend-node.lua")
EOF
    cat > "$wireplumber/main.lua.d/51-no-portal.lua" <<EOF
default_access.properties["enable-flatpak-portal"] = false
EOF
    : > "$wireplumber/bluetooth.lua.d/90-enable-all.lua"
    local tcp=""
    if [ "$refusing" = yes ]; then
        tcp="{ address = \"tcp:127.0.0.1:$(cat "$dir/tcp-port")\" client.access = \"restricted\" }"
    fi
    # The system's pipewire-pulse.conf without its fallback sink, which would
    # stand in for a missing output, and listening on the layout's socket.
    cat > "$dir/config/pipewire/pipewire-pulse.conf" <<EOF
context.properties = { }
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse args = { } }
]
pulse.properties = {
    server.address = [ "unix:$dir/native" $tcp ]
}
EOF
}

# Replaces the calling (sub)shell, so that the PID recorded is the server's own.
exec_with_server_env() {
    exec env -i PATH=/usr/bin:/bin \
        HOME="$dir/home" \
        XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/config" \
        XDG_STATE_HOME="$dir/state" \
        PULSE_RUNTIME_PATH="$dir/runtime" \
        PULSE_STATE_PATH="$dir/state" \
        PULSE_CONFIG="$dir/daemon.conf" \
        PULSE_CLIENTCONFIG="$dir/client.conf" \
        PULSE_COOKIE="$dir/cookie" \
        "$@"
}

client() {
    local -a vars
    mapfile -t vars < <(client_env)
    env -i PATH=/usr/bin:/bin "${vars[@]}" "$@"
}

# Whether the process runs. A server that has exited may linger as a zombie
# until whoever adopted it reaps it; that counts as gone.
running() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [[ $state != Z* ]]
}

# Starts one server process in the background, its output in DIR/NAME.log;
# records its PID in DIR/pids and prints it.
launch() {
    local name=$1
    shift
    (exec_with_server_env "$@") </dev/null >"$dir/$name.log" 2>&1 &
    echo "$!" >> "$dir/pids"
    echo "$!"
}

gave_up() {
    local pid
    for pid in $(cat "$dir/pids" 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
    rm -f "$dir/pids" "$dir/pid"
    echo "the sound server did not come up: $1; its logs:" >&2
    cat "$dir"/*.log >&2
    exit 1
}

# Waits until the pulse-protocol server answers, while every process runs.
await_answer() {
    local deadline=$((SECONDS + 10))
    until client pactl info >/dev/null 2>&1; do
        local pid
        for pid in $(cat "$dir/pids"); do
            running "$pid" || gave_up "process $pid ended"
        done
        [ $SECONDS -lt $deadline ] || gave_up "no answer within 10 s"
        sleep 0.05
    done
}

start_pulseaudio() {
    launch pulseaudio pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --log-target=stderr > "$dir/pid"
    await_answer
}

start_pipewire() {
    launch pipewire pipewire >/dev/null
    local deadline=$((SECONDS + 10))
    until [ -S "$dir/runtime/pipewire-0" ]; do
        running "$(head -n 1 "$dir/pids")" || gave_up "pipewire ended"
        [ $SECONDS -lt $deadline ] || gave_up "no pipewire socket within 10 s"
        sleep 0.02
    done
    launch wireplumber wireplumber >/dev/null
    launch pipewire-pulse pipewire-pulse > "$dir/pid"
    await_answer
    local line
    while read -r line; do
        # shellcheck disable=SC2086  # each line is pactl's words
        client pactl $line >/dev/null || gave_up "pactl $line failed"
    done < <(layout)
}

start() {
    local refusing=$1
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [ -f "$dir/pid" ] && running "$(cat "$dir/pid")"; then
        echo "a server already runs for $dir" >&2
        exit 1
    fi
    rm -f "$dir/pids"
    echo "$kind" > "$dir/kind"
    write_common_config
    [ "$refusing" = no ] || free_port > "$dir/tcp-port"
    "write_${kind}_config" "$refusing"
    "start_$kind"

    # A fresh null sink renders far ahead until it has been suspended once with
    # a low-latency stream attached; without this the first sound arrives late.
    client pactl suspend-sink tallwick_speakers 1
    client pactl suspend-sink tallwick_speakers 0
    client pactl suspend-sink tallwick_mic_feed 1
    client pactl suspend-sink tallwick_mic_feed 0

    if [ -n "$owner" ]; then
        local pids
        pids=$(cat "$dir/pids")
        # Detached from our caller's pipes, so that whoever waits for this
        # script's output is not kept waiting by the watcher.
        (
            while running "$owner" && running "$(cat "$dir/pid" 2>/dev/null || echo 0)"; do sleep 0.5; done
            # shellcheck disable=SC2086
            kill $pids 2>/dev/null || true
        ) </dev/null >/dev/null 2>&1 &
    fi
}

# Stops every process the server was started with, the last started first.
# The pulse-protocol server may already be gone (killed as a crash would).
stop() {
    [ -f "$dir/pids" ] || return 0
    local -a pids
    mapfile -t pids < <(tac "$dir/pids")
    rm -f "$dir/pids" "$dir/pid"
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || continue
        local deadline=$((SECONDS + 5))
        while running "$pid"; do
            if [ $SECONDS -ge $deadline ]; then
                kill -KILL "$pid" 2>/dev/null || true
                break
            fi
            sleep 0.02
        done
    done
}

case "$command" in
    start) start no ;;
    start-refusing) start yes ;;
    stop) stop ;;
    env) client_env ;;
    env-refused) refused_env ;;
    kind) echo "$kind" ;;
    *) usage ;;
esac
