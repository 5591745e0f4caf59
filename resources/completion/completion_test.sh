#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Drives the lumivo-cli completion as bash would at the Tab key, against the
# built program: verbs, the second word of two-word verbs, each verb's own
# options, the choices of an option's value, and file names for operands.
set -uo pipefail
completion=$1 cli=$2
source "$completion"
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
touch shop.qvndoc notes.txt

# complete LINE: the words of LINE, the last one being completed.
complete_line() {
    read -r -a COMP_WORDS <<<"$1"
    [[ "$1" == *' ' ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$cli
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _lumivo_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect() { # line, expected words (sorted, space-separated)
    local got
    got=$(complete_line "$1")
    [ "$got" = "$2" ] || { echo "FAIL: '$1' completes to '$got', expected '$2'"; failed=1; }
}
contains() { # line, words that must be offered, words that must not
    local got w
    got=" $(complete_line "$1") "
    for w in $2; do [[ "$got" == *" $w "* ]] || { echo "FAIL: '$1' lacks $w: $got"; failed=1; }; done
    for w in ${3:-}; do [[ "$got" != *" $w "* ]] || { echo "FAIL: '$1' offers $w: $got"; failed=1; }; done
}

contains "lumivo-cli " "add blob images render settings --help" "pack send-images"
expect "lumivo-cli bl" "blob"
expect "lumivo-cli blob " "pack unpack"
expect "lumivo-cli images " "add remove send text"
expect "lumivo-cli images s" "send"
contains "lumivo-cli render shop.qvndoc --" "--out --fps --dots --time --help" "--type --device"
contains "lumivo-cli images send shop.qvndoc --" "--device --retries --trace" "--out"
expect "lumivo-cli new x.qvndoc --language " "A E"
expect "lumivo-cli connect --fetch-stored " "no yes"
expect "lumivo-cli add shop.qvndoc --type " "analog animation date eng2line image movie temperature text time"
expect "lumivo-cli add shop.qvndoc --type te" "temperature text"
expect "lumivo-cli info sh" "shop.qvndoc"
expect "lumivo-cli render shop.qvndoc --out n" "notes.txt"
# A value that is a number is not guessed at.
expect "lumivo-cli render shop.qvndoc --zoom " ""
[ $failed -eq 0 ] && echo "completion: ok"
exit $failed
