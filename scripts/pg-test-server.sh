#!/usr/bin/env bash
# A throwaway PostgreSQL server for the integration tests.
#
#   pg-test-server.sh start <state-dir> [extra.sql]   create, start and fill a fresh server
#                                                    (then run extra.sql as the test user)
#   pg-test-server.sh stop  <state-dir>   stop the server started there (by its pid)
#   pg-test-server.sh kill  <state-dir>   stop it at once, as a crash would (immediate mode)
#   pg-test-server.sh restart <state-dir> start it again on its port, with its data
#
# The server listens on 127.0.0.1 at a free port with password authentication, keeps its data,
# socket and log under <state-dir>, and is run as the `postgres` user when we are root
# (PostgreSQL refuses to run as root). `start` writes:
#   <state-dir>/conn.txt   the ODBC connection string of the test database, one line
# It logs every statement (<state-dir>/server.log), so a test can count what ran, and runs no
# autovacuum, so the files of a database change only when something writes to it.
#   <state-dir>/odbc.env   KEY='VALUE' lines (shell-sourceable): PG_PORT, PG_USER, PG_PASSWORD,
#                          PG_DATABASE, ODBC_CONNECT and, when the drivers had to be
#                          registered privately, ODBCSYSINI
set -euo pipefail

usage() {
  echo "usage: $0 start|stop|kill|restart <state-dir> [extra.sql]" >&2
  exit 2
}

[ $# -eq 2 ] || [ $# -eq 3 ] || usage
action=$1
state=$2
extra_sql=${3:-}

fail() {
  echo "pg-test-server: $*" >&2
  exit 1
}

find_pg_bin() {
  local dir
  if command -v pg_config >/dev/null 2>&1; then
    dir=$(pg_config --bindir 2>/dev/null || true)
    if [ -n "$dir" ] && [ -x "$dir/pg_ctl" ]; then
      echo "$dir"
      return
    fi
  fi
  for dir in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    if [ -x "$dir/pg_ctl" ]; then
      echo "$dir"
      return
    fi
  done
  fail "no PostgreSQL server binaries found (install the postgresql package)"
}

# Runs a command as the server's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# Asks the kernel for a free port by binding to port 0, else probes random ports.
free_port() {
  if command -v python3 >/dev/null 2>&1; then
    python3 - <<'EOF' 2>/dev/null && return
import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()
EOF
  fi
  local port
  for _ in $(seq 1 50); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
  fail "no free port found"
}

server_pid() {
  local pidfile=$state/data/postmaster.pid
  [ -f "$pidfile" ] || return 1
  local pid
  pid=$(head -n 1 "$pidfile")
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  kill -0 "$pid" 2>/dev/null || return 1
  echo "$pid"
}

stop_server() {
  local pid
  if ! pid=$(server_pid); then
    return 0
  fi
  # SIGINT is PostgreSQL's fast shutdown: open sessions are ended, nothing is left running.
  kill -INT "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  # Immediate shutdown as the last resort, so a hung server never outlives the test run.
  kill -QUIT "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# Registers the drivers privately when the system's driver list lacks them; prints the folder
# to use as ODBCSYSINI, or nothing when the system's list will do.
private_odbcinst() {
  if command -v odbcinst >/dev/null 2>&1 &&
    odbcinst -q -d -n "PostgreSQL Unicode" >/dev/null 2>&1 &&
    odbcinst -q -d -n "SQLite3" >/dev/null 2>&1; then
    return 0
  fi
  local dir=$state/odbcinst
  local libdir
  libdir=$(dirname "$(ls /usr/lib/*/odbc/psqlodbcw.so 2>/dev/null | head -n 1)")
  [ -f "$libdir/psqlodbcw.so" ] || fail "the PostgreSQL ODBC driver is not installed (odbc-postgresql)"
  mkdir -p "$dir"
  {
    echo "[PostgreSQL Unicode]"
    echo "Driver=$libdir/psqlodbcw.so"
    echo
    echo "[SQLite3]"
    echo "Driver=$libdir/libsqlite3odbc.so"
  } >"$dir/odbcinst.ini"
  : >"$dir/odbc.ini"
  echo "$dir"
}

start_server() {
  local bin
  bin=$(find_pg_bin)
  mkdir -p "$state"
  state=$(cd "$state" && pwd)

  # A previous run may have left a server behind (an interrupted test run): end it first.
  stop_server
  rm -rf "$state/data" "$state/sock" "$state/conn.txt" "$state/odbc.env"

  local sock=$state/sock
  # Unix socket paths are limited to 107 bytes; a deep build tree falls back to /tmp.
  if [ ${#sock} -gt 90 ]; then
    sock=$(mktemp -d /tmp/quillet-pg.XXXXXX)
    echo "$sock" >"$state/sock.path"
  fi
  mkdir -p "$state/data" "$sock"
  chmod 700 "$state/data" "$sock"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$state" "$state/data" "$sock"
  fi

  local password
  password="q$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')"

  local log=$state/server.log
  : >"$log"
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$log"; fi

  # Local socket: trust (only the owner can reach the 0700 socket folder); TCP: passwords.
  if ! as_owner "$bin/initdb" -D "$state/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$state/initdb.log" 2>&1; then
    cat "$state/initdb.log" >&2
    fail "initdb failed"
  fi

  local port started=0
  for _ in 1 2 3 4 5; do
    port=$(free_port)
    echo "-p $port -k $sock -c listen_addresses=127.0.0.1 -c fsync=off -c autovacuum=off -c log_statement=all" >"$state/server.opts"
    if as_owner "$bin/pg_ctl" -D "$state/data" -l "$log" -w -t 60 start \
      -o "$(cat "$state/server.opts")" >/dev/null 2>&1; then
      started=1
      break
    fi
    # Most likely someone took the port between our probe and the server's bind: try again.
    stop_server
  done
  if [ $started -ne 1 ]; then
    tail -n 20 "$log" >&2
    fail "the server did not start (log: $log)"
  fi

  local ready=0
  for _ in $(seq 1 100); do
    if "$bin/pg_isready" -q -h 127.0.0.1 -p "$port"; then
      ready=1
      break
    fi
    sleep 0.2
  done
  if [ $ready -ne 1 ]; then
    tail -n 20 "$log" >&2
    stop_server
    fail "the server does not accept connections on 127.0.0.1:$port (log: $log)"
  fi

  local psql=("$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$sock" -p "$port" -U postgres)
  if ! as_owner "${psql[@]}" -d postgres >"$state/setup.log" 2>&1 <<EOF; then
CREATE ROLE quillet LOGIN PASSWORD '$password';
CREATE DATABASE quillet_test OWNER quillet ENCODING 'UTF8';
EOF
    cat "$state/setup.log" >&2
    stop_server
    fail "creating the test role and database failed"
  fi

  local data_sql
  data_sql="$(cd "$(dirname "$0")" && pwd)/pg-test-data.sql"
  # The data is created by the owner role over TCP, which also proves password login works.
  if ! PGPASSWORD=$password "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" \
    -U quillet -d quillet_test <"$data_sql" >>"$state/setup.log" 2>&1; then
    cat "$state/setup.log" >&2
    stop_server
    fail "filling the test database failed"
  fi

  if [ -n "$extra_sql" ] && ! PGPASSWORD=$password "$bin/psql" -X -q -v ON_ERROR_STOP=1 \
    -h 127.0.0.1 -p "$port" -U quillet -d quillet_test <"$extra_sql" >>"$state/setup.log" 2>&1; then
    cat "$state/setup.log" >&2
    stop_server
    fail "running $extra_sql failed"
  fi

  local sysini
  sysini=$(private_odbcinst)
  # CommLog=0: Debian registers the driver with communication logs on, which would leave a
  # log file in /tmp for every test connection.
  local conn="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$port;Database=quillet_test;Uid=quillet;Pwd=$password;CommLog=0"
  echo "$conn" >"$state/conn.txt"
  {
    echo "PG_PORT='$port'"
    echo "PG_USER='quillet'"
    echo "PG_PASSWORD='$password'"
    echo "PG_DATABASE='quillet_test'"
    echo "ODBC_CONNECT='$conn'"
    if [ -n "$sysini" ]; then echo "ODBCSYSINI='$sysini'"; fi
  } >"$state/odbc.env"
  echo "PostgreSQL test server on 127.0.0.1:$port (pid $(server_pid))"
}

case "$action" in
  start) start_server ;;
  kill)
    state=$(cd "$state" && pwd)
    as_owner "$(find_pg_bin)/pg_ctl" -D "$state/data" stop -m immediate >/dev/null 2>&1 || true
    ;;
  restart)
    state=$(cd "$state" && pwd)
    as_owner "$(find_pg_bin)/pg_ctl" -D "$state/data" -l "$state/server.log" -w -t 60 start \
      -o "$(cat "$state/server.opts")" >/dev/null 2>&1 || fail "the server did not start again"
    ;;
  stop)
    [ -d "$state" ] || exit 0
    state=$(cd "$state" && pwd)
    stop_server
    if [ -f "$state/sock.path" ]; then
      rm -rf "$(cat "$state/sock.path")" "$state/sock.path"
    fi
    rm -rf "$state/data" "$state/sock"
    ;;
  *) usage ;;
esac
