#!/usr/bin/env bash
# Runs the apr-server suite against a throw-away PostgreSQL cluster.
# PostgreSQL (or Qt's driver for it) missing or not starting fails, saying why;
# with APR_TEST_ALLOW_SKIP=1 it exits 77, which CTest counts as skipped.
# APR_TEST_PG_BIN names the server tools' directory (default: the newest
# /usr/lib/postgresql/*/bin).
set -u
suite="$1"; shift

unavailable() {   # REASON
  if [ "${APR_TEST_ALLOW_SKIP:-}" = 1 ]; then
    echo "PostgreSQL cannot start: $1: skipped (APR_TEST_ALLOW_SKIP=1)"; exit 77
  fi
  echo "PostgreSQL cannot start: $1"
  echo "(a real component the test needs; APR_TEST_ALLOW_SKIP=1 skips it instead)"
  exit 1
}

pgbin="${APR_TEST_PG_BIN:-}"
if [ -n "$pgbin" ]; then
  [ -x "$pgbin/initdb" ] || unavailable "no initdb in $pgbin (APR_TEST_PG_BIN)"
else
  for dir in /usr/lib/postgresql/*/bin; do
    [ -x "$dir/initdb" ] && pgbin="$dir"
  done
  [ -n "$pgbin" ] || unavailable "the server tools (initdb) are not installed under /usr/lib/postgresql"
fi
if ! ls /usr/lib/*/qt6/plugins/sqldrivers/libqsqlpsql.so >/dev/null 2>&1; then
  unavailable "Qt's PostgreSQL driver (libqsqlpsql.so) is not installed"
fi

work="$(mktemp -d /tmp/apr-pg.XXXXXX)"
as_owner() { "$@"; }
if [ "$(id -u)" = 0 ]; then
  # The server refuses to run as root.
  chown nobody "$work"
  as_owner() { runuser -u nobody -- "$@"; }
fi
cleanup() {
  as_owner "$pgbin/pg_ctl" -D "$work/data" -m fast stop >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

if ! as_owner "$pgbin/initdb" -D "$work/data" -U apr --auth=trust -E UTF8 --locale=C.UTF-8 --no-sync >"$work/initdb.log" 2>&1; then
  cat "$work/initdb.log"; unavailable "initdb failed"
fi
started=""
for attempt in 1 2 3 4 5; do
  port=$(( 20000 + RANDOM % 20000 ))
  if as_owner "$pgbin/pg_ctl" -D "$work/data" -l "$work/server.log" -w -t 30 \
       -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null 2>&1; then
    started=1; break
  fi
done
if [ -z "$started" ]; then
  cat "$work/server.log"; unavailable "pg_ctl start failed five times"
fi

export APR_TEST_PG_ADMIN="postgresql://apr@127.0.0.1:$port/postgres"
# Lets a test restart the cluster under the servers' feet.
restart_as=""
[ "$(id -u)" = 0 ] && restart_as="runuser -u nobody --"
printf '#!/usr/bin/env bash\n%s %q -D %q -m fast -w -t 30 restart >/dev/null\n' "$restart_as" "$pgbin/pg_ctl" "$work/data" >"$work/restart"
chmod 755 "$work/restart"
export APR_TEST_PG_RESTART="$work/restart"
"$suite" "$@"
