#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Makes the sample projects in examples/ with lumivo-cli. Run from the
# repository root after a build:
#   examples/make-welcome.sh [path/to/lumivo-cli]
# welcome.qvndoc ("make run" opens it): a board of one module row by six
#   module columns (96 x 16 LEDs), English content; a page for each effect
#   family, a picture, a movie, the analog clock, the time and the date.
# korean.qvndoc and chinese.qvndoc: the same board with Korean content, and
#   with English content (which carries the Chinese glyphs) showing Chinese.
# Every text line fits the 96 LEDs across: 8 per 16-dot character, 16 per
# Korean or Chinese one, 6 per character of the small two-line font.
set -eu
cli=${1:-build/bin/lumivo-cli}
[ -x "$cli" ] || { echo "make-welcome: $cli is not built" >&2; exit 1; }

out=examples/welcome.qvndoc
"$cli" new "$out" --force --module-rows 1 --module-cols 6 --language E --content-rows 1 --content-cols 6
# Page 0: the greeting flows in (Scroll), holds, and zooms out (Zoom).
"$cli" add "$out" --type text --text "Welcome!" --color 1 --start 60 --wait 92 --end 78
# Page 1: two lines of the small font, drawn in by an Animation, out by a View.
"$cli" add "$out" --type eng2line --text "Edit, preview" --text2 "and send Ads" --color 3 --start 1 --end 51
# Page 2: a Wave in, a waving wait, and out by a Color change.
"$cli" add "$out" --type text --text "LED signs" --color 2 --start 70 --wait 61 --end 89
# Page 3: turned in and out on a cylinder (Twist).
"$cli" add "$out" --type text --text "in colour" --color 4 --start 96 --end 95
# Page 4: a Color start and a View wait, then out without an effect (None).
"$cli" add "$out" --type text --text "for shops" --color 6 --start 90 --wait 52 --end 97
# Page 5: a picture of the library: the WELCOME banner.
"$cli" add "$out" --type image --index 3
# Page 6: a movie of the library: a rainbow running across.
"$cli" add "$out" --type movie --index 10
# Page 7: the analog clock; page 8: the time; page 9: the date.
"$cli" add "$out" --type analog
"$cli" add "$out" --type time --format 2 --color 5
"$cli" add "$out" --type date --format 0 --color 4
"$cli" info "$out"

# Three pages of greetings on a board of the given content language: flowing
# in and zooming out, waving, and turning on a cylinder.
greetings() {
    out=$1
    "$cli" new "$out" --force --module-rows 1 --module-cols 6 --language "$2" --content-rows 1 --content-cols 6
    "$cli" add "$out" --type text --text "$3" --color 1 --start 60 --end 78
    "$cli" add "$out" --type text --text "$4" --color 2 --start 70 --wait 61 --end 89
    "$cli" add "$out" --type text --text "$5" --color 3 --start 96 --end 95
    "$cli" info "$out"
}
greetings examples/korean.qvndoc A "환영합니다" "영업중" "감사합니다"
greetings examples/chinese.qvndoc E "欢迎光临" "营业中" "谢谢惠顾"
