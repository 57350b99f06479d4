#!/usr/bin/env bash
# Runs every benchmark of a build. The tables they need are made once in <build>/testdata and
# kept there (the ten-million-row file takes a while the first time). The window benchmarks run
# offscreen. The ODBC benchmark gets a throwaway PostgreSQL server in <build>/bench-pg, stopped
# again whatever happens, and makes its table there through libpq; without a server it is
# skipped and the others still count.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
export QUILLET_TEST_DATA="$build/testdata"
export QUILLET_REGISTRY="$build/test-stores/bench.db"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$QUILLET_TEST_DATA" "$build/test-stores"
status=0
for bench in "$build"/bench/bench_*; do
  [ -x "$bench" ] || continue
  [ "$(basename "$bench")" = bench_odbc_load ] && continue
  echo "== $(basename "$bench")"
  "$bench" || status=1
done

odbc_bench=$build/bench/bench_odbc_load
if [ -x "$odbc_bench" ]; then
  echo "== bench_odbc_load"
  pg_state=$build/bench-pg
  pg_log=$build/bench-pg.log
  stop_pg() { "$here/pg-test-server.sh" stop "$pg_state" >/dev/null 2>&1 || true; }
  trap stop_pg EXIT
  trap 'exit 130' INT TERM
  if "$here/pg-test-server.sh" start "$pg_state" >"$pg_log" 2>&1; then
    (
      set -a
      # shellcheck disable=SC1091
      . "$pg_state/odbc.env"
      set +a
      export QUILLET_ODBC_CONNECT="$ODBC_CONNECT"
      export QUILLET_PG_STATE="$pg_state"
      "$odbc_bench"
    ) || status=1
  else
    echo "skipped: the PostgreSQL test server did not start ($(tail -n 1 "$pg_log"); log: $pg_log)"
  fi
  stop_pg
  trap - EXIT INT TERM
fi
exit $status
