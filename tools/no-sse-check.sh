#!/bin/sh
# Fails if a program or object uses any SSE instruction: Debian's i386 baseline has none, and a
# processor at it stops the game with SIGILL at the first one. objdump decides: every SSE, SSE2
# and later vector instruction names an %xmm (or %ymm, %zmm) register, or the SSE control
# register, MXCSR. Prints the count for each file.
# Usage: tools/no-sse-check.sh FILE...
status=0
for file in "$@"; do
    count=$(objdump -d --no-show-raw-insn "$file" | grep -c -E '%[xyz]mm[0-9]|mxcsr') || true
    echo "$file: $count SSE instructions"
    [ "$count" -eq 0 ] || status=1
done
exit "$status"
