#!/bin/sh
# Makes examples/welcome.qvndoc, the sample project that "make run" opens:
# a few pages on a board of one module row by six module columns (96 x 16
# LEDs), English content. Run from the repository root after a build:
#   examples/make-welcome.sh [path/to/lumivo-cli]
set -eu
cli=${1:-build/bin/lumivo-cli}
out=examples/welcome.qvndoc
[ -x "$cli" ] || { echo "make-welcome: $cli is not built" >&2; exit 1; }

"$cli" new "$out" --force --module-rows 1 --module-cols 6 --language E --content-rows 1 --content-cols 6
# Page 0: the greeting scrolls in (Flow 2), waits, and zooms out.
"$cli" add "$out" --type text --text "Welcome to Lumivo" --color 1 --start 60 --wait 92 --end 78
# Page 1: an automatic start effect, in another colour.
"$cli" add "$out" --type text --text "Colour LED signs" --color 2 --start 32768 --fit
# Page 2: two lines of the small font.
"$cli" add "$out" --type eng2line --text "Edit, preview" --text2 "and send your Ads" --color 3
# Page 3: the time, then page 4: the date.
"$cli" add "$out" --type time --format 2 --color 5 --fit
"$cli" add "$out" --type date --format 0 --color 4 --fit
# Page 5: the temperature in Celsius.
"$cli" add "$out" --type temperature --format 0 --color 6
"$cli" info "$out"
