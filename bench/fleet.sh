#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# A fleet of simulated signs on one mosquitto on this machine: the time from
# a group publish until every sign reports it verified, the time for a sign
# that was cut off during the publish (its agent stopped with SIGSTOP) to
# verify after it runs again, the time until a drift planted on one
# simulator (other Ads sent to it through its serial port) is reported on
# `event`, the memory of one agent and the broker's load. Prints the
# numbers; asserts nothing.
#   bench/fleet.sh [--signs N] [BUILD-DIR]     (default 20 signs; 200 is the
#   fleet of a chain, heavy on a small machine: each sign is an agent and a
#   simulator)
set -euo pipefail
signs=20
if [ "${1:-}" = --signs ]; then signs=$2; shift 2; fi
build=${1:-build}
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
pids=()
broker=
cleanup() {
    for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null || true; done
    # (A watcher that already ended must not end the clean-up before the broker.)
    if [ -n "${watcher:-}" ]; then kill "$watcher" 2>/dev/null || true; fi
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    if [ -n "$broker" ]; then kill "$broker" 2>/dev/null || true; wait "$broker" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mosquitto_passwd -b -c "$work/passwd" headoffice head-secret
echo head-secret > "$work/head.pw"
for i in $(seq "$signs"); do
    mosquitto_passwd -b "$work/passwd" "bench/s$i" "pw$i"
    echo "pw$i" > "$work/s$i.pw"
done
cat > "$work/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous false
password_file $work/passwd
acl_file $src/examples/mosquitto/acl
max_queued_messages 10000
$( [ "$(id -u)" = 0 ] && echo "user root" )
CONF
mosquitto -c "$work/mosquitto.conf" 2>"$work/mosquitto.log" &
broker=$!
sleep 0.5
mqtt=(--mqtt-host 127.0.0.1 --mqtt-port "$port")
start_agent() { # i
    "$build/bin/lumivo-agent" --state-dir "$work/a$1" --listen 127.0.0.1:0 --check-seconds 30 \
        "${mqtt[@]}" --mqtt-user "bench/s$1" --mqtt-password-file "$work/s$1.pw" \
        --site bench --sign "s$1" --group chain 2>"$work/a$1.log" &
    pids[$1]=$!
}
for i in $(seq "$signs"); do mkdir -p "$work/a$i"; start_agent "$i"; done
cli=("$build/bin/lumivo-cli")
head=("${mqtt[@]}" --mqtt-user headoffice --mqtt-password-file "$work/head.pw")
online() { "${cli[@]}" fleet status --json "${head[@]}" | python3 -c \
    'import json,sys; print(sum(1 for r in json.load(sys.stdin) if r["online"] and r["boardAnswering"]))'; }
t0=$(date +%s.%N)
until [ "$(online)" -ge "$signs" ]; do sleep 1; done
echo "$signs signs online with their boards answering after $(echo "$(date +%s.%N) - $t0" | bc) s"

# One sign is cut off from the broker during the publish: its agent stops
# (no keep-alive, no reading) until the others verified.
kill -STOP "${pids[1]}"
verified() { # revision: how many signs verified it, and whether bench/s1 did
    "${cli[@]}" fleet status --json "${head[@]}" | python3 -c 'import json,sys
rows = [r for r in json.load(sys.stdin) if r["verified"] and (r["desired"] or {}).get("group") == int(sys.argv[1])]
print(len(rows), int(any(r["sign"] == "bench/s1" for r in rows)))' "$1"
}
rev=$(date +%s)
bticks0=$(awk '{ print $14 + $15 }' /proc/$broker/stat)
t0=$(date +%s.%N)
"${cli[@]}" fleet publish "$src/examples/welcome.qvndoc" --group chain --revision "$rev" --wait 600     "${head[@]}" >"$work/publish.out" 2>&1 &
publisher=$!
# The publisher follows every sign and says each one's verify once: read
# from its output, the bench adds no load of its own while the fleet works.
until [ "$(grep -c ': verified$' "$work/publish.out" || true)" -ge $((signs - 1)) ]; do sleep 0.1; done
echo "group publish: $((signs - 1)) connected signs verified after $(echo "$(date +%s.%N) - $t0" | bc) s"
kill -CONT "${pids[1]}"
t2=$(date +%s.%N)
until [ "$(verified "$rev" | cut -d' ' -f2)" = 1 ]; do sleep 0.2; done
echo "the cut-off sign verified it $(echo "$(date +%s.%N) - $t2" | bc) s after it ran again"
wait "$publisher" && echo "lumivo-cli fleet publish: every sign verified (exit 0)"
hz=$(getconf CLK_TCK)
bticks1=$(awk '{ print $14 + $15 }' /proc/$broker/stat)
echo "broker CPU during the publish and the reconnect: $(echo "scale=2; ($bticks1 - $bticks0) / $hz" | bc) s"
echo "broker RSS: $(awk '/VmRSS/ { print $2 " kB" }' /proc/$broker/status)"
echo "one agent's RSS: $(awk '/VmRSS/ { print $2 " kB" }' /proc/${pids[2]}/status)"
# Its proportional share: the pages it shares with the other agents counted once.
echo "one agent's PSS: $(awk '/^Pss:/ { print $2 " kB" }' /proc/${pids[2]}/smaps_rollup)"
sim=$(pgrep -P "${pids[2]}" -x lumivo-boardsim | head -1)
echo "its simulator's RSS: $(awk '/VmRSS/ { print $2 " kB" }' /proc/$sim/status), PSS: $(awk '/^Pss:/ { print $2 " kB" }' /proc/$sim/smaps_rollup)"
agents_cpu=0
for i in $(seq 2 "$signs"); do agents_cpu=$((agents_cpu + $(awk '{ print $14 + $15 }' /proc/${pids[$i]}/stat))); done
echo "the agents' CPU since they started: $(echo "scale=1; $agents_cpu / $hz" | bc) s"
echo "memory available on the machine: $(awk '/MemAvailable/ { print int($2 / 1024) " MB" }' /proc/meminfo)"

# A drift: another sender puts other Ads on sign 2's simulated board.
if ! command -v mosquitto_sub >/dev/null; then
    echo "drift: not measured (mosquitto_sub, of mosquitto-clients, is not installed)"
    exit 0
fi
mosquitto_sub -h 127.0.0.1 -p "$port" -u headoffice -P head-secret -t lumivo/bench/s2/event >"$work/events" &
watcher=$!
device=$(mosquitto_sub -h 127.0.0.1 -p "$port" -u headoffice -P head-secret -t lumivo/bench/s2/state -C 1 |
    python3 -c 'import json,sys; d=json.load(sys.stdin)["board"]["device"]; print(d[d.index("(")+1:d.index(")")])')
"${cli[@]}" send "$src/examples/korean.qvndoc" --device "$device" --retries 3 >/dev/null 2>&1
t3=$(date +%s.%N)
until grep -q '"drift"' "$work/events"; do sleep 0.1; done
echo "drift planted on bench/s2 reported on event after $(echo "$(date +%s.%N) - $t3" | bc) s (check period 30 s)"
