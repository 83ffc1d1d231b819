#!/usr/bin/env bash
# Make targets in orders a newcomer might try, in a clone of the committed tree, each build in
# its own folder: the game alone, then the package's checks (which need the dev build), then
# make run with no display; the game again, which must rebuild nothing, and the dev build's
# -Werror, which the play build must not have turned off. Then the clone must hold nothing
# outside its build folders.
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
# The files a build made or remade since the stamp, for "rebuilds nothing".
stamp() { sleep 1; touch "$work/stamp"; }
remade() { find "$@" -type f \( -name '*.o' -o -perm -u+x \) -newer "$work/stamp" -print; }

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

say "make build and the dev build again: nothing to redo"
stamp
make build >>"$work/build.log" 2>&1 || fail "make build after make package-test failed"
cmake --preset dev >/dev/null && cmake --build --preset dev --target package_tests >/dev/null
again=$(remade build build-dev)
[ -z "$again" ] || fail "rebuilt with nothing changed: $again"

"$top/tools/clean-tree-check.sh" "$work/gemwell"
say "every order worked"
cd "$top"
[ -n "${TARGET_ORDER_KEEP:-}" ] || rm -rf "$work"
