#!/usr/bin/env bash
# Installs the Debian packages a make target needs, and only those missing, saying which.
# Usage: tools/install-deps.sh build|test|bench|package
set -euo pipefail

build=(cmake g++ make freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev)
test=("${build[@]}" libgtest-dev zlib1g-dev xvfb xdotool x11-apps faketime libfaketime libgl1-mesa-dri
      clang libclang-rt-14-dev dpkg-dev desktop-file-utils man-db groff-base)
bench=("${build[@]}" libbenchmark-dev)
package=("${build[@]}" dpkg-dev desktop-file-utils man-db groff-base)

case "${1:-build}" in
    build) wanted=("${build[@]}") ;;
    test) wanted=("${test[@]}") ;;
    bench) wanted=("${bench[@]}") ;;
    package) wanted=("${package[@]}") ;;
    *) echo "usage: $0 build|test|bench|package" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "gemwell: installing missing Debian packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "gemwell: need root or sudo to install: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
