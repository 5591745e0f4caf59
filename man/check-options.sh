#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Fails when a program's --help and its manual page name different options.
#   check-options.sh PAGE.scd PROGRAM           the whole page against --help
#   check-options.sh PAGE.scd PROGRAM --verbs   per verb: "PROGRAM --help" lists
#     the verbs; each verb's "--help" options must be the options its page
#     section "## VERB" names, and every such section must be a verb.
# --help itself and the examples (``` blocks, which may run other programs)
# are left out of the comparison.
set -uo pipefail
page=$1 program=$2 mode=${3:-}
name=$(basename "$page" .1.scd)
failed=0

# The --name words of standard input, one a line, sorted, without --help.
options() { grep -oE -- '--[a-z][a-z0-9-]*' | grep -vx -- '--help' | sort -u; }

# Lines only in the first list, then lines only in the second.
compare() { # what, help options, page options
  local only
  only=$(comm -23 <(printf '%s\n' "$2" | sed '/^$/d') <(printf '%s\n' "$3" | sed '/^$/d'))
  [ -z "$only" ] || { echo "$name: $1: in --help, not in the page: $(echo $only)"; failed=1; }
  only=$(comm -13 <(printf '%s\n' "$2" | sed '/^$/d') <(printf '%s\n' "$3" | sed '/^$/d'))
  [ -z "$only" ] || { echo "$name: $1: in the page, not in --help: $(echo $only)"; failed=1; }
}

help_of() { # words...
  local text
  if ! text=$("$program" "$@" --help 2>&1); then
    echo "$name: '$(basename "$program") $* --help' failed: $text"
    failed=1
  fi
  printf '%s\n' "$text"
}

# The page without its examples.
prose() { awk '/^```/ { example = !example; next } !example' "$page"; }

# The prose of section "## VERB", up to the next heading.
section_of() {
  prose | awk -v want="## $1" '/^#/ { inside = ($0 == want); next } inside'
}

if [ "$mode" != "--verbs" ]; then
  compare "options" "$(help_of | options)" "$(prose | options)"
  [ $failed -eq 0 ] && echo "$name: --help and the page name the same options"
  exit $failed
fi

# Verbs: the lines of the usage's verb list, "  name  summary".
verbs=$(help_of | awk '/^Verbs:/ { on = 1; next } on && /^  [a-z]/ { sub(/^  /, ""); sub(/  .*/, ""); print } on && /^$/ { on = 0 }')
[ -n "$verbs" ] || { echo "$name: --help lists no verbs"; exit 1; }
sections=$(prose | grep -E '^## ' | sed 's/^## //')
compare "verbs" "$(sort <<<"$verbs")" "$(sort <<<"$sections")"
while IFS= read -r verb; do
  # Only the "Options:" lines of the verb's help: its text may mention others.
  help=$(help_of $verb | awk '/^Options:/ { on = 1; next } on' | grep -E '^  --' | options)
  compare "verb \"$verb\"" "$help" "$(section_of "$verb" | options)"
done <<<"$verbs"
[ $failed -eq 0 ] && echo "$name: every verb's --help and its page section name the same options"
exit $failed
