# SPDX-License-Identifier: GPL-2.0-or-later
# Bash completion for lumivo-cli. The verbs, their options and the choices
# of an option's value are read from the program's own --help texts, so the
# completion follows the program it completes.

# The verbs, one a line ("info", "blob pack").
_lumivo_cli_verbs()
{
    "$1" --help 2>/dev/null | awk '/^Verbs:/ { on = 1; next }
        on && /^  [a-z]/ { sub(/^  /, ""); sub(/  .*/, ""); print }
        on && /^$/ { on = 0 }'
}

# The "  --name VALUE  help" lines of a verb's option list.
_lumivo_cli_option_lines()
{
    local prog=$1
    shift
    "$prog" "$@" --help 2>/dev/null | awk '/^Options:/ { on = 1; next } on && /^  --/'
}

_lumivo_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local prog=${COMP_WORDS[0]} verbs verb="" first=2 i
    COMPREPLY=()
    verbs=$(_lumivo_cli_verbs "$prog")

    # The verb: one word, or a group word and a second word.
    if [ "$COMP_CWORD" -ge 2 ]; then
        if grep -qx -- "${COMP_WORDS[1]}" <<<"$verbs"; then
            verb=${COMP_WORDS[1]}
        elif [ "$COMP_CWORD" -ge 3 ] && grep -qx -- "${COMP_WORDS[1]} ${COMP_WORDS[2]}" <<<"$verbs"; then
            verb="${COMP_WORDS[1]} ${COMP_WORDS[2]}"
            first=3
        fi
    fi
    if [ "$COMP_CWORD" -eq 1 ]; then
        COMPREPLY=($(compgen -W "$(cut -d' ' -f1 <<<"$verbs" | sort -u) --help" -- "$cur"))
        return
    fi
    if [ -z "$verb" ]; then
        # The second word of a two-word verb.
        [ "$COMP_CWORD" -eq 2 ] &&
            COMPREPLY=($(compgen -W "$(awk -v g="${COMP_WORDS[1]}" '$1 == g && NF > 1 { print $2 }' <<<"$verbs")" -- "$cur"))
        return
    fi

    local lines value=""
    lines=$(_lumivo_cli_option_lines "$prog" $verb)
    # The value of the option before the cursor, when it takes one: a name
    # in capitals (N, FILE, HH:MM[:SS]) or choices (A|E, yes|no); the help
    # text itself is in small letters.
    if [[ "$prev" == --* ]] && [ "$COMP_CWORD" -gt "$first" ]; then
        value=$(awk -v o="$prev" '$1 == o && ($2 ~ /[|]/ || $2 !~ /[a-z]/) { print $2 }' <<<"$lines")
    fi
    if [ -n "$value" ]; then
        case "$value" in
        *'|'*) COMPREPLY=($(compgen -W "${value//|/ }" -- "$cur")) ;;
        KIND) COMPREPLY=($(compgen -W "$("$prog" $verb --help 2>/dev/null |
                  sed -n 's/^KIND: \(.*\)\.$/\1/p' | tr -d ,)" -- "$cur")) ;;
        DEV) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")) ;;
        FILE | OUT | DIR) COMPREPLY=($(compgen -f -- "$cur")) ;;
        esac
        return
    fi
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "$(awk '{ print $1 }' <<<"$lines") --help" -- "$cur"))
        return
    fi
    # Operands: projects and other files.
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -o filenames -F _lumivo_cli lumivo-cli
