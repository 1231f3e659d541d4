#!/usr/bin/env bash
# Private PostgreSQL 15 cluster for the ODBC tests.
#   pg.sh start <builddir>   initialise (first time) and start; idempotent
#   pg.sh stop <builddir>    stop it
# The cluster lives in <builddir>/pgdata, listens on 127.0.0.1 only, on the
# port written to <builddir>/pg.port, and holds the test role and database
# that .ci/odbcini.sh puts into the DSNs.
set -euo pipefail

PGBIN=${PGBIN:-/usr/lib/postgresql/15/bin}
PG_ROLE=${LUMBRA_PG_USER:-lumbra}
PG_PASSWORD=${LUMBRA_PG_PSWD:-lumbra_pw}
PG_DB=${LUMBRA_PG_DB:-lumbratest}

usage() { echo "usage: $0 start|stop <builddir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
cmd=$1
mkdir -p "$2"
build=$(cd "$2" && pwd)
data=$build/pgdata
portfile=$build/pg.port
log=$build/pg.log

# The server refuses to run as root: use an unprivileged system user then.
if [ "$(id -u)" -eq 0 ]; then
  osuser=postgres
  if ! id "$osuser" >/dev/null 2>&1; then
    osuser=lumbrapg
    id "$osuser" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$osuser"
  fi
  as_pg() { (cd / && runuser -u "$osuser" -- "$@"); }
else
  osuser=$(id -un)
  as_pg() { (cd / && "$@"); }
fi

running() { [ -f "$data/PG_VERSION" ] && as_pg "$PGBIN/pg_ctl" -D "$data" status >/dev/null 2>&1; }

port_free() {
  ! ss -Hltn "sport = :$1" 2>/dev/null | grep -q .
}

pick_port() {
  local p
  if [ -f "$portfile" ]; then
    p=$(cat "$portfile")
    if [ -n "$p" ] && port_free "$p"; then echo "$p"; return; fi
  fi
  for p in $(seq 54330 54429); do
    if port_free "$p"; then echo "$p"; return; fi
  done
  echo "pg.sh: no free port in 54330..54429" >&2
  exit 1
}

psql_admin() {
  as_pg "$PGBIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$data" -p "$(cat "$portfile")" -U postgres -d postgres "$@"
}

start() {
  if ! as_pg test -r "$build" -a -x "$build"; then
    echo "pg.sh: $build must be readable by the user $osuser (every parent directory searchable)" >&2
    exit 1
  fi
  if [ ! -f "$data/PG_VERSION" ]; then
    rm -rf "$data"
    mkdir -p "$data"
    chown "$osuser" "$data"
    chmod 700 "$data"
    as_pg "$PGBIN/initdb" -D "$data" -U postgres -E UTF8 --locale=C \
      --auth-local=trust --auth-host=scram-sha-256 >"$build/pg.initdb.log" 2>&1 \
      || { cat "$build/pg.initdb.log" >&2; exit 1; }
    # Only TCP on the loopback; the admin socket sits inside the 0700 data directory.
    cat >>"$data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
unix_socket_directories = '$data'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 50
CONF
  fi
  if ! running; then
    local port
    port=$(pick_port)
    echo "$port" >"$portfile"
    touch "$log"
    chown "$osuser" "$log"
    as_pg "$PGBIN/pg_ctl" -D "$data" -l "$log" -w -t 60 -o "-p $port" start >/dev/null \
      || { tail -n 20 "$log" >&2; exit 1; }
  elif [ ! -f "$portfile" ]; then
    echo "pg.sh: server runs but $portfile is missing; stop it first" >&2
    exit 1
  fi
  psql_admin <<SQL
DO \$\$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '$PG_ROLE') THEN
    CREATE ROLE $PG_ROLE LOGIN PASSWORD '$PG_PASSWORD';
  ELSE
    ALTER ROLE $PG_ROLE LOGIN PASSWORD '$PG_PASSWORD';
  END IF;
  -- A login whose password holds the connection-string characters ; { } = and a
  -- trailing blank: it must arrive quoted, never as attributes of its own.
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '${PG_ROLE}_odd') THEN
    CREATE ROLE ${PG_ROLE}_odd LOGIN PASSWORD 'odd;pw}={x ';
  ELSE
    ALTER ROLE ${PG_ROLE}_odd LOGIN PASSWORD 'odd;pw}={x ';
  END IF;
END
\$\$;
SQL
  if ! psql_admin -tA -c "SELECT 1 FROM pg_database WHERE datname = '$PG_DB'" | grep -q 1; then
    psql_admin -c "CREATE DATABASE $PG_DB OWNER $PG_ROLE"
  fi
  # The port may have changed since odbc.ini was written.
  if [ -f "$build/odbc.ini" ]; then
    "$(dirname "$0")/odbcini.sh" "$build" >/dev/null
  fi
  echo "PostgreSQL running on 127.0.0.1:$(cat "$portfile") (database $PG_DB, role $PG_ROLE)"
}

stop() {
  if running; then
    as_pg "$PGBIN/pg_ctl" -D "$data" -m fast -w stop >/dev/null
    echo "PostgreSQL stopped"
  fi
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
