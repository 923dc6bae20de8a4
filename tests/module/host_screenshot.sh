#!/usr/bin/env bash
# apr-host end to end: signs in from the command line (the password on standard input), opens APR00100, confirms
# the Delphi platform and saves a picture of the plan page.
set -euo pipefail
BIN="$1"
work="$(mktemp -d)"
server_pid=""
finish() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
export APR_HOME="$work/home" QT_QPA_PLATFORM=offscreen
"$BIN/apr-server" --listen 127.0.0.1:0 --database "sqlite:$work/apr.db" --seed demo >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 1 100); do
  grep -q "listening on" "$work/server.log" && break
  sleep 0.1
done
address="$(sed -n 's/^apr-server listening on //p' "$work/server.log")"
[ -n "$address" ] || { cat "$work/server.log"; exit 1; }

# A wrong password ends the unattended host with the server's message, never the password.
status=0
if printf 'nao-e-esta\n' | "$BIN/apr-host" --operator 000000000001 --branch 0001 --company 0001 \
     --server "$address" --password-stdin --module APR00100 --screenshot "$work/wrong.png" >"$work/wrong.log" 2>&1; then
  echo "signed in with a wrong password"; status=1
fi
grep -q "Operador ou senha incorretos." "$work/wrong.log" || { echo "no refusal shown"; cat "$work/wrong.log"; status=1; }
if grep -q "nao-e-esta" "$work/wrong.log"; then echo "the password was printed"; status=1; fi

printf 'demo-entrada\n' | "$BIN/apr-host" --operator 000000000001 --branch 0001 --company 0001 --server "$address" \
  --password-stdin --module APR00100 --platform 0 --screenshot "$work/plan.png" 2>"$work/host.log"
[ -s "$work/plan.png" ] || { echo "no picture saved"; status=1; }
grep -q "As seguintes ações estão sob sua responsabilidade:" "$work/host.log" || { echo "no pending-action warning"; status=1; }
if grep -q "\[dialog\].*Não foi possível" "$work/host.log"; then echo "an error was shown"; status=1; fi
[ "$status" = 0 ] || cat "$work/host.log"
exit "$status"
