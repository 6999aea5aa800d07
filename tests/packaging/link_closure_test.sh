#!/usr/bin/env bash
# link_closure_test.sh PROGRAM
#
# The program's whole library closure (ldd follows every dependency of every
# dependency) holds no toolkit, X11, EGL, GL, fontconfig, freetype, harfbuzz or
# ICU library: it must run where no desktop is installed.
set -uo pipefail
program=$1
closure=$(ldd "$program") || { echo "FAIL: ldd $program"; exit 1; }
found=$(grep -E 'libQt|libX11|libxcb|libEGL|libGL|libOpenGL|libfontconfig|libfreetype|libharfbuzz|libicu' <<<"$closure")
if [ -n "$found" ]; then
    echo "FAIL: $(basename "$program") needs desktop libraries:"
    echo "$found"
    exit 1
fi
# A closure that lost its real libraries would pass the check above too.
grep -q 'libc.so' <<<"$closure" || { echo "FAIL: ldd printed no closure: $closure"; exit 1; }
echo "$(basename "$program"): $(wc -l <<<"$closure") libraries, none of a desktop"
