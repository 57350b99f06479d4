#!/usr/bin/env bash
# Runs one fuzz target for a while: run-fuzz.sh <target> <seed folder> <work folder> <seconds>.
# QUILLET_FUZZ_SECONDS, when set, overrides the time. Inputs the fuzzer finds go to the work
# folder's corpus (kept between runs); the seeds are only read. A crash, a hang or a sanitizer
# report fails the run and names the saved reproducer.
set -uo pipefail

target=$1
seeds=$2
work=$3
seconds=${QUILLET_FUZZ_SECONDS:-$4}
name=$(basename "$target")

mkdir -p "$work/corpus" "$work/crashes"
rm -f "$work/summary.txt"
log="$work/last-run.log"

"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/crashes/" "$work/corpus" "$seeds" >"$log" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
if [ $status -ne 0 ]; then
  tail -n 60 "$log"
  reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
  echo "$name: FAILED after ${runs:-?} runs; reproducer: ${reproducer:-none saved, see $log}" |
    tee "$work/summary.txt"
  echo "  rerun with: $target ${reproducer:-}"
  exit 1
fi
echo "$name: ${runs:-?} runs in ${seconds} s, 0 crashes" | tee "$work/summary.txt"
