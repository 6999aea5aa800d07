#!/usr/bin/env bash
# completion_test.sh COMPLETION_FILE
#
# Loads the completion in a non-interactive bash, as bash-completion does on
# first use, and asks it to complete command lines: what it offers must be
# exactly the expected words (in any order).
set -uo pipefail

completion=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Files for --from and --history, one of them with a space in its name.
mkdir -p "$work/lists"
touch "$work/lists/buyers.txt" "$work/lists/old buyers.txt" "$work/lists/history.sqlite3"

# shellcheck source=/dev/null
source "$completion" || { echo "FAIL: $completion does not load"; exit 1; }
function=$(complete -p kestrova-cli 2>/dev/null | sed -E 's/.* -F ([^ ]+) .*/\1/')
[ -n "$function" ] || { echo "FAIL: no completion registered for kestrova-cli"; exit 1; }

# The words offered for a command line whose last word is being typed;
# the line is given as its words, as bash splits it (--opt=value is three).
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    "$function" kestrova-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

lookup_options="--allow-private-network --backoff --connect-to --demo --fast --from --help --history --jobs --json --no-history --pace --skip-fresh"
failures=0
total=0
# Each case: the words expected, separated by spaces ("+" stands for a space
# inside a word), then "#", then the line typed so far, its words separated
# by "|" (a trailing "|": the cursor after a space).
while IFS='#' read -r expected line; do
    [ -z "$line" ] && continue
    IFS='|' read -r -a words <<<"$line"
    [[ $line == *'|' ]] && words+=("")
    got=$(cd "$work" && offered "${words[@]}")
    want=$(tr ' ' '\n' <<<"$expected" | sed '/^$/d' | tr '+' ' ' | sort | paste -sd' ')
    total=$((total + 1))
    if [ "$got" != "$want" ]; then
        echo "FAIL: '${words[*]}' offers '$got', expected '$want'"
        failures=$((failures + 1))
    fi
done <<CASES
lookup#kestrova-cli|lo
lookup history show mark note marks watch recheck#kestrova-cli|
history#kestrova-cli|h
show#kestrova-cli|sh
#kestrova-cli|zz
--help --version#kestrova-cli|-
--version#kestrova-cli|--v
$lookup_options#kestrova-cli|lookup|-
$lookup_options#kestrova-cli|lookup|青禾手作坊|--
#kestrova-cli|lookup|
--json#kestrova-cli|lookup|x|--js
--allow-private-network --backoff --fast --from --help --history --jobs --json --no-history --pace --skip-fresh#kestrova-cli|lookup|x|--demo|--
--allow-private-network --backoff --fast --from --help --history --jobs --json --no-history --pace --skip-fresh#kestrova-cli|lookup|x|--connect-to|127.0.0.1:8080|--
--allow-private-network --backoff --connect-to --demo --fast --from --help --jobs --json --pace#kestrova-cli|lookup|x|--no-history|--
--allow-private-network --backoff --connect-to --demo --fast --from --help --jobs --json --pace --skip-fresh#kestrova-cli|lookup|x|--history|h.db|--
--allow-private-network --backoff --connect-to --demo --fast --from --help --history --jobs --json --pace#kestrova-cli|lookup|x|--skip-fresh|2d|--
--allow-private-network --backoff --connect-to --demo --fast --help --history --jobs --json --no-history --pace --skip-fresh#kestrova-cli|lookup|--from|l|--
--backoff --connect-to --demo --fast --from --help --history --jobs --json --no-history --pace --skip-fresh#kestrova-cli|lookup|x|--allow-private-network|--
1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16#kestrova-cli|lookup|x|--jobs|
1 10 11 12 13 14 15 16#kestrova-cli|lookup|x|--jobs|1
1 10 11 12 13 14 15 16#kestrova-cli|lookup|x|--jobs|=|1
#kestrova-cli|lookup|x|--connect-to|
lists#kestrova-cli|lookup|--from|li
lists/buyers.txt#kestrova-cli|lookup|--from|lists/b
lists/buyers.txt#kestrova-cli|lookup|--from|=|lists/b
lists/old+buyers.txt#kestrova-cli|lookup|--from|lists/o
-#kestrova-cli|lookup|--from|-
lists/history.sqlite3#kestrova-cli|lookup|x|--history|lists/h
--csv --diff --help --history --json --limit#kestrova-cli|history|--
--csv --diff --help --history --json#kestrova-cli|history|x|--limit|5|--
#kestrova-cli|history|--limit|
lists/history.sqlite3#kestrova-cli|history|--history|lists/h
--help --history --id --json#kestrova-cli|show|x|--
--help --history --json#kestrova-cli|show|x|--id|3|--
#kestrova-cli|show|x|--id|
#kestrova-cli|show|
mark marks#kestrova-cli|mar
--blacklist --clear --help --history --reason --trusted#kestrova-cli|mark|x|--
--help --history --reason#kestrova-cli|mark|x|--trusted|--
#kestrova-cli|mark|x|--reason|
--help --history#kestrova-cli|note|x|y|--
--csv --help --history --import --json#kestrova-cli|marks|--
--help --history#kestrova-cli|marks|--csv|--
lists/buyers.txt#kestrova-cli|marks|--import|lists/b
-#kestrova-cli|marks|--import|-
add list remove#kestrova-cli|watch|
remove#kestrova-cli|watch|r
--help#kestrova-cli|watch|--
--help --history --json#kestrova-cli|watch|list|--
--help --history#kestrova-cli|watch|add|x|--
#kestrova-cli|watch|add|
--allow-private-network --connect-to --demo --fast --help --history --jobs --json --notify#kestrova-cli|recheck|--
--allow-private-network --fast --help --history --jobs --json --notify#kestrova-cli|recheck|--demo|--
1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16#kestrova-cli|recheck|--jobs|
--help --history --limit#kestrova-cli|history|--csv|--
--diff --help --history --limit#kestrova-cli|history|x|--json|--
CASES

if [ $failures -gt 0 ]; then
    echo "$failures of $total completion cases failed"
    exit 1
fi
echo "completion: $total cases as expected"
