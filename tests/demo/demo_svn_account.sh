#!/usr/bin/env bash
# tools/demo-svn: svn with the demo's account, the password only on svn's
# standard input; "^/" names the running demo's repository, and a demo that
# is not running is said plainly.
set -uo pipefail
SRC="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
plain="$work/build/src/module/qor_enciphered/APR_SENHA_SVN_CIFRADA.plain"
mkdir -p "$(dirname "$plain")" "$work/bin" "$work/home/svn"
printf '%s' 'senha-propria-9x' > "$plain"
# An svn that notes its arguments and its standard input.
cat > "$work/bin/svn" <<'SVN'
#!/usr/bin/env bash
printf '%s\n' "$@" > "$RECORD.args"
cat > "$RECORD.stdin"
SVN
chmod 755 "$work/bin/svn"
export PATH="$work/bin:$PATH" RECORD="$work/record" APR_BUILD_DIR="$work/build" APR_HOME="$work/home"
status=0
fail() { echo "FAIL: $*"; status=1; }

if out="$("$SRC/tools/demo-svn" info ^/P401/trunk 2>&1)"; then
  fail "a demo that is not running went unnoticed"
fi
grep -q "not running" <<<"$out" || fail "no reason for the missing repository: $out"

# A running demo repository, as tools/davserver records it.
echo $$ > "$work/home/svn/httpd.pid"
echo 7999 > "$work/home/svn/port"
[ "$("$SRC/tools/demo-svn" url)" = "http://127.0.0.1:7999/svn" ] || fail "url"

out="$("$SRC/tools/demo-svn" info ^/P401/trunk/fontes/uP401.pas 2>&1)" || fail "demo-svn info: $out"
args="$(cat "$RECORD.args")"
grep -qx "info" <<<"$args" || fail "the subcommand did not reach svn: $args"
grep -qx "http://127.0.0.1:7999/svn/P401/trunk/fontes/uP401.pas" <<<"$args" || fail "^/ not made a URL: $args"
grep -A1 -x -- "--username" <<<"$args" | grep -qx "svn_$(id -un)" || fail "not the demo's user: $args"
for option in --password-from-stdin --non-interactive --no-auth-cache; do
  grep -qx -- "$option" <<<"$args" || fail "$option missing: $args"
done
grep -q "senha-propria-9x" <<<"$args$out" && fail "the password reached svn's arguments or the screen"
[ "$(cat "$RECORD.stdin")" = "senha-propria-9x" ] || fail "svn did not get the build's password on its standard input"

# A build without a private copy: the built-in demo password.
rm "$plain"
"$SRC/tools/demo-svn" status >/dev/null 2>&1 || fail "demo-svn status"
[ "$(cat "$RECORD.stdin")" = "demo-s3nha" ] || fail "not the built-in demo password"
grep -q "http://" "$RECORD.args" && fail "an argument without ^/ was changed"
exit "$status"
