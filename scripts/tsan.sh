#!/usr/bin/env bash
# Builds the tests that run many lookups on several threads at once with
# ThreadSanitizer in build-tsan and runs them: the batch runner in this process
# (against a loopback marketplace, with up to sixteen jobs, in both lookup
# modes), kestrova-cli as a user runs it, itself built with the sanitizer, and
# the transfer engine with the fast and cancelled lookups that drive it from
# several threads.
# A report ends the process that made it (exit 66), which fails its test. The
# one suppression (scripts/tsan.supp) is for calls made from inside the
# uninstrumented server library the sample marketplace runs on.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-tsan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build "$build" -j2 --target batch_tests cli_tests kestrova-cli hostile_tests

# The tests' programs keep their history in a place of the run's own, never
# the user's (whose state would change what they print).
data_home=$(mktemp -d)
trap 'rm -rf "$data_home"' EXIT
export XDG_DATA_HOME=$data_home
unset KESTROVA_HISTORY
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp:${TSAN_OPTIONS:-}"
"$build/bin/batch_tests"
"$build/bin/cli_tests"
"$build/bin/hostile_tests" \
  --gtest_filter='*FastBesideSequential*:*FastLookup.Keeps*:*CancelledLookup*:*ConnectionLimit*:*TransferEngineTest*'
