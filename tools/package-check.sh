#!/usr/bin/env bash
# make package-check: the committed tree as a distribution's packager would take it. The upstream
# tarball (git archive, which leaves debian/ out) and debian/ make the source package; sbuild
# builds it in fresh chroots of unstable and of Debian 13, made by mmdebstrap from the host's
# Debian archive. Lintian from unstable, pedantic, must find no error and no warning; blhc reads
# the build log; a second unstable build, with the nocheck profile, another build path, user,
# locale and time zone, must give the same .deb files; autopkgtest plays the package in a
# clean unstable testbed; piuparts installs, removes and purges it. The unstable chroot
# tarball serves the build, the testbed and piuparts alike.
# Usage: tools/package-check.sh    (PACKAGE_CHECK_KEEP=1 keeps build-package-check/)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
work=${PACKAGE_CHECK_DIR:-$top/build-package-check}
arch=$(dpkg --print-architecture)
arch_native=$arch
say() { printf 'package-check: %s\n' "$*"; }

set -m
running=
cleanup() {
    local status=$?
    if [ -n "$running" ]; then
        kill -TERM -- "-$running" 2>/dev/null || true
        wait "$running" 2>/dev/null || true
    fi
    if [ -z "${PACKAGE_CHECK_KEEP:-}" ] && [ "$status" -eq 0 ]; then
        rm -rf --one-file-system "$work"
    elif [ "$status" -ne 0 ]; then
        say "failed; the logs are in $work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

. "$top/tools/stages.sh"

# Runs a command with its output in a log, shown (its end) only if the command fails.
logged() {
    local log=$1
    shift
    "$@" >"$log" 2>&1 || { tail -n 40 "$log"; say "see $log"; return 1; }
}

# The host's own Debian archive: the chroots are made from the same place.
mirror=$(host_site Debian)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian

# The unshare modes map the chroot's ids onto the user's subordinate ones.
subordinate_ids() {
    local user file start
    user=$(id -un)
    for file in /etc/subuid /etc/subgid; do
        grep -q "^$user:" "$file" 2>/dev/null && continue
        [ "$(id -u)" -eq 0 ] || { say "$user has no range in $file; root must add one"; return 1; }
        # The first 65536 ids above every range already given out.
        start=$(awk -F: 'BEGIN {end = 100000} $2 + $3 > end {end = $2 + $3} END {print end}' \
            "$file" 2>/dev/null || echo 100000)
        echo "$user:$start:65536" >>"$file"
        say "added $user:$start:65536 to $file, which the unshare modes need"
    done
}

source_package() {
    git -C "$top" archive --format=tar --prefix="gemwell-$upstream/" HEAD |
        xz -6 >"$work/gemwell_$upstream.orig.tar.xz"
    tar -xf "$work/gemwell_$upstream.orig.tar.xz" -C "$work"
    if [ -e "$work/gemwell-$upstream/debian" ]; then
        say "the upstream tarball holds debian/"
        return 1
    fi
    # Archiving the debian tree itself, the root's export-ignore does not apply.
    git -C "$top" archive --format=tar --prefix=debian/ HEAD:debian |
        tar -x -C "$work/gemwell-$upstream"
    (cd "$work" && logged dpkg-source.log dpkg-source -b "gemwell-$upstream")
    say "$(basename "$dsc") from $(git -C "$top" rev-parse --short HEAD)"
}

# chroot_tarball NAME [OPTION...]: the suite is NAME up to its first hyphen.
chroot_tarball() {
    local name=$1
    shift
    logged "$work/mmdebstrap-$name.log" mmdebstrap --variant=buildd \
        --aptopt='Acquire::Check-Valid-Until "false"' "$@" "${name%%-*}" "$work/$name.tar.zst" \
        "$mirror"
}

# sbuild CHROOT OUTPUT_DIR [OPTION...]: the source package built in a fresh chroot from the
# tarball CHROOT, whose suite is CHROOT up to its first hyphen.
build() {
    local chroot=$1 out=$2
    shift 2
    mkdir -p "$out"
    (cd "$out" && logged sbuild.log sbuild --chroot-mode=unshare --chroot="$work/$chroot.tar.zst" \
        --dist="${chroot%%-*}" --arch-any --no-arch-all --no-run-piuparts --no-run-autopkgtest \
        --no-apt-upgrade --no-apt-distupgrade --nolog "$@" "$dsc")
    grep -q '^Status: successful' "$out/sbuild.log" || { say "sbuild did not succeed"; return 1; }
}

# The first unstable build: the tests run, lintian checks the source and the binary packages.
build_unstable() {
    build unstable "$work/unstable" --source --run-lintian --lintian-opt=--pedantic \
        --lintian-opt=--display-info --lintian-opt=--display-experimental \
        --lintian-opt=--show-overrides \
        --lintian-opt=--fail-on=error,warning
    # Every tag lintian gave, overridden ones included, each with its reason in the overrides.
    sed -n '/^Running lintian/,/^+---/p' "$work/unstable/sbuild.log" | grep -E '^[EWIPXO]: ' || true
    grep -q '^Lintian: pass' "$work/unstable/sbuild.log" ||
        { say "lintian did not pass"; return 1; }
    grep -q -E '^[0-9]+% tests passed, 0 tests failed out of [0-9]+' "$work/unstable/sbuild.log" ||
        { say "no unit test ran in the build"; return 1; }
    grep -E '^[0-9]+% tests passed' "$work/unstable/sbuild.log"
}

# The build log's compiler and linker lines, for flags Debian's hardening should have added.
hardening_flags() {
    blhc --all --debian --line-numbers "$work/unstable/sbuild.log"
}

# The second unstable build varies what a build must not depend on. Its user is an ordinary
# one (the first ran as root), and the tests are left out: nocheck must not change the binaries.
# dpkg-buildpackage resets the umask in both (sbuild asks it to); make package-test varies that.
build_varied() {
    cat >"$work/varied.conf" <<'EOF'
$build_user = 'gemwell-builder';
$build_environment = { 'TZ' => 'GEM-14', 'LANG' => 'C', 'LC_ALL' => 'C',
    'PATH' => '/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin' };
1;
EOF
    DEB_BUILD_OPTIONS=nocheck SBUILD_CONFIG=$work/varied.conf build unstable "$work/varied" \
        --profiles=nocheck --build-path=/build/a/much/longer/path/elsewhere --no-run-lintian
    local deb
    for deb in $debs; do
        cmp "$work/unstable/$deb" "$work/varied/$deb" || { say "$deb differs"; return 1; }
    done
    say "the same bytes: $debs"
}

build_trixie() {
    build trixie "$work/trixie" --no-run-lintian
    grep -E '^[0-9]+% tests passed' "$work/trixie/sbuild.log"
}

# installed_tests NAME [COMMAND PREFIX...]: autopkgtest, its artifacts (the game's standard
# error among them) in $work/NAME.
installed_tests() {
    local name=$1
    shift
    logged "$work/$name.log" "$@" autopkgtest -U --output-dir "$work/$name" \
        "$work/unstable/$deb" "$dsc" \
        -- unshare --release unstable --tarball "$work/unstable.tar.zst"
    grep -E '^play: |^play +' "$work/$name.log" | tail -n 4
}

# The same on a loaded machine: the test beside a busy loop on every core, as on a shared test
# machine, so that no wait in it may depend on the machine's speed. (At the lowest priority
# beside them it got too little of the processor to end within CI's time.)
installed_tests_loaded() {
    local busy=() i status=0
    for i in $(seq "$(nproc)"); do
        sh -c 'while :; do :; done' &
        busy+=($!)
    done
    installed_tests autopkgtest-loaded || status=$?
    kill "${busy[@]}"
    return "$status"
}

# The unit tests print the replay fingerprints, classic and arcade; every architecture's must be
# the committed ones.
check_fingerprint() {
    check_one_fingerprint "$1" "$2" "replay fingerprint" "$expected_fingerprint" &&
        check_one_fingerprint "$1" "$2" "replay fingerprint (arcade)" "$expected_arcade_fingerprint"
}

check_one_fingerprint() {
    local name=$1 what=$3 expected=$4 found
    found=$(grep -F "$what: " "$2" | sed -n 's/.*: \([0-9a-f]\{16\}\) .*/\1/p' | tail -n 1)
    [ -n "$found" ] || { say "no $what in $2"; return 1; }
    say "$name $what: $found"
    [ "$found" = "$expected" ] || { say "$name plays differently: $found, not $expected"; return 1; }
}

# What every sponsor, team or derivative changes: the team as Maintainer with an uploader, a
# derivative's local version, one more Build-Depends. The copy must build, with its tests.
build_any_maintainer() {
    local dir=$work/any-maintainer local_version=${version}ubuntu1
    local copy=$dir/gemwell-$upstream
    mkdir -p "$dir"
    cp -a "$work/gemwell-$upstream" "$copy"
    ln -s "../gemwell_$upstream.orig.tar.xz" "$dir/"
    sed -i -e 's/^Maintainer: .*/Maintainer: Debian Games Team <pkg-games-devel@lists.alioth.debian.org>\nUploaders: A Sponsor <sponsor@gemwell.example>/' \
        -e 's/^ libgtest-dev <!nocheck>,$/&\n pkgconf,/' "$copy/debian/control"
    sed -i "1s/($version)/($local_version)/" "$copy/debian/changelog"
    if ! grep -q '^Uploaders: ' "$copy/debian/control" || ! grep -q '^ pkgconf,$' "$copy/debian/control" ||
        ! head -n 1 "$copy/debian/changelog" | grep -qF "($local_version)"; then
        say "the varied debian/ did not take"
        return 1
    fi
    (cd "$dir" && logged dpkg-source.log dpkg-source -b "gemwell-$upstream")
    local varied_dsc=$dir/gemwell_$local_version.dsc
    mkdir -p "$dir/build"
    (cd "$dir/build" && logged sbuild.log sbuild --chroot-mode=unshare \
        --chroot="$work/unstable.tar.zst" --dist=unstable --arch-any --no-arch-all \
        --no-run-piuparts --no-run-autopkgtest --no-run-lintian --no-apt-upgrade \
        --no-apt-distupgrade --nolog "$varied_dsc")
    grep -q '^Status: successful' "$dir/build/sbuild.log" || { say "sbuild did not succeed"; return 1; }
    grep -E '^[0-9]+% tests passed' "$dir/build/sbuild.log"
    say "built $(basename "$varied_dsc"): a team's Maintainer, Uploaders, one more Build-Depends"
}

# Built at Debian's i386 baseline, which has no SSE: the game must use none of its instructions.
build_i386() {
    build unstable-i386 "$work/i386" --arch=i386 --no-run-lintian
    grep -E '^[0-9]+% tests passed' "$work/i386/sbuild.log"
    check_fingerprint i386 "$work/i386/sbuild.log"
    dpkg-deb -x "$work/i386/gemwell_${version}_i386.deb" "$work/i386/root"
    "$top/tools/no-sse-check.sh" "$work/i386/root/usr/games/gemwell" ||
        { say "the i386 game uses SSE instructions, which Debian's i386 baseline lacks"; return 1; }
}

# Where the kernel runs no i386 program (no 32-bit support, no binfmt_misc for qemu), there can be
# no i386 chroot: Debian's i686 cross compiler builds the rules, the unit tests and the replay
# fingerprints at the baseline instead, and qemu-i386 runs them as a processor with no SSE.
cross_build_i386() {
    "$top/tools/install-deps.sh" i386
    "$top/tools/i386-check.sh" "$work/i386-cross"
}

# cross_check ARCH: a fresh unstable chroot with ARCH as a foreign architecture, in which
# tools/cross-check-inside.sh cross-builds the package and runs the unit tests under qemu-user.
cross_check() {
    local arch=$1 out=$work/cross-$1 status=0
    mkdir -p "$out/build"
    mmdebstrap --variant=buildd --aptopt='Acquire::Check-Valid-Until "false"' \
        --architectures="$arch_native,$arch" \
        --include="crossbuild-essential-$arch,qemu-user,cmake,debhelper" \
        --customize-hook="mkdir \"\$1/build\"" \
        --customize-hook="copy-in $work/gemwell-$upstream /build" \
        --customize-hook="chroot \"\$1\" sh /build/gemwell-$upstream/tools/cross-check-inside.sh $arch || touch \"\$1/build/failed\"" \
        --customize-hook="sync-out /build $out/build" \
        unstable /dev/null "$mirror" >"$out/mmdebstrap.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || [ -e "$out/build/failed" ]; then
        local log
        for log in "$out/mmdebstrap.log" "$out"/build/*.log; do
            [ -s "$log" ] && { say "--- $log"; tail -n 30 "$log"; }
        done
        say "the $arch cross build or its unit tests failed"
        return 1
    fi
    ls "$out/build/"gemwell_*_"$arch".deb
    grep -E '^[0-9]+% tests passed' "$out/build/unit-tests.log"
    check_fingerprint "$arch (qemu-user)" "$out/build/unit-tests.log"
}

# piuparts reads only gzip tarballs, so it gets the same chroot unpacked. Unstable's debconf
# leaves a scratch folder of its own behind, which Debian 12's piuparts does not know to ignore.
install_remove_purge() {
    mkdir "$work/unstable-root"
    tar --zstd -xf "$work/unstable.tar.zst" -C "$work/unstable-root"
    logged "$work/piuparts.log" piuparts --existing-chroot="$work/unstable-root" --hard-link \
        --distribution=unstable --mirror="$mirror main" --no-check-valid-until --no-upgrade-test \
        --ignore=/var/cache/debconf/tmp.ci/ "$work/unstable/$deb"
    rm -rf --one-file-system "$work/unstable-root"
    grep -E 'PASS|FAIL' "$work/piuparts.log" | tail -n 3
}

rm -rf --one-file-system "$work"
mkdir -p "$work"
git -C "$top" show HEAD:debian/changelog >"$work/changelog"
version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
upstream=${version%-*}
dsc=$work/gemwell_$version.dsc
deb=gemwell_${version}_$arch.deb
debs="$deb gemwell-dbgsym_${version}_$arch.deb"
expected_fingerprint=$(git -C "$top" show HEAD:tests/replay_fingerprint.txt)
expected_arcade_fingerprint=$(git -C "$top" show HEAD:tests/replay_fingerprint_arcade.txt)
say "in $work, chroots from $mirror"
stage "subordinate ids for the unshare modes" subordinate_ids
stage "upstream tarball and source package" source_package
stage "unstable: chroot tarball (mmdebstrap)" chroot_tarball unstable
stage "unstable: build with the unit tests, lintian --pedantic on source and binary" build_unstable
stage "unstable: blhc on the build log" hardening_flags
stage "unstable: nocheck build, varied, for the same bytes" build_varied
stage "unstable: autopkgtest in a clean testbed" installed_tests autopkgtest
stage "unstable: autopkgtest again, beside a busy loop on every core" installed_tests_loaded
stage "unstable: piuparts install, remove, purge" install_remove_purge
stage "Debian 13: chroot tarball (mmdebstrap)" chroot_tarball trixie
stage "Debian 13: build with the unit tests" build_trixie
stage "unstable: a team's, a derivative's debian/, built with the unit tests" build_any_maintainer
if arch-test i386 >/dev/null 2>&1; then
    stage "i386: chroot tarball (mmdebstrap)" chroot_tarball unstable-i386 --architectures=i386
    stage "i386: build with the unit tests and the replay fingerprint, and no SSE" build_i386
else
    say "this kernel runs no i386 program (arch-test i386), so there is no i386 chroot here"
    stage "i386: cross build at the baseline, its unit tests and fingerprints under qemu-i386, no SSE" \
        cross_build_i386
fi
stage "arm64: cross build, and the unit tests under qemu-user" cross_check arm64

print_stage_times
