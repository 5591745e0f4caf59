#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# lumivo-cli as whole processes on this machine (prints the numbers; asserts
# nothing). Each is the best of N runs, as other work on the machine only
# ever adds time:
#  - render of 10 s into a folder of PNG frames and into a GIF, for the 1 x 6
#    sample and a 20 x 4 page of four items: the real-time factor by CPU time
#    (user + system) and by wall time, and what a render of no time costs;
#  - send and fetch of 50 items against the simulated board at 115,200 baud:
#    the wall time over the line floor (every frame's bytes both ways, 10 bits
#    a byte) and the CPU time.
#   bench/cli_speed.sh [BUILD-DIR] [N]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cli=$build/bin/lumivo-cli
work=$(mktemp -d)
sim=
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

# Runs a command N times; sets cpu and wall to the least of each, in
# milliseconds' resolution (the shell's own timing: /usr/bin/time counts
# CPU in hundredths, too coarse for a render of 10 to 100 ms).
best() {
    cpu=999 wall=999
    local TIMEFORMAT='%3U %3S %3R'
    for _ in $(seq "$runs"); do
        rm -rf out.d out.gif out.png fetched.qvndoc
        { time "$@" >/dev/null 2>err.txt; } 2>t.txt || { cat err.txt >&2; return 1; }
        read -r u s e <t.txt
        cpu=$(echo "c = $u + $s; if (c < $cpu) c else $cpu" | bc)
        wall=$(echo "if ($e < $wall) $e else $wall" | bc)
    done
}

"$cli" new page4.qvndoc --module-rows 4 --module-cols 20 >/dev/null
add() { "$cli" add page4.qvndoc --type text --page 0 "$@" >/dev/null; }
add --text "Fresh bread every morning" --start 60 --wait 92 --end 78
add --text "Open 7 days a week 08:00-22:00" --start 1 --wait 92 --end 51
add --text "Coffee and cake 3.50" --start 70 --wait 61 --end 89
add --text "Welcome to our shop" --start 5 --wait 60 --end 97

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
factor() { echo "if ($1 > 0) 10 / $1 else 0" | bc -l; } # the real-time factor of 10 s taking $1 s
render() { # label project output options...
    local label=$1 project=$2 out=$3
    shift 3
    best "$cli" render "$project" --out "$out" --seconds 10 --time 12:00 "$@"
    printf "render %-38s CPU %6.3f s %6.1fx   wall %6.3f s %6.1fx\n" "$label" "$cpu" \
        "$(factor "$cpu")" "$wall" "$(factor "$wall")"
}
sample=$source_dir/examples/welcome.qvndoc
# What every render pays before its first frame (loading the program and the
# content library): the floor under the factors below.
best "$cli" render page4.qvndoc --out out.png --seconds 0.01 --time 12:00
printf "render %-38s CPU %6.3f s           wall %6.3f s\n" "start only (0.01 s, 20x4)" "$cpu" "$wall"
render "1x6 sample, PNG frames, zoom 4" "$sample" out.d/ --zoom 4
render "1x6 sample, GIF, zoom 4" "$sample" out.gif --zoom 4
render "1x6 sample, PNG frames, --dots --zoom 8" "$sample" out.d/ --dots --zoom 8
render "1x6 sample, GIF, --dots --zoom 8" "$sample" out.gif --dots --zoom 8
render "20x4 page of four, PNG frames, zoom 4" page4.qvndoc out.d/ --zoom 4
render "20x4 page of four, GIF, zoom 4" page4.qvndoc out.gif --zoom 4

# 50 items of 60 scattered characters on 13 pages of a 20 x 4 board.
"$cli" new fifty.qvndoc --module-rows 4 --module-cols 20 >/dev/null
awk 'BEGIN { seed = 12345; for (i = 0; i < 50; i++) { t = "A"
    for (j = 1; j < 60; j++) { seed = (seed * 1103515245 + 12345) % 2147483648; t = t sprintf("%c", 33 + int(seed / 65536) % 94) }
    print t } }' >texts.txt
i=0
while IFS= read -r text; do
    "$cli" add fifty.qvndoc --type text --page $((i / 4)) --color $((i % 7)) --text "$text" >/dev/null
    i=$((i + 1))
done <texts.txt

mkfifo device
"$build/bin/lumivo-boardsim" --baud 115200 --read-baud 115200 --language E --module-rows 4 \
    --module-cols 20 --content-rows 2 --state "$work" >device 2>sim.log &
sim=$!
read -r dev <device
floor() { # the frames logged since line $1
    tail -n +"$(($1 + 1))" sim.log | awk '/(rx|tx) cmd=/ { for (i = 1; i <= NF; i++) if ($i ~ /^len=/) {
        sub("len=", "", $i); b += $i + 7 } } END { printf "%.3f", b * 10 / 115200 }'
}
for verb in send fetch; do
    mark=$(wc -l <sim.log)
    if [ $verb = send ]; then best "$cli" send fifty.qvndoc --device "$dev"; else best "$cli" fetch fetched.qvndoc --device "$dev"; fi
    sleep 0.2
    line=$(echo "$(floor "$mark") / $runs" | bc -l)
    printf "%-6s 50 items: floor %5.3f s  wall %5.3f s = %5.3fx the floor  CPU %6.3f s\n" $verb "$line" "$wall" \
        "$(echo "$wall / $line" | bc -l)" "$cpu"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
