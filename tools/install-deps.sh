#!/usr/bin/env bash
# Installs the Debian packages a make target needs, and only those missing, saying which.
# Every program a make target calls comes from one of these lists (make itself excepted: it is
# what runs this).
# Usage: tools/install-deps.sh [--list] LIST, where LIST is build, test-build, web, test, bench,
#        package, package-check, i386, fresh, icons, coverage, format or load
#        (--list prints the list and installs nothing)
set -euo pipefail

# make run, make build: the compiler, CMake and the GL and GLUT headers.
build=(cmake g++ make libglut-dev libglu1-mesa-dev libgl-dev)
# What building the unit tests adds: GoogleTest. These and build, less the compiler and make
# that every Debian build has, are debian/control's Build-Depends, these marked <!nocheck> (the
# packaging_identity test compares); the package builds the unit tests alone.
test_build=(libgtest-dev)
# What the other tests add to that: Xlib, libxdo, libpng and libfaketime for the X harness.
x_harness=(libx11-dev libxdo-dev libpng-dev libfaketime)
# make web: the browser edition, with Debian's emscripten (which brings clang, lld, binaryen,
# node and acorn).
web=(cmake make emscripten)
# make package: the Build-Depends, and build-essential (which dpkg-buildpackage checks for),
# dpkg-buildpackage (dpkg-dev) and debhelper to build.
package=("${build[@]}" "${test_build[@]}" build-essential dpkg-dev debhelper)
# make package-check: git to export the tree, mmdebstrap for the chroots (zstd packs them),
# sbuild, autopkgtest and piuparts, newuidmap and newgidmap (uidmap) for the unshare modes,
# blhc for the build log, arch-test, which mmdebstrap needs for an i386 chroot, and objdump
# (binutils), which looks for SSE instructions in the i386 game.
package_check=(git dpkg-dev mmdebstrap zstd sbuild autopkgtest piuparts uidmap blhc arch-test
               binutils)
# make i386-check: the i686 cross compiler, GoogleTest's source to build for it, qemu-i386 to
# run the result as a processor without SSE, and objdump.
i386=(cmake make g++-i686-linux-gnu googletest qemu-user binutils)
# make test: the package's tools and Build-Depends; Xvfb, faketime and Mesa's software OpenGL
# for the end-to-end tests; the release's default clang and its runtime
# for the fuzz target; what checks the package: lintian, hardening-check (devscripts),
# appstreamcli, desktop-file-validate, mandoc and man, and readelf (binutils) for the hardening;
# for the browser tests, headless Chromium driven by Selenium, Firefox ESR (driven through its
# own WebDriver BiDi, framed by wsproto) and WebKitGTK's MiniBrowser through WebKitWebDriver;
# for the gems' marks under simulated colour vision, numpy and PIL.
# No name carries a version, so that every release installs its own current package. Where a
# release renamed a package, "new|old" takes whichever is installed, else the first the release
# has: WebKitWebDriver is webkitgtk-webdriver from Debian 13 on, webkit2gtk-driver in Debian 12.
test=("${package[@]}" "${x_harness[@]}" xvfb faketime libgl1-mesa-dri clang libclang-rt-dev lintian devscripts
      appstream desktop-file-utils mandoc man-db groff-base binutils
      "${web[@]}" chromium chromium-driver python3-selenium firefox-esr
      "webkitgtk-webdriver|webkit2gtk-driver"
      python3-wsproto python3-numpy python3-pil)
bench=("${build[@]}" libbenchmark-dev)
# make fresh-check: debootstrap, and git to export the committed tree.
fresh=("${test[@]}" debootstrap git)
# make icons: the SVG renderer.
icons=(librsvg2-bin)
# make coverage: gcovr, on top of what the tests need.
coverage=("${test[@]}" gcovr)
# make test-under-load: the load beside make test (its CPU, disk and memory workers).
load=(stress-ng)
# make format: clang-format for the C++ and the JavaScript, black for the Python.
format=(clang-format black git)

list=
if [ "${1:-}" = --list ]; then
    list=1
    shift
fi
case "${1:-build}" in
    build) wanted=("${build[@]}") ;;
    test-build) wanted=("${test_build[@]}") ;;
    web) wanted=("${web[@]}") ;;
    test) wanted=("${test[@]}") ;;
    bench) wanted=("${bench[@]}") ;;
    package) wanted=("${package[@]}") ;;
    package-check) wanted=("${package_check[@]}") ;;
    i386) wanted=("${i386[@]}") ;;
    fresh) wanted=("${fresh[@]}") ;;
    icons) wanted=("${icons[@]}") ;;
    coverage) wanted=("${coverage[@]}") ;;
    format) wanted=("${format[@]}") ;;
    load) wanted=("${load[@]}") ;;
    *) sed -n '5,6p' "$0" >&2; exit 2 ;;
esac
if [ -n "$list" ]; then
    printf '%s\n' "${wanted[@]}"
    exit 0
fi

# Read whole, as below: no grep -q at the end of a pipe under pipefail.
installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for entry in "${wanted[@]}"; do
    found=
    IFS='|' read -r -a names <<<"$entry"
    for pkg in "${names[@]}"; do
        if installed "$pkg"; then
            found=1
            break
        fi
    done
    [ -n "$found" ] || missing+=("$entry")
done
[ ${#missing[@]} -eq 0 ] && exit 0

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
# Of a renamed package's names, the first this release has (apt's lists are current now).
for i in "${!missing[@]}"; do
    case ${missing[$i]} in *'|'*) ;; *) continue ;; esac
    IFS='|' read -r -a names <<<"${missing[$i]}"
    chosen=
    for pkg in "${names[@]}"; do
        # Read whole first: grep -q stops at its match, and pipefail would count apt-cache's
        # broken pipe as a failure.
        policy=$(apt-cache policy "$pkg" 2>/dev/null)
        if grep -q 'Candidate: [^(]' <<<"$policy"; then
            chosen=$pkg
            break
        fi
    done
    [ -n "$chosen" ] || { echo "gemwell: this release has none of: ${names[*]}" >&2; exit 1; }
    missing[i]=$chosen
done
echo "gemwell: installing missing Debian packages: ${missing[*]}"
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
