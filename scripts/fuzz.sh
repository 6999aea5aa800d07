#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz and runs each one for SECONDS_PER_TARGET seconds (default 30),
# starting from its seed corpus in tests/fuzz/corpus/<target>. Fails when any
# target finds a crash, a leak, a sanitizer report or a broken field rule; the
# input that did it lands in build-fuzz/fuzz-artifacts/<target>/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
build=build-fuzz

sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTROVA_FUZZ=ON -DKESTROVA_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do
    targets+=("$(basename "$dir")")
  done
fi
mkdir -p "$build"
if ! cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}" >"$build/build.log" 2>&1; then
  tail -40 "$build/build.log"
  exit 1
fi

# Qt's image plugins are loaded with dlopen and carry thread-local storage of
# their own; clang 14's leak check can crash walking such dynamic TLS blocks,
# so their interception is off (the static thread-local storage of the program
# and of the libraries loaded at start is still searched for pointers).
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0:allocator_may_return_null=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

failed=()
summary=()
for name in "${targets[@]}"; do
  work="$build/fuzz-work/$name"
  artifacts="$build/fuzz-artifacts/$name"
  log="$build/fuzz-logs/$name.log"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  echo "== fuzz_$name: ${seconds}s"
  set +e
  "$build/bin/fuzz_$name" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "tests/fuzz/corpus/$name" \
    >"$log" 2>&1
  status=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 || true)
  summary+=("$(printf '%-18s %8s execs  %s' "$name" "${execs:-?}" "${cov:-}")")
  if [ $status -ne 0 ]; then
    failed+=("$name")
    echo "!! fuzz_$name failed (exit $status); see $log and $artifacts/"
    grep -E 'ERROR|rule broken|runtime error|Test unit written' "$log" | head -5 || true
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "fuzzing: no faults in ${#targets[@]} targets"
