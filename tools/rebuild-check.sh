#!/usr/bin/env bash
# Each preset named, configured and built again with nothing changed, must remake nothing: no
# object and no output. Run after a build of each (make test's: dev, asan, fuzz and web).
#
# Usage: tools/rebuild-check.sh PRESET...
set -euo pipefail
cd "$(dirname "$0")/.."
# Debian's emscripten runs its JavaScript tools with node, which must find Debian's acorn.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT
status=0
for preset in "$@"; do
    sleep 1 && touch "$stamp"
    folder=$(cmake --preset "$preset" | sed -n 's/^-- Build files have been written to: //p')
    [ -d "$folder" ] || { echo "rebuild-check: $preset has no build folder" >&2; exit 1; }
    cmake --build --preset "$preset" >/dev/null
    # Configuring rewrites CMake's own files (the cache, the makefiles, CMakeFiles/); a build
    # with nothing to do leaves the objects and the outputs alone.
    remade=$(find "$folder" -type f -newer "$stamp" -not -name CMakeCache.txt \
        -not -name Makefile -not -name '*.cmake' \( -name '*.o' -o -not -path '*/CMakeFiles/*' \))
    if [ -n "$remade" ]; then
        echo "rebuild-check: $preset remade, with nothing changed:" >&2
        echo "$remade" | sed 's/^/  /' >&2
        status=1
    else
        echo "rebuild-check: $preset: nothing to redo"
    fi
done
exit $status
