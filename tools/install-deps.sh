#!/usr/bin/env bash
# Installs the Debian packages a make target needs, and only those missing, saying which.
# Every program a make target calls comes from one of these lists (make itself excepted: it is
# what runs this).
# Usage: tools/install-deps.sh build|web|test|bench|package|fresh|icons|coverage
set -euo pipefail

# make run, make build: the compiler, CMake and the GL and GLUT headers.
build=(cmake g++ make libglut-dev libglu1-mesa-dev libgl-dev)
# make web: the browser edition, with Debian's emscripten (which brings clang, lld, binaryen,
# node and acorn).
web=(cmake make emscripten)
# make package: dpkg-shlibdeps (dpkg-dev) and file, which CPack needs to work out dependencies.
package=("${build[@]}" dpkg-dev file)
# make test: GoogleTest; Xvfb, libfaketime and Mesa's software OpenGL, with Xlib, libxdo and
# libpng for the harness, for the end-to-end tests; the release's default clang and its runtime
# for the fuzz target; what checks the package: lintian, hardening-check (devscripts),
# appstreamcli, desktop-file-validate, mandoc and man, and readelf (binutils) for the hardening;
# and for the browser tests, headless Chromium driven by Selenium.
# No name carries a version, so that every release installs its own current package.
test=("${package[@]}" libgtest-dev xvfb faketime libfaketime libgl1-mesa-dri libx11-dev
      libxdo-dev libpng-dev clang libclang-rt-dev lintian devscripts appstream
      desktop-file-utils mandoc man-db groff-base binutils
      "${web[@]}" chromium chromium-driver python3-selenium)
bench=("${build[@]}" libbenchmark-dev)
# make fresh-check: debootstrap, and git to export the committed tree.
fresh=("${test[@]}" debootstrap git)
# make icons: the SVG renderer.
icons=(librsvg2-bin)
# make coverage: gcovr, on top of what the tests need.
coverage=("${test[@]}" gcovr)

case "${1:-build}" in
    build) wanted=("${build[@]}") ;;
    web) wanted=("${web[@]}") ;;
    test) wanted=("${test[@]}") ;;
    bench) wanted=("${bench[@]}") ;;
    package) wanted=("${package[@]}") ;;
    fresh) wanted=("${fresh[@]}") ;;
    icons) wanted=("${icons[@]}") ;;
    coverage) wanted=("${coverage[@]}") ;;
    *) echo "usage: $0 build|web|test|bench|package|fresh|icons|coverage" >&2; exit 2 ;;
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
