#!/usr/bin/env bash
# A throwaway MariaDB server for the integration tests.
#
#   mariadb-test-server.sh start <state-dir> [extra.sql]   create, start and fill a fresh
#                                                         server (then run extra.sql)
#   mariadb-test-server.sh stop  <state-dir>   stop the server started there (by its pid)
#   mariadb-test-server.sh kill  <state-dir>   end it with SIGKILL, as a crash would
#   mariadb-test-server.sh restart <state-dir> start it again on its port, with its data
#
# The server listens on 127.0.0.1 at a free port with password authentication, keeps its data,
# socket, pid file and log under <state-dir>, reads no option file of the machine, and runs as
# the `mysql` user when we are root (see below). `start` writes:
#   <state-dir>/conn.txt   the ODBC connection string of the test database, one line
#   <state-dir>/odbc.env   KEY='VALUE' lines (shell-sourceable): MY_PORT, MY_USER, MY_PASSWORD,
#                          MY_DATABASE, MY_SOCKET, ODBC_CONNECT and, when the driver had to be
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
  echo "mariadb-test-server: $*" >&2
  exit 1
}

is_root() { [ "$(id -u)" -eq 0 ]; }

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

# The pid of the server started under this state folder, if it still runs. The process name
# is checked too, so a pid reused since an old run is never signalled.
server_pid() {
  local pidfile=$state/run/mariadbd.pid
  [ -f "$pidfile" ] || return 1
  local pid
  pid=$(head -n 1 "$pidfile")
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = mariadbd ] || return 1
  echo "$pid"
}

stop_pid() {
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  # A hung server must never outlive the test run.
  kill -KILL "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
}

stop_server() {
  local pid
  if pid=$(server_pid); then stop_pid "$pid"; fi
}

remove_files() {
  if [ -f "$state/sock.path" ]; then
    rm -rf "$(cat "$state/sock.path")" "$state/sock.path"
  fi
  rm -rf "$state/data" "$state/run"
}

# Registers the driver privately when the system's driver list lacks it; prints the folder to
# use as ODBCSYSINI, or nothing when the system's list will do.
private_odbcinst() {
  if command -v odbcinst >/dev/null 2>&1 &&
    odbcinst -q -d -n "MariaDB Unicode" >/dev/null 2>&1; then
    return 0
  fi
  local lib
  lib=$(ls /usr/lib/*/odbc/libmaodbc.so 2>/dev/null | head -n 1)
  [ -n "$lib" ] || fail "the MariaDB ODBC driver is not installed (odbc-mariadb)"
  local dir=$state/odbcinst
  mkdir -p "$dir"
  printf '[MariaDB Unicode]\nDriver=%s\n' "$lib" >"$dir/odbcinst.ini"
  : >"$dir/odbc.ini"
  echo "$dir"
}

start_server() {
  command -v mariadbd >/dev/null 2>&1 || PATH=$PATH:/usr/sbin
  for tool in mariadbd mariadb-install-db mariadb mariadb-admin; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool not found (install mariadb-server)"
  done
  mkdir -p "$state"
  state=$(cd "$state" && pwd)

  # A previous run may have left a server behind (an interrupted test run): end it first.
  stop_server
  remove_files
  rm -f "$state/conn.txt" "$state/odbc.env"

  local run=$state/run
  local sockdir=$run
  # Unix socket paths are limited to 107 bytes; a deep build tree falls back to /tmp.
  if [ $((${#sockdir} + 13)) -gt 100 ]; then
    sockdir=$(mktemp -d /tmp/quillet-my.XXXXXX)
    echo "$sockdir" >"$state/sock.path"
  fi
  local sock=$sockdir/mariadb.sock
  local log=$state/server.log
  mkdir -p "$state/data" "$run/tmp" "$sockdir"
  chmod 700 "$state/data" "$run" "$sockdir"
  : >"$log"

  # The server refuses to run as root unless told to; as root it runs as `mysql` instead, and
  # as root itself only where `mysql` cannot reach the state folder (a home folder's build
  # tree). That is safe enough here: it listens on 127.0.0.1 only, and the test user has no
  # global privilege (such as FILE) that reaches beyond its database. The local administrator
  # is the one who ran this script, over the socket (socket authentication).
  local owner=() admin
  admin=$(id -un)
  if is_root; then
    if id mysql >/dev/null 2>&1 && runuser -u mysql -- test -x "$state"; then
      owner=(--user=mysql)
      chown -R mysql: "$state/data" "$run" "$sockdir" "$log"
    else
      owner=(--user=root)
    fi
  fi

  # Small and careless with durability: the data is thrown away after every run.
  local tuning=(
    --skip-name-resolve --skip-log-bin --skip-external-locking
    --character-set-server=utf8mb4 --collation-server=utf8mb4_unicode_ci
    --innodb-buffer-pool-size=64M --innodb-log-file-size=64M
    --innodb-flush-log-at-trx-commit=0 --innodb-doublewrite=0 --innodb-use-native-aio=0
    --innodb-buffer-pool-dump-at-shutdown=0 --innodb-buffer-pool-load-at-startup=0
    --performance-schema=0 --max-connections=100
  )

  if ! mariadb-install-db --no-defaults "${owner[@]}" --auth-root-socket-user="$admin" \
    --datadir="$state/data" --tmpdir="$run/tmp" --skip-test-db "${tuning[@]}" \
    >"$state/install.log" 2>&1; then
    cat "$state/install.log" >&2
    fail "mariadb-install-db failed"
  fi

  local port pid started=0
  for _ in 1 2 3 4 5; do
    port=$(free_port)
    local command=(mariadbd --no-defaults "${owner[@]}" --datadir="$state/data"
      --tmpdir="$run/tmp" --socket="$sock" --pid-file="$run/mariadbd.pid" --log-error="$log"
      --bind-address=127.0.0.1 --port="$port" "${tuning[@]}")
    printf '%q ' "${command[@]}" >"$state/launch.cmd"
    setsid "${command[@]}" </dev/null >>"$log" 2>&1 &
    pid=$!
    for _ in $(seq 1 600); do
      if ! kill -0 "$pid" 2>/dev/null; then break; fi
      # Over the socket: TCP has no account yet that a ping could log in with.
      if mariadb-admin --no-defaults --connect-timeout=2 -S "$sock" -u "$admin" ping \
        >/dev/null 2>&1; then
        started=1
        break
      fi
      sleep 0.1
    done
    [ $started -eq 1 ] && break
    # Most likely someone took the port between our probe and the server's bind: try again.
    stop_pid "$pid"
    grep -q -i "bind on tcp/ip port" "$log" || break
  done
  if [ $started -ne 1 ]; then
    tail -n 20 "$log" >&2
    fail "the server did not start (log: $log)"
  fi

  local password
  password="q$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')"

  if ! mariadb --no-defaults --protocol=socket -S "$sock" -u "$admin" \
    >"$state/setup.log" 2>&1 <<EOF; then
CREATE DATABASE quillet_test CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;
CREATE USER 'quillet'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER 'quillet'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON quillet_test.* TO 'quillet'@'127.0.0.1', 'quillet'@'localhost';
EOF
    cat "$state/setup.log" >&2
    stop_server
    fail "creating the test user and database failed"
  fi

  local data_sql
  data_sql="$(cd "$(dirname "$0")" && pwd)/mariadb-test-data.sql"
  # The data is created by the owner over TCP, which also proves password login works.
  if ! MYSQL_PWD=$password mariadb --no-defaults --default-character-set=utf8mb4 \
    --protocol=tcp -h 127.0.0.1 -P "$port" -u quillet quillet_test <"$data_sql" \
    >>"$state/setup.log" 2>&1; then
    cat "$state/setup.log" >&2
    stop_server
    fail "filling the test database failed"
  fi

  if [ -n "$extra_sql" ] && ! MYSQL_PWD=$password mariadb --no-defaults \
    --default-character-set=utf8mb4 --protocol=tcp -h 127.0.0.1 -P "$port" -u quillet \
    quillet_test <"$extra_sql" >>"$state/setup.log" 2>&1; then
    cat "$state/setup.log" >&2
    stop_server
    fail "running $extra_sql failed"
  fi

  local sysini
  sysini=$(private_odbcinst)
  local conn="Driver={MariaDB Unicode};Server=127.0.0.1;Port=$port;Database=quillet_test;Uid=quillet;Pwd=$password"
  echo "$conn" >"$state/conn.txt"
  {
    echo "MY_PORT='$port'"
    echo "MY_USER='quillet'"
    echo "MY_PASSWORD='$password'"
    echo "MY_DATABASE='quillet_test'"
    echo "MY_SOCKET='$sock'"
    echo "ODBC_CONNECT='$conn'"
    if [ -n "$sysini" ]; then echo "ODBCSYSINI='$sysini'"; fi
  } >"$state/odbc.env"
  echo "MariaDB test server on 127.0.0.1:$port (pid $(server_pid))"
}

# Starts the server again as `start` last started it, and waits until its port answers.
restart_server() {
  command -v mariadbd >/dev/null 2>&1 || PATH=$PATH:/usr/sbin
  local command port
  eval "command=($(cat "$state/launch.cmd"))"
  port=$(sed -n "s/^MY_PORT='\(.*\)'$/\1/p" "$state/odbc.env")
  setsid "${command[@]}" </dev/null >>"$state/server.log" 2>&1 &
  for _ in $(seq 1 600); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  fail "the server did not start again (log: $state/server.log)"
}

case "$action" in
  start) start_server ;;
  kill)
    state=$(cd "$state" && pwd)
    if pid=$(server_pid); then
      kill -KILL "$pid"
      for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
    ;;
  restart)
    state=$(cd "$state" && pwd)
    restart_server
    ;;
  stop)
    [ -d "$state" ] || exit 0
    state=$(cd "$state" && pwd)
    stop_server
    remove_files
    ;;
  *) usage ;;
esac
