#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/), runs them all and prints one
# table: each measurement, its budget where it has one, and whether it is
# within it. docs/benchmarks.md says what each row means.
#   BENCH_RUNS=N         measured runs of each whole lookup and start-up (default 5)
#   BENCH_BATCH_RUNS=N   measured runs of each batch of 100 members (default 1;
#                        one at --jobs 1 takes about 40 s)
set -euo pipefail
cd "$(dirname "$0")"

build=build-bench
bin=$build/bin
runs=${BENCH_RUNS:-5}

scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
echo "Building the programs and benchmarks in $build (Release) ..." >&2
if ! cmake --build "$build" -j2 --target kestrova kestrova-cli kestrova-bench-lookup \
    kestrova-bench-startup kestrova-bench-micro kestrova-bench-batch kestrova-marketplace >"$build/bench-build.log" 2>&1; then
  tail -n 40 "$build/bench-build.log" >&2
  exit 1
fi

out=$(mktemp -d)
# A PostgreSQL server of the run's own on loopback, for the history's rows on
# a server: made by initdb as the unprivileged user the package makes,
# stopped and removed at the end.
pg_bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
pg_dir=$(mktemp -d /tmp/kestrova-bench-pg-XXXXXX)
stop_pg() {
  runuser -u postgres -- "$pg_bin/pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$pg_dir"
}
trap 'stop_pg; rm -rf "$out"' EXIT
chown postgres "$pg_dir"
runuser -u postgres -- "$pg_bin/initdb" -D "$pg_dir/data" -U kestrova -A trust -E UTF8 \
  --locale=C.UTF-8 >/dev/null
pg_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
runuser -u postgres -- "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/log" -w \
  -o "-p $pg_port -k $pg_dir -c listen_addresses=127.0.0.1" start >/dev/null
export KESTROVA_BENCH_POSTGRES="postgresql://kestrova@127.0.0.1:$pg_port/postgres"
# Lookups are saved as they would be, but in a history of the run's own.
export KESTROVA_HISTORY="$out/history.sqlite3"

echo "Micro benchmarks ..." >&2
"$bin/kestrova-bench-micro" --benchmark_format=csv --benchmark_min_time=0.2 \
  >"$out/micro.csv" 2>"$out/micro.err" || { cat "$out/micro.err" >&2; exit 1; }
echo "Whole lookups at 0 and 20 ms latency, $runs runs of each kind ..." >&2
"$bin/kestrova-bench-lookup" --cli "$bin/kestrova-cli" --runs "$runs" --latency-ms 0 20 \
  >"$out/lookup.txt" 2>"$out/lookup.err" || { cat "$out/lookup.err" >&2; exit 1; }
echo "Batches of 100 members at 20 ms latency, --jobs 1 and 8 ..." >&2
"$bin/kestrova-bench-batch" --cli "$bin/kestrova-cli" --members 100 --latency-ms 20 --jobs 1 8 \
  --runs "${BENCH_BATCH_RUNS:-1}" >"$out/batch.txt" 2>"$out/batch.err" || { cat "$out/batch.err" >&2; exit 1; }
echo "A batch of 100 against a marketplace refusing past 300 requests a minute, --pace 50 ..." >&2
"$bin/kestrova-bench-batch" --cli "$bin/kestrova-cli" --members 100 --latency-ms 20 \
  --refuse-after 300 --pace 50 >"$out/refusals.txt" 2>"$out/refusals.err" || { cat "$out/refusals.err" >&2; exit 1; }
echo "Start-up of the window, the command line and curl, $runs runs each ..." >&2
"$bin/kestrova-bench-startup" --window "$bin/kestrova" --cli "$bin/kestrova-cli" \
  --curl "$(command -v curl)" --marketplace "$bin/kestrova-marketplace" --runs "$runs" \
  >"$out/startup.txt" 2>"$out/startup.err" || { cat "$out/startup.err" >&2; exit 1; }

# Field f of the lookup line of kind k at latency l:
# kind latency requests wall-median wall-min ratio cpu-median peak-KB
lookup() { awk -v k="$1" -v l="$2" -v f="$3" '$1 == k && $2 == l { print $f }' "$out/lookup.txt"; }
# Field f of the batch line for j jobs:
# batch jobs members requests wall-ms members/s cpu-ms cpu-ms-per-member peak-KB
batch() { awk -v j="$1" -v f="$2" '$1 == "batch" && $2 == j { print $f }' "$out/batch.txt"; }
# Field f of the start-up line of kind k.
startup() { awk -v k="$1" -v f="$2" '$1 == k { print $f }' "$out/startup.txt"; }
# CPU time per iteration in the unit given (ns, us), or bytes per second in
# GB/s or MB/s, of one micro benchmark.
micro() {
  awk -F, -v name="\"$1\"" -v what="$2" '
    $1 == name {
      if ($9 == "true") { print "error"; exit }
      scale = $5 == "ns" ? 1 : $5 == "us" ? 1e3 : $5 == "ms" ? 1e6 : 1e9
      ns = $4 * scale
      if (what == "ns") printf "%.0f", ns
      else if (what == "us") printf "%.1f", ns / 1e3
      else if (what == "GB/s") printf "%.2f", $6 / 1e9
      else if (what == "MB/s") printf "%.0f", $6 / 1e6
    }' "$out/micro.csv"
}
# Wall time per iteration in us, or its label (round_trips: the round trips
# per iteration), of one micro benchmark.
micro_wall() {
  awk -F, -v name="\"$1\"" -v what="$2" '
    $1 == name || $1 == "\"" substr(name, 2, length(name) - 2) "/real_time\"" {
      if ($9 == "true") { print "error"; exit }
      scale = $5 == "ns" ? 1e-3 : $5 == "us" ? 1 : $5 == "ms" ? 1e3 : 1e6
      if (what == "us") printf "%.1f", $3 * scale
      else { gsub(/"/, "", $8); printf "%s", $8 }
    }' "$out/micro.csv"
}
calc() { awk "BEGIN { printf \"$1\", $2 }"; }
# yes when value op limit holds (op: le, lt, ge).
within() { awk -v v="$1" -v op="$2" -v l="$3" 'BEGIN {
  ok = op == "le" ? v <= l : op == "lt" ? v < l : v >= l; print ok ? "yes" : "no" }'; }

rows=$out/rows
: >"$rows"
row() { printf '%s|%s|%s|%s\n' "$1" "$2" "${3:--}" "${4:--}" >>"$rows"; }

requests=$(lookup cli 20 3)
window_ms=$(startup window 2)
findtext=$(micro BM_FindText_Absent GB/s)
memmem=$(micro BM_Memmem_Absent GB/s)
findtext_share=$(calc "%.2f" "$findtext / $memmem")
# Measured by the small start-up driver: the lookup driver is larger than the
# CLI, and the kernel counts a spawner's peak into its child's.
cli_peak_mb=$(calc "%.1f" "$(startup lookup 4) / 1024")

# The overhead and CPU budgets, for each way a lookup runs.
for kind in cli window query; do
  case $kind in
    cli) what="kestrova-cli lookup, a process of its own" ;;
    window) what="query in the running window, offscreen" ;;
    query) what="query in a running program, headless" ;;
  esac
  ratio=$(lookup "$kind" 20 6)
  row "Overhead ratio at 20 ms: $what" "$(calc "%.3f" "$ratio")" "<= 1.03" \
    "$(within "$ratio" le 1.03)"
done
# The fast mode's wall against the sequential one's, same member, same latency.
for kind in cli window query; do
  fast_share=$(calc "%.3f" "$(lookup "$kind-fast" 20 4) / $(lookup "$kind" 20 4)")
  row "Fast lookup at 20 ms, wall / sequential wall: $kind" "$fast_share" "<= 0.3" \
    "$(within "$fast_share" le 0.3)"
done
# What the window adds over the same lookup on a headless window.
for mode in sequential fast; do
  suffix=""
  [ "$mode" = fast ] && suffix=-fast
  share=$(calc "%.3f" "$(lookup "window$suffix" 20 4) / $(lookup "query$suffix" 20 4)")
  row "Window over headless at 20 ms, wall ratio: $mode" "$share" "<= 1.03" \
    "$(within "$share" le 1.03)"
done
for kind in cli window query; do
  case $kind in
    cli) what="kestrova-cli lookup, user+sys of the process" ;;
    window) what="query in the running window, the program's threads" ;;
    query) what="query in a running program, headless, the program's threads" ;;
  esac
  cpu=$(lookup "$kind" 20 7)
  row "CPU per lookup at 20 ms (ms): $what" "$(calc "%.1f" "$cpu")" "<= 10" \
    "$(within "$cpu" le 10)"
  fast_cpu=$(lookup "$kind-fast" 20 7)
  row "CPU per lookup at 20 ms (ms), fast: $what" "$(calc "%.1f" "$fast_cpu")" \
    "<= $(calc "%.1f" "$cpu")" "$(within "$fast_cpu" le "$cpu")"
done
row "FindText throughput / memmem, 100 KB GBK page" \
  "$findtext_share" ">= 0.5" "$(within "$findtext_share" ge 0.5)"
row "Window start-up: process start to first paint, offscreen (ms)" \
  "$(calc "%.1f" "$window_ms")" "< 150" "$(within "$window_ms" lt 150)"
row "Peak memory of a kestrova-cli lookup (MB)" \
  "$cli_peak_mb" "<= 20" "$(within "$cli_peak_mb" le 20)"
# The command line without a toolkit: its start against curl's, a whole
# lookup's CPU, and the fast lookup's wall against the same query in a
# program already running.
start_share=$(calc "%.2f" "$(startup cli 3) / $(startup curl 3)")
row "kestrova-cli --version CPU / curl --version CPU" "$start_share" "<= 1.5" \
  "$(within "$start_share" le 1.5)"
cli_cpu0=$(lookup cli 0 7)
row "CPU of a full seller lookup from the command line at 0 ms (ms)" \
  "$(calc "%.1f" "$cli_cpu0")" "<= 12" "$(within "$cli_cpu0" le 12)"
# Four of a lookup's largest answers classified; x4 is a bound for all of
# its some 15 answers, set against the CPU of the whole lookup.
classify_us=$(micro BM_ClassifyAnswer_LookupPages us)
row "Classifying a lookup's answers (us, bound) / share of the lookup's CPU" \
  "$(calc "%.1f" "$classify_us * 4") / $(calc "%.4f" "$classify_us * 4 / 1000 / $cli_cpu0")" \
  "<= 0.01" "$(within "$(calc "%.4f" "$classify_us * 4 / 1000 / $cli_cpu0")" le 0.01)"
fast_cli_share=$(calc "%.3f" "$(lookup cli-fast 20 4) / $(lookup query-fast 20 4)")
row "Fast lookup at 20 ms: kestrova-cli wall / query wall in a running program" \
  "$fast_cli_share" "<= 1.1" "$(within "$fast_cli_share" le 1.1)"

batch_speedup=$(calc "%.2f" "$(batch 8 6) / $(batch 1 6)")
row "Batch of 100 at 20 ms: members/s with --jobs 8 over --jobs 1" "$batch_speedup" ">= 6" \
  "$(within "$batch_speedup" ge 6)"
for jobs in 8 1; do
  cpu=$(batch "$jobs" 8)
  row "Batch of 100 at 20 ms, --jobs $jobs: CPU per member (ms), process start shared" \
    "$(calc "%.2f" "$cpu")" "<= 5" "$(within "$cpu" le 5)"
done
batch_peak_mb=$(calc "%.1f" "$(awk '$1 == "batch" && $9 > m { m = $9 } END { print m }' "$out/batch.txt") / 1024")
row "Peak memory of a batch of 100, --jobs 1 and 8 (MB)" "$batch_peak_mb" "<= 60" \
  "$(within "$batch_peak_mb" le 60)"

# refusals members refuse-after pace wall-ms requests refused members-re-run
#          lookups-re-run not-checked exit
refusals() { awk -v f="$1" '$1 == "refusals" { print $f }' "$out/refusals.txt"; }
row "Batch of 100, --refuse-after 300 --pace 50: wall (s) / requests / refused / members re-run (lookups) / not checked / exit" \
  "$(calc "%.1f" "$(refusals 5) / 1000") / $(refusals 6) / $(refusals 7) / $(refusals 8) ($(refusals 9)) / $(refusals 10) / $(refusals 11)"

row "Requests per lookup of the full seller" "$requests"
row "Round trips alone at 20 ms (bare replay), wall / (requests x 20 ms)" \
  "$(calc "%.3f" "$(lookup bare 20 6)")"
row "Wall at 20 ms (ms): cli / window / query / bare" \
  "$(lookup cli 20 4) / $(lookup window 20 4) / $(lookup query 20 4) / $(lookup bare 20 4)"
row "Wall at 20 ms (ms), fast: cli / window / query" \
  "$(lookup cli-fast 20 4) / $(lookup window-fast 20 4) / $(lookup query-fast 20 4)"
row "Wall at 0 ms (ms): cli / window / query / bare" \
  "$(lookup cli 0 4) / $(lookup window 0 4) / $(lookup query 0 4) / $(lookup bare 0 4)"
row "Wall at 0 ms (ms), fast: cli / window / query" \
  "$(lookup cli-fast 0 4) / $(lookup window-fast 0 4) / $(lookup query-fast 0 4)"
row "Wall over the bare round trips at 20 ms (ms): cli / window / query" \
  "$(calc "%.1f" "$(lookup cli 20 4) - $(lookup bare 20 4)") / $(calc "%.1f" "$(lookup window 20 4) - $(lookup bare 20 4)") / $(calc "%.1f" "$(lookup query 20 4) - $(lookup bare 20 4)")"
row "CPU at 0 ms (ms): cli / window / query" \
  "$(lookup cli 0 7) / $(lookup window 0 7) / $(lookup query 0 7)"
row "CPU at 0 ms (ms), fast: cli / window / query" \
  "$(lookup cli-fast 0 7) / $(lookup window-fast 0 7) / $(lookup query-fast 0 7)"
row "Batch of 100 at 20 ms: requests / wall (s) / members per second, --jobs 1" \
  "$(batch 1 4) / $(calc "%.1f" "$(batch 1 5) / 1000") / $(batch 1 6)"
row "Batch of 100 at 20 ms: requests / wall (s) / members per second, --jobs 8" \
  "$(batch 8 4) / $(calc "%.1f" "$(batch 8 5) / 1000") / $(batch 8 6)"
row "kestrova-cli start-up and exit alone (--version): wall / CPU (ms)" \
  "$(startup cli 2) / $(startup cli 3)"
row "curl start-up and exit alone (--version): wall / CPU (ms)" \
  "$(startup curl 2) / $(startup curl 3)"
row "Window start-up from main to first paint (ms)" "$(startup window 3)"
row "Window start-up peak memory (MB)" "$(calc "%.1f" "$(startup window 4) / 1024")"

row "FindText, marker absent (GB/s)" "$findtext"
row "memmem, marker absent (GB/s)" "$memmem"
row "string_view::find, marker absent (GB/s)" "$(micro BM_StringViewFind_Absent GB/s)"
row "FindText / memmem / string_view::find, marker near the end (GB/s)" \
  "$(micro BM_FindText_Late GB/s) / $(micro BM_Memmem_Late GB/s) / $(micro BM_StringViewFind_Late GB/s)"
row "MarkerCut, seller credit, 9999-byte window (us)" "$(micro BM_MarkerCut_SellerCredit us)"
row "string_view cut, the same, no copies (us)" "$(micro BM_StringViewCut_SellerCredit us)"
row "MarkerCut, deposit, 99-byte window (us)" "$(micro BM_MarkerCut_Deposit us)"
row "ReplaceSubText, a rating comment (ns)" "$(micro BM_ReplaceSubText_Comment ns)"
row "ReplaceSubText, every &nbsp; of the page (GB/s)" "$(micro BM_ReplaceSubText_Page GB/s)"
row "SplitText, 40-entry summary page (us)" "$(micro BM_SplitText_40Entries us)"
row "GBK to UTF-8 of the page, as each regex run does (MB/s)" \
  "$(micro BM_GbkToUtf8Lossless_Page MB/s)"
for pattern in Region MemberId Certification ShopStart GoodRate BuyerCredit CountTable \
  OpenedDate RatingPageAddress PageCount EntryCount; do
  row "Regex helper, $pattern pattern (us)" "$(micro "RunPattern/$pattern" us)"
done
row "LookUpRegionName: first row / last row / unknown (us)" \
  "$(micro BM_LookUpRegionName_First us) / $(micro BM_LookUpRegionName_Last us) / $(micro BM_LookUpRegionName_Unknown us)"
row "UrlEncode, the account name (ns)" "$(micro BM_UrlEncode_Account ns)"
row "DecodeEscapes: region name / rating comment (ns)" \
  "$(micro BM_DecodeEscapes_RegionName ns) / $(micro BM_DecodeEscapes_Comment ns)"
row "ReencodeAsJpeg, 160 x 160 picture (us)" "$(micro BM_ReencodeAsJpeg_160x160 us)"
row "History: saving / reading back a lookup of the full seller (us)" \
  "$(micro BM_SaveLookup_FullSeller us) / $(micro BM_LoadLookup_FullSeller us)"
pg_save=$(micro_wall BM_SaveLookup_FullSeller_Postgres us)
pg_show=$(micro_wall BM_ShowLookup_FullSeller_Postgres us)
row "History on PostgreSQL over loopback: saving a lookup of the full seller (ms)" \
  "$(calc "%.2f" "$pg_save / 1000")" "<= 3" "$(within "$pg_save" le 3000)"
rt_save=$(micro_wall BM_SaveLookup_FullSeller_Postgres round_trips)
rt_show=$(micro_wall BM_ShowLookup_FullSeller_Postgres round_trips)
row "History on PostgreSQL: round trips to save it / to show it" "$rt_save / $rt_show" \
  "<= 2 / <= 2" "$(within "$(calc "%g" "($rt_save > $rt_show) ? $rt_save : $rt_show")" le 2)"
row "History on PostgreSQL: showing it, wall (ms)" "$(calc "%.2f" "$pg_show / 1000")"
# Every lookup of the runs above went into the run's own history: the file's
# size over the lookups it holds (the sample roster over and over).
saved=$("$bin/kestrova-cli" history --limit 0 --json | grep -c '"id":' || true)
if [ "$saved" -gt 0 ]; then
  row "History: bytes per saved lookup, file over lookups ($saved lookups of the roster)" \
    "$(( $(stat -c %s "$KESTROVA_HISTORY") / saved ))"
fi

awk -F'|' '
  { for (i = 1; i <= 4; ++i) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } }
  END {
    split("metric|value|budget|within budget", head, "|")
    for (i = 1; i <= 4; ++i) if (length(head[i]) > w[i]) w[i] = length(head[i])
    line = "|"; for (i = 1; i <= 4; ++i) line = line sprintf(" %-" w[i] "s |", head[i]); print line
    line = "|"; for (i = 1; i <= 4; ++i) { d = ""; while (length(d) < w[i]) d = d "-"; line = line " " d " |" }
    print line
    for (r = 1; r <= NR; ++r) {
      line = "|"; for (i = 1; i <= 4; ++i) line = line sprintf(" %-" w[i] "s |", cell[r, i]); print line
    }
  }' "$rows"

met=$(grep -c '|yes$' "$rows" || true)
budgets=$(grep -cE '\|(yes|no)$' "$rows" || true)
echo
echo "$met of $budgets budgets met on $(nproc) cores ($(uname -m)); load average $(cut -d' ' -f1-3 /proc/loadavg)."
