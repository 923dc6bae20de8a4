#!/usr/bin/env bash
# Runs the apr-server suite against a throw-away PostgreSQL cluster.
# Exits 77 (skipped) when PostgreSQL or Qt's PostgreSQL driver is missing.
set -u
suite="$1"; shift

pgbin=""
for dir in /usr/lib/postgresql/*/bin; do
  [ -x "$dir/initdb" ] && pgbin="$dir"
done
if [ -z "$pgbin" ]; then
  echo "PostgreSQL server tools not installed: skipped"; exit 77
fi
if ! ls /usr/lib/*/qt6/plugins/sqldrivers/libqsqlpsql.so >/dev/null 2>&1; then
  echo "Qt PostgreSQL driver not installed: skipped"; exit 77
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
  echo "initdb failed: skipped"; cat "$work/initdb.log"; exit 77
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
  echo "PostgreSQL did not start: skipped"; cat "$work/server.log"; exit 77
fi

export APR_TEST_PG_ADMIN="postgresql://apr@127.0.0.1:$port/postgres"
# Lets a test restart the cluster under the servers' feet.
restart_as=""
[ "$(id -u)" = 0 ] && restart_as="runuser -u nobody --"
printf '#!/usr/bin/env bash\n%s %q -D %q -m fast -w -t 30 restart >/dev/null\n' "$restart_as" "$pgbin/pg_ctl" "$work/data" >"$work/restart"
chmod 755 "$work/restart"
export APR_TEST_PG_RESTART="$work/restart"
"$suite" "$@"
