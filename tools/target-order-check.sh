#!/usr/bin/env bash
# Make targets in an order a newcomer might try, in a clone of the committed tree: the game
# alone, then the package's checks (which need the dev build), then make run with no display.
# The dev build must keep its -Werror, the game must not need rebuilding after the dev build,
# and the clone must hold nothing new outside its build folders.
#
# Usage: tools/target-order-check.sh    (TARGET_ORDER_KEEP=1 keeps build-target-order/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${TARGET_ORDER_DIR:-$top/build-target-order}
say() { echo "target-order-check: $*"; }
fail() { say "$*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
git clone -q --shared --no-checkout "$top" "$work/gemwell"
git -C "$work/gemwell" checkout -q --detach "$(git -C "$top" rev-parse HEAD)"
cd "$work/gemwell"

say "make build, then make package-test"
make build >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log"; fail "make build failed"; }
make package-test >"$work/package-test.log" 2>&1 ||
    { tail -n 40 "$work/package-test.log"; fail "make package-test after make build failed"; }
grep -qx 'GEMWELL_WERROR:BOOL=ON' build-dev/CMakeCache.txt || fail "the dev build lost -Werror"
grep -qx 'GEMWELL_WERROR:BOOL=OFF' build/CMakeCache.txt || fail "the play build took -Werror"

say "make run with no display"
status=0
env -u DISPLAY make run >"$work/run.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "make run with no display succeeded"
grep -q 'DISPLAY is not set' "$work/run.log" || { cat "$work/run.log"; fail "no clear error"; }

say "the game again, after the dev build: nothing to redo"
tools/rebuild-check.sh play

tools/clean-tree-check.sh
say "every order worked"
cd "$top"
[ -n "${TARGET_ORDER_KEEP:-}" ] || rm -rf "$work"
