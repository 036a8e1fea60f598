#!/bin/bash
# PostgreSQL 15 + psqlODBC standing in for Oracle behind the driver name
# "Microsoft ODBC for Oracle" (and "Stand-in", for set-ups that name their driver). Clients reach the server through oracle-front.py, which turns
# the Oracle statements PostgreSQL cannot read into its own; PGPORT is the front's port (TCP and
# the socket in STANDIN_DIR), STANDIN_PG_PORT the server's own.
#   eval "$(oracle-standin.sh start)"    # exports STANDIN_DIR, ODBCSYSINI, PGPORT, STANDIN_PG_PORT
#   oracle-standin.sh stop "$STANDIN_DIR"
set -euo pipefail
PGBIN=$(pg_config --bindir)
HERE=$(cd "$(dirname "$0")" && pwd)

as_pg() {   # initdb and the server refuse to run as root
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
pick_port() {   # first loopback port in the range, from $1 on, that nobody answers on
  local p
  for p in $(seq "${1:-54320}" 54419); do
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return 0; }
  done
  return 1
}

start() {
  local dir port
  dir=$(mktemp -d)   # TMPDIR must be reachable by the postgres user
  # A start that fails half-way leaves neither a server nor its folder behind.
  trap 'stop "$dir" 2>/dev/null || rm -rf "$dir"' ERR
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
  as_pg "$PGBIN/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log"
  # Another stand-in starting at the same moment may take the port we picked: then the
  # server cannot bind, and we try the next free one.
  local attempt from=54320
  for attempt in 1 2 3 4 5; do
    port=$(pick_port "$from")
    # fsync=off: test data only. log_statement=all: the log shows every SQL text received.
    if as_pg "$PGBIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o \
        "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir -c fsync=off -c log_statement=all" \
        start >/dev/null; then
      break
    fi
    [ "$attempt" -lt 5 ] || { echo "oracle-standin: no server could start, see $dir/server.log" >&2; false; }
    from=$((port + 1))
  done
  local psql=(as_pg "$PGBIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres)
  "${psql[@]}" -d postgres -c "CREATE ROLE scott LOGIN PASSWORD 'tiger'" \
                            -c "CREATE DATABASE scott OWNER scott" >/dev/null
  "${psql[@]}" -d scott <"$HERE/oracle-compat.sql" >/dev/null
  # Logins whose passwords hold what a connection string must brace: ";", "{", "}" and a
  # leading blank. Each has its own database, the one a login without Database= reaches.
  local role password
  for role in semicolon:'ti;ger' braces:'{x}' closer:'a}b' blank:' lead'; do
    password=${role#*:}
    role=${role%%:*}
    "${psql[@]}" -d postgres -c "CREATE ROLE $role LOGIN PASSWORD '$password'" \
                              -c "CREATE DATABASE $role OWNER $role" >/dev/null
  done
  # The front, detached from the caller's output so that `$(... start)` returns; it writes
  # its port once it listens.
  setsid /usr/bin/python3 "$HERE/oracle-front.py" --upstream-port "$port" --socket-dir "$dir" \
    --log "$dir/server.log" --port-file "$dir/front.port" </dev/null >>"$dir/front.log" 2>&1 &
  echo $! >"$dir/front.pid"
  for _ in $(seq 100); do
    [ -s "$dir/front.port" ] && break
    kill -0 "$(cat "$dir/front.pid")" 2>/dev/null || { echo "oracle-standin: the front did not start, see $dir/front.log" >&2; false; }
    sleep 0.05
  done
  [ -s "$dir/front.port" ] || { echo "oracle-standin: the front did not start, see $dir/front.log" >&2; false; }
  mkdir -p "$dir/odbc"
  # The driver manager finds the driver under the plain name; psqlODBC looks its
  # options up under the name as written in the connection string, braces included.
  cat >"$dir/odbc/odbcinst.ini" <<INI
[Microsoft ODBC for Oracle]
Description=psqlODBC (Unicode) standing in for Oracle
Driver=psqlodbcw.so
MaxVarcharSize=4000
UseDeclareFetch=1
Fetch=1000

[{Microsoft ODBC for Oracle}]
MaxVarcharSize=4000
UseDeclareFetch=1
Fetch=1000

[Stand-in]
Description=The same driver under a name of its own, as Oracle's set-up registers its own
Driver=psqlodbcw.so
MaxVarcharSize=4000
UseDeclareFetch=1
Fetch=1000

[{Stand-in}]
MaxVarcharSize=4000
UseDeclareFetch=1
Fetch=1000
INI
  trap - ERR
  echo "export STANDIN_DIR='$dir' ODBCSYSINI='$dir/odbc' PGPORT='$(cat "$dir/front.port")' STANDIN_PG_PORT='$port'"
}

stop() {
  if [ -f "$1/front.pid" ]; then
    kill "$(cat "$1/front.pid")" 2>/dev/null || true
  fi
  if [ -f "$1/data/postmaster.pid" ]; then
    as_pg "$PGBIN/pg_ctl" -D "$1/data" -m fast -w stop >/dev/null || true
  fi
  rm -rf "$1"
}

case "${1:-}" in
  start) start ;;
  stop)  stop "${2:?stop needs the directory printed by start}" ;;
  *) echo "usage: $0 start | stop DIR" >&2; exit 2 ;;
esac
