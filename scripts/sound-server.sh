#!/usr/bin/env bash
# A private, headless PulseAudio server for tests and demos. Everything it
# writes stays under DIR, so several can run side by side without touching the
# user's own sound setup.
#
#   sound-server.sh start DIR [OWNER_PID]  start one; with OWNER_PID it also
#                                          stops once that process is gone
#   sound-server.sh stop DIR               stop it (by the PID it recorded)
#   sound-server.sh env DIR                the environment a client needs, one
#                                          NAME=value per line
#   sound-server.sh start-refusing DIR [OWNER_PID]
#                                          like start, and also listen on TCP
#                                          with cookie authentication only;
#                                          `env-refused DIR` then gives a
#                                          client environment with a wrong
#                                          cookie, which the server turns away
#   sound-server.sh env-refused DIR
#
# Layout: sink "tallwick_speakers" (float32le, 48 kHz, stereo) is the default
# output; playing into sink "tallwick_mic_feed" is heard on source
# "tallwick_mic" (44.1 kHz mono), the default input.
set -euo pipefail

usage() {
    echo "usage: $0 start|start-refusing|stop|env|env-refused DIR [OWNER_PID]" >&2
    exit 2
}

[ $# -ge 2 ] || usage
command=$1
dir=$2
owner=${3:-}

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

write_config() {
    local refusing=$1
    mkdir -p "$dir/home" "$dir/runtime" "$dir/config" "$dir/state"
    chmod 700 "$dir/runtime"
    cat > "$dir/daemon.conf" <<EOF
daemonize = no
exit-idle-time = -1
realtime-scheduling = no
high-priority = no
flat-volumes = no
default-sample-format = float32le
default-sample-rate = 48000
EOF
    cat > "$dir/client.conf" <<EOF
autospawn = no
EOF
    head -c 256 /dev/urandom > "$dir/wrong-cookie"
    cat > "$dir/server.pa" <<EOF
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
load-module module-null-sink sink_name=tallwick_speakers format=float32le rate=48000 channels=2 sink_properties=device.description=Speakers
load-module module-null-sink sink_name=tallwick_mic_feed format=float32le rate=44100 channels=1 sink_properties=device.description=Microphone_feed
load-module module-remap-source master=tallwick_mic_feed.monitor source_name=tallwick_mic format=float32le rate=44100 channels=1 source_properties=device.description=Microphone
load-module module-null-sink sink_name=tallwick_latency_sink sink_properties=device.description=Latency_sink
load-module module-loopback source=tallwick_speakers.monitor sink=tallwick_latency_sink latency_msec=20 source_dont_move=true sink_dont_move=true
load-module module-loopback source=tallwick_mic_feed.monitor sink=tallwick_latency_sink latency_msec=20 source_dont_move=true sink_dont_move=true
set-default-sink tallwick_speakers
set-default-source tallwick_mic
EOF
    if [ "$refusing" = yes ]; then
        free_port > "$dir/tcp-port"
        echo "load-module module-native-protocol-tcp listen=127.0.0.1 port=$(cat "$dir/tcp-port") auth-anonymous=0" \
            >> "$dir/server.pa"
    fi
}

# Replaces the calling (sub)shell, so that the PID recorded is the server's own.
exec_with_server_env() {
    exec env -i PATH=/usr/bin:/bin \
        HOME="$dir/home" \
        XDG_RUNTIME_DIR="$dir/runtime" \
        XDG_CONFIG_HOME="$dir/config" \
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

start() {
    local refusing=$1
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [ -f "$dir/pid" ] && running "$(cat "$dir/pid")"; then
        echo "a server already runs for $dir" >&2
        exit 1
    fi
    write_config "$refusing"
    (exec_with_server_env pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no --log-target=stderr) </dev/null >"$dir/server.log" 2>&1 &
    local pid=$!
    echo "$pid" > "$dir/pid"

    local deadline=$((SECONDS + 10))
    until client pactl info >/dev/null 2>&1; do
        if ! running "$pid" || [ $SECONDS -ge $deadline ]; then
            kill "$pid" 2>/dev/null || true
            echo "the sound server did not come up; its log:" >&2
            cat "$dir/server.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    # A fresh null sink renders far ahead until it has been suspended once with
    # a low-latency stream attached; without this the first sound arrives late.
    client pactl suspend-sink tallwick_speakers 1
    client pactl suspend-sink tallwick_speakers 0
    client pactl suspend-sink tallwick_mic_feed 1
    client pactl suspend-sink tallwick_mic_feed 0

    if [ -n "$owner" ]; then
        # Detached from our caller's pipes, so that whoever waits for this
        # script's output is not kept waiting by the watcher.
        (
            while running "$owner" && running "$pid"; do sleep 0.5; done
            kill "$pid" 2>/dev/null || true
        ) </dev/null >/dev/null 2>&1 &
    fi
}

stop() {
    [ -f "$dir/pid" ] || return 0
    local pid
    pid=$(cat "$dir/pid")
    rm -f "$dir/pid"
    kill "$pid" 2>/dev/null || return 0
    local deadline=$((SECONDS + 5))
    while running "$pid"; do
        if [ $SECONDS -ge $deadline ]; then
            kill -KILL "$pid" 2>/dev/null || true
            break
        fi
        sleep 0.02
    done
}

case "$command" in
    start) start no ;;
    start-refusing) start yes ;;
    stop) stop ;;
    env) client_env ;;
    env-refused) refused_env ;;
    *) usage ;;
esac
