#!/usr/bin/env bash
# The demo run unattended (the host saves a picture of the plan and quits): the
# host and so the svn its module runs speak pt_BR.UTF-8, and tools/demo-svn
# reaches the demo's repository with the demo's account.
set -uo pipefail
SRC="$1"; BUILD="$2"
work="$(mktemp -d)"
chmod 755 "$work"   # the web server's user reads the demo repository below it
trap 'rm -rf "$work"' EXIT
unset APR_DRIVE_C APR_DRIVE_H APR_DRIVE_F APR_DEMO_KEEP APR_DEMO_PORT APR_DEMO_SVN_PORT LC_ALL LANGUAGE
export LANG=C APR_HOME="$work/home" QT_QPA_PLATFORM=offscreen

# A build directory whose apr-host first notes what its children meet, then is the real one.
mkdir -p "$work/build/bin"
for program in apr-server apr-call apr-diff; do ln -s "$BUILD/bin/$program" "$work/build/bin/$program"; done
ln -s "$BUILD/src" "$work/build/src"
cat > "$work/build/bin/apr-host" <<HOST
#!/usr/bin/env bash
{
  echo "LC_ALL=\${LC_ALL:-} LANG=\${LANG:-}"
  svn info "\$APR_HOME/nenhuma-copia" 2>&1
  APR_BUILD_DIR="$work/build" "$SRC/tools/demo-svn" info ^/P401/trunk/fontes/uP401.pas 2>&1
} > "$work/children.txt"
exec "$BUILD/bin/apr-host" "\$@"
HOST
chmod 755 "$work/build/bin/apr-host"

status=0
fail() { echo "FAIL: $*"; status=1; }
if ! "$SRC/tools/demo" "$work/build" --platform 0 --screenshot "$work/plan.png" >"$work/demo.log" 2>&1; then
  fail "the demo did not run to its end"
fi
[ -s "$work/plan.png" ] || fail "the host saved no picture of the plan"
children="$(cat "$work/children.txt" 2>/dev/null)"
grep -q "LC_ALL=pt_BR.UTF-8 LANG=pt_BR.UTF-8" <<<"$children" || fail "the host does not run in pt_BR.UTF-8"
grep -q "não é uma cópia de trabalho" <<<"$children" || fail "svn under the host does not speak Portuguese"
grep -q "^Caminho: uP401.pas" <<<"$children" || fail "tools/demo-svn did not read the demo repository"
grep -q "E215004" <<<"$children" && fail "tools/demo-svn had no credentials"
password="$(. "$SRC/tools/demo-common.sh"; demo_svn_password "$BUILD")"
grep -qF "$password" "$work/demo.log" "$work/children.txt" && fail "the repository password was printed"
if [ "$status" != 0 ]; then
  echo "--- demo"; cat "$work/demo.log"; echo "--- what the host's children met"; echo "$children"
fi
exit "$status"
