#!/usr/bin/env bash
# Runs every libFuzzer executable of a fuzz build for a given time each, on a
# working copy of its seed corpus kept in the build folder (the committed
# corpus stays as it is). Crashes, leaks, time-outs and out-of-memory inputs
# land in tests/fuzz/crashers/<name>/, which the replay tests pick up.
# Usage: tests/fuzz/run.sh <fuzz build folder> [seconds per target] [jobs]
# Exit status: 0 when nothing was found, 1 when some target found an input.
set -u

build=${1:?usage: run.sh <build-fuzz> [seconds] [jobs]}
seconds=${2:-60}
jobs=${3:-${FUZZ_JOBS:-3}}
here=$(cd "$(dirname "$0")" && pwd)
work="$build/corpus-work"

fuzzers=()
for exe in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  case "$(basename "$exe")" in fuzz_replay_*) continue ;; esac
  fuzzers+=("$exe")
done
if [ ${#fuzzers[@]} -eq 0 ]; then
  echo "run.sh: no fuzz targets in $build/tests/fuzz (build the zv_fuzzers target)" >&2
  exit 2
fi

run_one() {
  local exe=$1 name
  name=$(basename "$exe")
  name=${name#fuzz_}
  local corpus="$work/$name" crashers="$here/crashers/$name" log="$work/$name.log"
  mkdir -p "$corpus" "$crashers"
  [ -d "$here/corpus/$name" ] && cp -n "$here/corpus/$name"/* "$corpus"/ 2>/dev/null
  local before
  before=$(ls -A "$crashers" | wc -l)
  # A finding ends the target's run; it is written under its kind (crash-,
  # leak-, timeout-, oom-) and its hash. The malloc limit sits just above the
  # largest frame the image object allows, so only allocations beyond every
  # cap count as findings.
  ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:allocator_may_return_null=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$exe" -max_total_time="$seconds" -timeout=20 -report_slow_units=1000 -rss_limit_mb=3072 -malloc_limit_mb=2300 \
      -max_len=65536 -print_final_stats=1 -artifact_prefix="$crashers/" \
      "$corpus" >"$log" 2>&1
  local status=$?
  local after
  after=$(ls -A "$crashers" | wc -l)
  if [ "$status" -ne 0 ] || [ "$after" -ne "$before" ]; then
    echo "fuzz $name: FOUND an input (status $status), see $log and $crashers"
    touch "$work/$name.found"
    return 1
  fi
  echo "fuzz $name: $(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$') runs, nothing found"
}

mkdir -p "$work"
rm -f "$work"/*.found
for exe in "${fuzzers[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_one "$exe" &
done
wait
if ls "$work"/*.found >/dev/null 2>&1; then exit 1; fi
exit 0
