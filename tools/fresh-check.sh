#!/usr/bin/env bash
# make fresh-check: the README's promise tried as a new user would. A fresh minimal Debian root
# gets only make and the committed tree, and runs `make test` in a clean environment; a second
# fresh root installs the package that run built with apt alone, and the game it installs is
# started against a private Xvfb and quit with "q".
#
# Each root is entered in mount and PID namespaces of its own, so its mounts and every process
# started in it end with the namespace, whatever way the check ends.
# Usage: tools/fresh-check.sh PLAY_CHECK_BINARY    (make fresh-check passes it)
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
play_check=${1:?usage: $0 PLAY_CHECK_BINARY}
work=${FRESH_CHECK_DIR:-$top/build-fresh}
suite=bookworm
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

stage_names=()
stage_seconds=()
stage() {
    local name=$1
    shift
    say "$name"
    local start=$SECONDS
    "$@" &
    running=$!
    wait "$running"
    running=
    stage_names+=("$name")
    stage_seconds+=($((SECONDS - start)))
    say "$name: done in $((SECONDS - start)) s"
}

# The host's own Debian archives for this release (and its updates and security suites).
host_sources() {
    apt-get indextargets --format '$(SITE) $(CODENAME) $(COMPONENT) $(LABEL)' \
        'Identifier: Packages' 2>/dev/null |
        awk -v suite="$suite" 'index($2, suite) == 1 && $4 ~ /^Debian/ {print "deb " $1 " " $2 " " $3}' |
        sort -u
}
mirror=$(host_sources | awk -v suite="$suite" '$3 == suite {print $2; exit}')
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian

bootstrap() {
    debootstrap --variant=minbase "$suite" "$work/base" "$mirror" > "$work/debootstrap.log" 2>&1 ||
        { tail -n 20 "$work/debootstrap.log"; return 1; }
    host_sources > "$work/base/etc/apt/sources.list"
    for conf in /etc/apt/apt.conf.d/*; do
        if [ -f "$conf" ] && grep -q '^Acquire::' "$conf"; then
            cp "$conf" "$work/base/etc/apt/apt.conf.d/"
        fi
    done
    cp -L /etc/resolv.conf "$work/base/etc/resolv.conf"
}

# A root of its own for each use, copied from the one bootstrapped.
fresh_root() {
    cp -a "$work/base" "$1"
}

install_make() {
    fresh_root "$work/test-root"
    in_root "$work/test-root" /usr/bin/env -i PATH=$clean_path DEBIAN_FRONTEND=noninteractive \
        sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends make' \
        > "$work/install-make.log" 2>&1 || { tail -n 20 "$work/install-make.log"; return 1; }
}

copy_tree() {
    mkdir -p "$work/test-root/root/gemwell"
    git -C "$top" archive --format=tar HEAD | tar -x -C "$work/test-root/root/gemwell"
    say "copied $(git -C "$top" rev-parse --short HEAD): $(git -C "$top" ls-tree -r --name-only HEAD | wc -l) files"
}

run_make_test() {
    set +e
    in_root "$work/test-root" /usr/bin/env -i HOME=/root PATH=$clean_path \
        make -C /root/gemwell test 2>&1 | tee "$work/make-test.log" |
        grep --line-buffered -E '^gemwell: installing|tests passed|tests failed|^fuzz:|Error [0-9]'
    local status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 0 ] || { tail -n 40 "$work/make-test.log"; return 1; }
}

install_package() {
    local deb
    deb=$(ls "$work"/test-root/root/gemwell/build-package/gemwell_*.deb)
    fresh_root "$work/play-root"
    cp "$deb" "$work/play-root/tmp/"
    in_root "$work/play-root" /usr/bin/env -i PATH=$clean_path DEBIAN_FRONTEND=noninteractive \
        sh -c "apt-get update -qq && apt-get install -y -qq /tmp/$(basename "$deb")" \
        > "$work/install-package.log" 2>&1 || { tail -n 20 "$work/install-package.log"; return 1; }
    say "installed $(basename "$deb"): $(grep -c '^Setting up' "$work/install-package.log") packages set up, its dependencies included"
}

play_installed_game() {
    "$play_check" "$top/tools/fresh-check.sh" --in-root "$work/play-root" /usr/games/gemwell
}

rm -rf --one-file-system "$work"
mkdir -p "$work"
say "in $work, from $mirror"
stage "bootstrap a minimal Debian $suite root" bootstrap
stage "install only make in a fresh root" install_make
stage "copy the committed tree into it" copy_tree
stage "make test there, in a clean environment" run_make_test
stage "install the package it built into a second fresh root with apt" install_package
stage "start the installed game against a private Xvfb and quit it with q" play_installed_game

say "passed; the stages took:"
for i in "${!stage_names[@]}"; do
    printf '  %5d s  %s\n' "${stage_seconds[$i]}" "${stage_names[$i]}"
done
