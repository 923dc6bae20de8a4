#!/usr/bin/env bash
# The PostgreSQL run when PostgreSQL cannot start: it fails and says why, and
# only under APR_TEST_ALLOW_SKIP=1 exits 77, which CTest counts as skipped.
set -u
run="$1"; suite="$2"
missing=/nonexistent/postgresql/bin
status=0
fail() { echo "FAIL: $*"; status=1; }

out="$(APR_TEST_PG_BIN=$missing APR_TEST_ALLOW_SKIP=0 "$run" "$suite" 2>&1)"; code=$?
[ "$code" != 0 ] && [ "$code" != 77 ] || fail "exit status $code instead of a failure"
grep -q "PostgreSQL cannot start: no initdb in $missing" <<<"$out" || fail "no reason given: $out"
grep -q "APR_TEST_ALLOW_SKIP=1" <<<"$out" || fail "the way to skip instead is not said: $out"

out="$(APR_TEST_PG_BIN=$missing APR_TEST_ALLOW_SKIP=1 "$run" "$suite" 2>&1)"; code=$?
[ "$code" = 77 ] || fail "exit status $code instead of 77 under APR_TEST_ALLOW_SKIP=1"
grep -q "PostgreSQL cannot start: no initdb in $missing" <<<"$out" || fail "no reason given when skipped: $out"
exit "$status"
