#!/usr/bin/env bash
# make fresh-check: the README's promise tried as a new user would, on each Debian release asked
# for. A fresh minimal root of the release gets only make and the committed tree, and runs
# `make test` in a clean environment; a second fresh root installs the package that run built
# with apt alone, and the game it installs is started against a private Xvfb and quit with "q".
# Last, the package built on the first release is installed and played on each later one, as
# a player who upgrades with the game installed has it.
# With two or more releases, the last one runs `make test` from the upstream tarball (git
# archive, which leaves debian/ out) instead, and has no package of its own to install.
#
# Each root is entered in mount and PID namespaces of its own, so its mounts and every process
# started in it end with the namespace, whatever way the check ends.
# Usage: tools/fresh-check.sh PLAY_CHECK_BINARY SUITE...    (make fresh-check SUITE="..." passes them)
#        tools/fresh-check.sh --in-root ROOT COMMAND...
set -euo pipefail

# Runs a command as root inside a root directory, in mount and PID namespaces of its own. The
# root gets a /dev of its own, not the host's, so nothing run there as root can touch the host.
in_root() {
    local root=$1
    shift
    unshare --mount --pid --fork --kill-child --propagation private \
        bash -c 'set -e; root=$1; shift
                 mount -t proc proc "$root/proc"
                 mount -t sysfs -o ro sysfs "$root/sys"
                 mount -t tmpfs -o mode=0755,nosuid tmpfs "$root/dev"
                 for node in null:3 zero:5 full:7 random:8 urandom:9; do
                     mknod -m 0666 "$root/dev/${node%:*}" c 1 "${node#*:}"
                 done
                 mknod -m 0666 "$root/dev/tty" c 5 0
                 mkdir "$root/dev/pts" "$root/dev/shm"
                 mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
                 mount -t tmpfs -o mode=1777,nosuid,nodev tmpfs "$root/dev/shm"
                 ln -s pts/ptmx "$root/dev/ptmx"
                 ln -s /proc/self/fd "$root/dev/fd"
                 set +e
                 chroot "$root" "$@"; exit $?' in-root "$root" "$@"
}
# The script enters a root for the game it checks too.
if [ "${1:-}" = --in-root ]; then
    shift
    in_root "$@"
    exit
fi

top=$(cd "$(dirname "$0")/.." && pwd)
play_check=${1:?usage: $0 PLAY_CHECK_BINARY SUITE...}
shift
suites=("$@")
[ ${#suites[@]} -gt 0 ] || { echo "usage: $0 PLAY_CHECK_BINARY SUITE..." >&2; exit 2; }
work=${FRESH_CHECK_DIR:-$top/build-fresh}
clean_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

say() { printf 'fresh-check: %s\n' "$*"; }

# Each stage runs in a process group of its own, so that an interruption can end all of it; its
# root's namespaces then end too. Nothing of the roots is mounted outside those namespaces, so
# removing the roots is safe at any time.
set -m
running=
cleanup() {
    local status=$?
    if [ -n "$running" ]; then
        kill -TERM -- "-$running" 2>/dev/null || true
        wait "$running" 2>/dev/null || true
    fi
    if [ -z "${FRESH_CHECK_KEEP:-}" ]; then
        rm -rf --one-file-system "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

. "$top/tools/stages.sh"

# The host's own Debian archive and security archive; the roots are fetched from the same places.
mirror=$(host_site Debian)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
security=$(host_site Debian-Security)
[ -n "$security" ] || security=http://deb.debian.org/debian-security

# The host's own apt settings for reaching the archives, without those that relax the checks of
# a Release file's dates: a root gets those only where its release needs them (see bootstrap).
# Files that a package installed are left out: the root's own package of another release would
# find them changed and stop at a question no one answers.
copy_apt_settings() {
    local conf kept
    for conf in /etc/apt/apt.conf.d/*; do
        if [ -f "$conf" ] && grep -q '^Acquire::' "$conf" && ! dpkg -S "$conf" >/dev/null 2>&1; then
            kept=$(grep -v -E 'Check-(Valid-Until|Date)' "$conf" || true)
            if [ -n "$kept" ]; then
                printf '%s\n' "$kept" > "$1/etc/apt/apt.conf.d/$(basename "$conf")"
            fi
        fi
    done
}

# A release debootstrap has no script for yet (the next testing) is bootstrapped as unstable.
bootstrap() {
    local suite=$1 base=$work/$1/base script=/usr/share/debootstrap/scripts/$1
    [ -e "$script" ] || script=/usr/share/debootstrap/scripts/sid
    debootstrap --variant=minbase "$suite" "$base" "$mirror" "$script" \
        > "$work/$suite/debootstrap.log" 2>&1 ||
        { tail -n 20 "$work/$suite/debootstrap.log"; return 1; }
    copy_apt_settings "$base"
    cp -L /etc/resolv.conf "$base/etc/resolv.conf"
    # A stable release has updates and security archives; testing and unstable have neither,
    # and the snapshot of them that these archives serve is past its Release file's Valid-Until.
    local kind
    kind=$(sed -n 's/^Suite: //p' "$base"/var/lib/apt/lists/*_dists_"${suite}"_*Release | head -n 1)
    case $kind in
        testing | unstable)
            echo "deb $mirror $suite main" > "$base/etc/apt/sources.list"
            echo 'Acquire::Check-Valid-Until "false";' > "$base/etc/apt/apt.conf.d/99gemwell-valid-until"
            say "$suite is $kind: its root accepts Release files past their Valid-Until date"
            ;;
        *)
            printf 'deb %s %s main\ndeb %s %s-updates main\ndeb %s %s-security main\n' \
                "$mirror" "$suite" "$mirror" "$suite" "$security" "$suite" > "$base/etc/apt/sources.list"
            ;;
    esac
}

# A root of its own for each use, copied from the release's bootstrapped one.
fresh_root() {
    rm -rf --one-file-system "$2"
    cp -a "$work/$1/base" "$2"
}

install_make() {
    local root=$work/$1/test-root
    fresh_root "$1" "$root"
    in_root "$root" /usr/bin/env -i PATH=$clean_path DEBIAN_FRONTEND=noninteractive \
        sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends make' \
        > "$work/$1/install-make.log" 2>&1 || { tail -n 20 "$work/$1/install-make.log"; return 1; }
}

copy_tree() {
    mkdir -p "$work/$1/test-root/root/gemwell"
    git -C "$top" archive --format=tar HEAD | tar -x -C "$work/$1/test-root/root/gemwell"
    if [ "$1" = "$tarball_suite" ]; then
        say "copied the upstream tarball of $(git -C "$top" rev-parse --short HEAD), with no debian/"
        return
    fi
    # The upstream archive leaves the packaging out (export-ignore); make package needs it.
    git -C "$top" archive --format=tar --prefix=debian/ HEAD:debian |
        tar -x -C "$work/$1/test-root/root/gemwell"
    say "copied $(git -C "$top" rev-parse --short HEAD): $(git -C "$top" ls-tree -r --name-only HEAD | wc -l) files"
}

run_make_test() {
    set +e
    in_root "$work/$1/test-root" /usr/bin/env -i HOME=/root PATH=$clean_path \
        make -C /root/gemwell test 2>&1 | tee "$work/$1/make-test.log" |
        grep --line-buffered -E '^gemwell: installing|tests passed|tests failed|^fuzz:|Error [0-9]'
    local status=${PIPESTATUS[0]}
    set -e
    if [ "$status" -ne 0 ]; then
        # The failed tests' own reports (unittest's and GoogleTest's), then how make ended: the
        # root and its log go with the check.
        grep -E -A 40 '^([0-9]+: )?(ERROR|FAIL): ' "$work/$1/make-test.log" | head -n 300 || true
        grep -E -B 30 '^([0-9]+: )?\[  FAILED  \] [A-Za-z]' "$work/$1/make-test.log" | head -n 200 || true
        tail -n 40 "$work/$1/make-test.log"
        return 1
    fi
    if [ "$1" = "$tarball_suite" ]; then
        # From the tarball, the package's checks say once that they are skipped, and why.
        grep -x "make test: the Debian package's checks .* are skipped: .*" "$work/$1/make-test.log"
        [ "$(grep -c 'are skipped: there is no debian/' "$work/$1/make-test.log")" -eq 1 ] ||
            { say "make test from the tarball did not say once that the package's checks are skipped"; return 1; }
        rm -rf --one-file-system "$work/$1/test-root"
        return
    fi
    # Keep the package; the rest of the test root is no longer needed.
    cp "$work/$1"/test-root/root/gemwell/build-package/gemwell_*.deb "$work/$1/"
    rm -rf --one-file-system "$work/$1/test-root"
}

# Installs the package built on release $1 into a fresh root of release $2 with apt alone.
install_package() {
    local deb root=$work/$2/play-root
    deb=$(ls "$work/$1"/gemwell_*.deb)
    fresh_root "$2" "$root"
    cp "$deb" "$root/tmp/"
    in_root "$root" /usr/bin/env -i PATH=$clean_path DEBIAN_FRONTEND=noninteractive \
        sh -c "apt-get update -qq && apt-get install -y -qq /tmp/$(basename "$deb")" \
        > "$work/$2/install-package.log" 2>&1 || { tail -n 20 "$work/$2/install-package.log"; return 1; }
    say "installed $(basename "$deb") from $1 on $2: $(grep -c '^Setting up' "$work/$2/install-package.log") packages set up, its dependencies included"
}

play_installed_game() {
    "$play_check" "$top/tools/fresh-check.sh" --in-root "$work/$1/play-root" /usr/games/gemwell
    rm -rf --one-file-system "$work/$1/play-root"
}

# The upstream tarball must pass make test too. To bound the time, the last release asked for
# (when there are two or more) makes test from the tarball, with no debian/, and the others from
# the committed tree with debian/; the first release's package is the one played on the others.
tarball_suite=
[ ${#suites[@]} -lt 2 ] || tarball_suite=${suites[-1]}

rm -rf --one-file-system "$work"
mkdir -p "$work"
say "in $work, from $mirror and $security: ${suites[*]}"
for suite in "${suites[@]}"; do
    mkdir -p "$work/$suite"
    stage "$suite: bootstrap a minimal root" bootstrap "$suite"
    stage "$suite: install only make in a fresh root" install_make "$suite"
    stage "$suite: copy the committed tree$([ "$suite" != "$tarball_suite" ] || echo "'s upstream tarball") into it" copy_tree "$suite"
    stage "$suite: make test there, in a clean environment" run_make_test "$suite"
    [ "$suite" = "$tarball_suite" ] && continue
    stage "$suite: install the package it built into a second fresh root with apt" \
        install_package "$suite" "$suite"
    stage "$suite: start the installed game against a private Xvfb and quit it with q" \
        play_installed_game "$suite"
done
first=${suites[0]}
for suite in "${suites[@]:1}"; do
    stage "$first to $suite: install the $first package into a fresh $suite root with apt" \
        install_package "$first" "$suite"
    stage "$first to $suite: start it against a private Xvfb and quit it with q" \
        play_installed_game "$suite"
done

print_stage_times
