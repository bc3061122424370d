#!/usr/bin/env bash
# A PostgreSQL server on loopback for the tests of the server backend.
#   scripts/postgres.sh start   starts it (made once in /tmp/kep-pg-PORT), prints its connection string
#   scripts/postgres.sh stop    stops it
# The server runs as the user "postgres" when started by root (it refuses
# root itself), otherwise as the current user.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${KEP_PG_PORT:-55432}
# Outside the repository: the server's own user must reach it, and a clone
# may sit under a home folder closed to other users.
data=${KEP_PG_DATA:-/tmp/kep-pg-$port}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] || { echo "postgres.sh: no PostgreSQL server installed" >&2; exit 1; }
as_server() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "${1:-}" in
  start)
    if [ ! -s "$data/PG_VERSION" ]; then
      rm -rf "$data"; mkdir -p "$data"
      [ "$(id -u)" -eq 0 ] && chown postgres "$data"
      as_server "$bin/initdb" -D "$data" -U postgres --auth=trust -E UTF8 >/dev/null
    fi
    [ "$(id -u)" -eq 0 ] && chown -R postgres "$data"
    if ! as_server "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1; then
      as_server "$bin/pg_ctl" -D "$data" -w -l "$data/server.log" \
        -o "-p $port -c listen_addresses=127.0.0.1 -c unix_socket_directories=$data -c max_connections=200 -c fsync=off" start >/dev/null
    fi
    echo "host=127.0.0.1 port=$port user=postgres dbname=postgres"
    ;;
  stop)
    as_server "$bin/pg_ctl" -D "$data" -m fast stop >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: scripts/postgres.sh start|stop" >&2; exit 2 ;;
esac
