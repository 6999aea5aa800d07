#!/usr/bin/env bash
# check_desktop_entry.sh DESKTOP_FILE
#
# desktop-file-validate exits 0 after warnings and hints; any word from it
# fails the check.
set -uo pipefail

said=$(desktop-file-validate "$1" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$said" ]; then
    echo "$said"
    echo "FAIL: desktop-file-validate has something to say (exit $status)"
    exit 1
fi
for key in Name 'Name[zh_CN]' Comment 'Comment[zh_CN]' Exec Icon Terminal Categories Keywords; do
    awk -F= -v key="$key" '$1 == key { found = 1 } END { exit !found }' "$1" ||
        { echo "FAIL: $(basename "$1") has no $key"; exit 1; }
done
echo "$(basename "$1"): valid"
