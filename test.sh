#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
export QT_QPA_PLATFORM=offscreen
# The programs the tests start keep their history, marks and watch list in a
# place of the run's own: never the user's, whose state would change what
# they print.
data_home=$(mktemp -d)
trap 'rm -rf "$data_home"' EXIT
export XDG_DATA_HOME=$data_home
unset KESTROVA_HISTORY
ctest --test-dir build --output-on-failure -j2 --timeout 300
