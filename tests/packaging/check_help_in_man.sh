#!/usr/bin/env bash
# check_help_in_man.sh PROGRAM MAN_PAGE
#
# Fails when an option or a subcommand that PROGRAM's --help prints is not in
# its man page, so the page cannot fall behind the program, and when the page
# describes an option (an item of its own) that no --help of the program
# lists, so that it tells of nothing the program does not have. Subcommands are
# read from the "Subcommands:" list of the help, and their own --help is read
# too. The page's source is compared with roff escapes, fonts and quotes
# removed; a name must stand there as a word of its own.
set -uo pipefail

program=$1
page=$2

# The page's text without \-, font changes, \& and the like.
text=$(sed -e 's/\\-/-/g' -e 's/\\f\[[A-Za-z]*\]//g' -e 's/\\f[A-Za-z]//g' \
           -e 's/\\&//g' -e 's/\\(lq\|\\(rq//g' -e 's/"//g' "$page") || exit 2

# Option names in help text: a dash or two and a name, not inside a word or
# a path; -? is Qt's other name for -h. Usage lines are left out: they carry
# the program's own path.
options_in() {
    grep -v -i '^usage:' |
        grep -o -E '(^|[^A-Za-z0-9_/.-])--?([A-Za-z?][A-Za-z0-9-]*)' |
        sed -E 's/^[^-]*//' | sort -u
}

subcommands_in() {
    awk 'tolower($0) ~ /^subcommands:/ { inside = 1; next }
         inside && /^[[:space:]]*$/ { inside = 0 }
         inside && /^  [a-z]/ { print $1 }'
}

on_page() {
    local escaped
    escaped=$(printf '%s' "$1" | sed -e 's/[]?.*^$[]/\\&/g')
    grep -q -E "(^|[^A-Za-z0-9_-])${escaped}([^A-Za-z0-9_-]|$)" <<<"$text"
}

help=$("$program" --help 2>&1) || { echo "$program --help failed: $help"; exit 2; }
all_help=$help
missing=()
for option in $(options_in <<<"$help"); do
    on_page "$option" || missing+=("$option")
done
checked=$(options_in <<<"$help" | wc -l)
for subcommand in $(subcommands_in <<<"$help"); do
    on_page "$subcommand" || missing+=("$subcommand")
    sub_help=$("$program" "$subcommand" --help 2>&1) ||
        { echo "$program $subcommand --help failed: $sub_help"; exit 2; }
    all_help+=$'\n'$sub_help
    for option in $(options_in <<<"$sub_help"); do
        on_page "$option" || missing+=("$subcommand $option")
    done
    checked=$((checked + 1 + $(options_in <<<"$sub_help" | wc -l)))
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "$(basename "$page") lacks what $(basename "$program") --help lists:"
    printf '  %s\n' "${missing[@]}"
    exit 1
fi

# The options the page describes: the long option that opens an item (.TP).
described=$(awk 'previous == ".TP" && /^\.B[IR]? +\\-\\-/ { print } { previous = $0 }' "$page" |
    sed -E -e 's/^\.B[IR]? +//' -e 's/\\-/-/g' | grep -o -E '^--[a-z][a-z0-9-]*' | sort -u)
unknown=()
for option in $described; do
    escaped=$(printf '%s' "$option" | sed -e 's/[]?.*^$[]/\\&/g')
    grep -q -E "(^|[^A-Za-z0-9_-])${escaped}([^A-Za-z0-9_-]|$)" <<<"$all_help" ||
        unknown+=("$option")
done
if [ ${#unknown[@]} -gt 0 ]; then
    echo "$(basename "$page") describes what no $(basename "$program") --help lists:"
    printf '  %s\n' "${unknown[@]}"
    exit 1
fi
if [ "$checked" -eq 0 ]; then
    echo "$(basename "$program") --help listed no option at all"
    exit 1
fi
echo "$(basename "$page"): all $checked options and subcommands of $(basename "$program") --help are there"
