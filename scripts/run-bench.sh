#!/usr/bin/env bash
# Runs every benchmark of a build. The tables they need are made once in <build>/testdata and
# kept there (the ten-million-row file takes a while the first time).
set -euo pipefail
build=${1:-build}
export QUILLET_TEST_DATA="$build/testdata"
export QUILLET_REGISTRY="$build/test-stores/bench.db"
mkdir -p "$QUILLET_TEST_DATA" "$build/test-stores"
status=0
for bench in "$build"/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" || status=1
done
exit $status
