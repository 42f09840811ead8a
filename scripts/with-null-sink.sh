#!/bin/sh
# SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs a command against a private PipeWire audio server whose default output
# is a null sink: a real audio path that plays in real time without a sound
# card. Works as root, with no systemd, no display and no session bus.
#   with-null-sink.sh <command> [args...]
# Starts its own session bus, pipewire, wireplumber and pipewire-pulse in a
# fresh runtime folder, stops every one of them by pid afterwards, and exits
# with the command's exit code. The command sees GINREI_NULL_SINK=nullsink,
# so a test can insist that an audio output exists, and
# GINREI_NULL_SINK_SCRIPT, this script's path, to take the server down and
# bring it back while it runs (a sound server that dies or restarts):
#   with-null-sink.sh --stop-server    stops the three servers, waits until
#                                      they are gone
#   with-null-sink.sh --start-server   starts them again with the null sink
#                                      as the default output
# Both act on the server of the runtime folder in XDG_RUNTIME_DIR.
set -u

if [ $# -eq 0 ]; then
    echo "usage: with-null-sink.sh <command> [args...] | --stop-server | --start-server" >&2
    exit 2
fi

for tool in dbus-daemon pipewire wireplumber pipewire-pulse pactl; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "with-null-sink: $tool is not installed (scripts/install-deps.sh installs it)" >&2
        exit 2
    fi
done

# The servers' pids, newest first, one a line, in the runtime folder: the
# servers may be restarted by another process than the one that stops them
# at the end.
server_pids() { cat "$XDG_RUNTIME_DIR/servers.pids" 2>/dev/null; }

stop_servers() {
    for pid in $(server_pids); do
        kill "$pid" 2>/dev/null
    done
    # Not necessarily children of this shell: wait by looking.
    for pid in $(server_pids); do
        tries=0
        while kill -0 "$pid" 2>/dev/null && [ $tries -lt 100 ]; do
            sleep 0.05
            tries=$((tries + 1))
        done
        kill -9 "$pid" 2>/dev/null
    done
    : > "$XDG_RUNTIME_DIR/servers.pids"
}

start_servers() {
    log="$XDG_RUNTIME_DIR/servers.log"
    for server in pipewire wireplumber pipewire-pulse; do
        "$server" >>"$log" 2>&1 &
        { echo $!; server_pids; } > "$XDG_RUNTIME_DIR/servers.pids.new"
        mv "$XDG_RUNTIME_DIR/servers.pids.new" "$XDG_RUNTIME_DIR/servers.pids"
        [ "$server" = pipewire ] && sleep 0.5
    done
    sleep 1.5
    # The sink may take a moment longer on a busy machine: try for a while.
    tries=0
    until pactl load-module module-null-sink sink_name=nullsink >/dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -ge 20 ]; then
            echo "with-null-sink: the audio server did not come up; its log:" >&2
            cat "$log" >&2
            return 1
        fi
        sleep 0.25
    done
    pactl set-default-sink nullsink
    # What the sink plays comes back as the default input, for the recording
    # tests: Qt lists no monitor sources, but it lists a source remapped from one.
    pactl load-module module-remap-source source_name=testmic master=nullsink.monitor \
        source_properties=device.description=testmic >/dev/null
    pactl set-default-source testmic
}

case "$1" in
--stop-server)
    stop_servers
    exit 0
    ;;
--start-server)
    start_servers || exit 2
    exit 0
    ;;
esac

runtime=$(mktemp -d "${TMPDIR:-/tmp}/ginrei-sink.XXXXXX") || exit 2
chmod 700 "$runtime"
bus_pid=""

cleanup() {
    stop_servers
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export XDG_RUNTIME_DIR="$runtime"
# The servers keep their state here instead of the user's home.
export XDG_CONFIG_HOME="$runtime/config"
export XDG_STATE_HOME="$runtime/state"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"
# Only the servers started here: none named by the caller's environment.
unset PIPEWIRE_REMOTE PULSE_SERVER
export DISABLE_RTKIT=1

# The bus stays a child of this script (no --fork), so it can be waited for
# and leaves no orphan behind; it prints its address once it listens.
dbus-daemon --session --nofork --address="unix:path=$runtime/bus" --print-address=3 3>"$runtime/bus.address" >/dev/null 2>&1 &
bus_pid=$!
tries=0
until [ -s "$runtime/bus.address" ]; do
    tries=$((tries + 1))
    if [ $tries -ge 100 ] || ! kill -0 "$bus_pid" 2>/dev/null; then
        echo "with-null-sink: cannot start a session bus" >&2
        exit 2
    fi
    sleep 0.05
done
DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$runtime/bus.address")
export DBUS_SESSION_BUS_ADDRESS

start_servers || exit 2

export GINREI_NULL_SINK=nullsink
GINREI_NULL_SINK_SCRIPT=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
export GINREI_NULL_SINK_SCRIPT
"$@"
status=$?
exit $status
