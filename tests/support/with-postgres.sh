#!/bin/sh
# Runs a command with a throwaway PostgreSQL server of its own: a cluster made
# by initdb in a fresh temporary folder, listening only on a Unix socket in
# that folder, run by an unprivileged user (nobody when started as root, as CI
# does), stopped and removed when the command ends, however it ends.
#
# The command sees PGHOST (the socket folder), PGPORT and PGUSER (the cluster's
# superuser, trusted over the socket) and ORVENA_TEST_SERVER=1. Without the
# server's programs (Debian's postgresql under /usr/lib/postgresql/*/bin) it
# runs the command with ORVENA_TEST_SERVER unset, so its server tests skip.
#
# Usage: with-postgres.sh COMMAND [ARGUMENT...]
set -eu

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
    unset ORVENA_TEST_SERVER
    exec "$@"
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/orvena-pg.XXXXXX")
as_owner() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$dir"
    as_owner() { runuser -u nobody -- "$@"; }
fi
chmod 700 "$dir"

stop() {
    status=$?
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    exit $status
}
trap stop EXIT
trap 'exit 130' INT TERM HUP

port=5432
as_owner "$bin/initdb" -D "$dir/data" -U orvena --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -p $port -c fsync=off" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }

export PGHOST="$dir" PGPORT="$port" PGUSER=orvena PGDATABASE=postgres ORVENA_TEST_SERVER=1
unset PGPASSWORD PGSERVICE PGSERVICEFILE
"$@"
