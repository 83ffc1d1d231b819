#!/bin/sh
# Run by tools/package-check.sh inside a fresh unstable chroot that has ARCH as a foreign
# architecture, Debian's cross toolchain for it and qemu-user, with the source package unpacked
# in the folder above this one. It cross-builds the package as Debian's cross-build checks do
# (dpkg-buildpackage -aARCH with the cross and nocheck profiles), then builds the unit tests for
# ARCH with CMake and runs them under qemu-user through CMAKE_CROSSCOMPILING_EMULATOR (this
# machine has no binfmt_misc). The death tests start their own binary again, which only
# binfmt_misc could run, so they are left out. Logs go to /build.
# Usage: tools/cross-check-inside.sh ARCH
set -eu
arch=$1
triplet=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)
cpu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)
cd "$(dirname "$0")/.."

# The Build-Depends for ARCH, the unit tests' too; the package lands in /build.
apt-get build-dep -y -a"$arch" "$PWD" >/build/build-dep.log 2>&1
dpkg-buildpackage -a"$arch" -Pcross,nocheck -B --no-sign >/build/dpkg-buildpackage.log 2>&1

cmake -S . -B /build/unit-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_SYSTEM_NAME=Linux \
    -DCMAKE_SYSTEM_PROCESSOR="$cpu" -DCMAKE_CXX_COMPILER="$triplet-g++" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="qemu-$cpu" -DBUILD_TESTING=ON \
    -DGEMWELL_UNIT_TESTS_ONLY=ON >/build/unit-tests.log 2>&1
cmake --build /build/unit-tests -j "$(nproc)" >>/build/unit-tests.log 2>&1
cd /build/unit-tests
ctest -L unit -E DeathTest -j "$(nproc)" --output-on-failure >>/build/unit-tests.log 2>&1
"qemu-$cpu" tools/fingerprint/replay_fingerprint >>/build/unit-tests.log 2>&1
"qemu-$cpu" tools/fingerprint/replay_fingerprint --arcade >>/build/unit-tests.log 2>&1
