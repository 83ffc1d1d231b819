#!/usr/bin/env bash
# Fails when a build or a test run has left anything in the tree outside the build folders
# (build/ and build-*/): a change to a tracked file, or a new file, whether .gitignore names it
# or not (a __pycache__ is as much litter as a stray screenshot).
#
# Usage: tools/clean-tree-check.sh [TREE]    (the checkout this script is in, by default)
set -euo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
left=$(git -C "$top" status --porcelain --ignored=matching --untracked-files=all |
    grep -Ev '^!! build[^/]*/$' || true)
if [ -n "$left" ]; then
    echo "clean-tree-check: the run left these in the tree, outside the build folders:" >&2
    echo "$left" >&2
    exit 1
fi
echo "clean-tree-check: nothing left in the tree outside the build folders"
