#!/usr/bin/env bash
# check_man_page.sh PAGE...
#
# Fails when groff warns about anything in a page: typeset (groff's default
# device) and as man shows it on a UTF-8 terminal. groff exits 0 after a
# warning, so what it says is what counts.
set -uo pipefail

status=0
for page in "$@"; do
    for device in "" "-Tutf8"; do
        # shellcheck disable=SC2086 # the device is one word or none
        said=$(groff -man $device -ww -z "$page" 2>&1) || said+=" (groff exit $?)"
        if [ -n "$said" ]; then
            echo "$(basename "$page") ${device:-(typeset)}:"
            echo "$said"
            status=1
        fi
    done
done
exit $status
