#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The sign agent's resources on this machine, with one simulated board:
# RSS idle and while rendering previews, CPU share while idle, and the time
# from a notification request to the board verified.
#   bench/agent_resources.sh [BUILD-DIR]   (prints the numbers; asserts nothing)
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
"$build/bin/lumivo-agent" --state-dir "$work" --listen 127.0.0.1:0 --check-seconds 30 2>"$work/log" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q listening "$work/log" && break; sleep 0.05; done
port=$(grep -o '127.0.0.1:[0-9]*' "$work/log" | head -1)
H="Authorization: Bearer $(cat "$work/token")"
curl -s -H "$H" -X PUT --data-binary @examples/welcome.qvndoc "http://$port/api/v1/project" >/dev/null
rss() { awk '/VmRSS/ { print $2 " kB" }' /proc/$pid/status; }
ticks() { awk '{ print $14 + $15 }' /proc/$pid/stat; }
sleep 2
echo "RSS idle: $(rss)"
t0=$(ticks); sleep 20; t1=$(ticks)
hz=$(getconf CLK_TCK)
echo "CPU idle over 20 s: $(echo "scale=3; ($t1 - $t0) * 100 / $hz / 20" | bc) % of a core"
for _ in $(seq 20); do curl -s -H "$H" -o /dev/null "http://$port/api/v1/preview.png"; done
curl -s -H "$H" -o /dev/null "http://$port/api/v1/render.gif?seconds=10"
echo "RSS after rendering 20 previews and a 10 s GIF: $(rss)"
# The answer comes once the loop has sent and read back: its time is the
# time from the request to the board verified.
for i in 1 2 3 4 5; do
    curl -s -o "$work/answer" -w "notify to verified: %{time_total} s" -H "$H" \
        -d "{\"text\":\"Notice $i\",\"duration\":1}" "http://$port/api/v1/notify"
    grep -q '"onBoard":true' "$work/answer" && echo " (on the board)" || echo " (not yet on the board)"
    sleep 2
done
