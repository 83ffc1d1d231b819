#!/usr/bin/env bash
# make test-under-load: runs a command (make test unless told otherwise) while the machine is
# kept busy the way a build keeps it busy: a clean build of the project looping in a copy of the
# committed tree, and stress-ng's CPU, disk (hdd, io) and memory (vm) workers, all at normal
# priority. Everything it started is stopped at the end, whatever happens. Then it prints the
# command's time and status, the builds done meanwhile, the load averages seen and stress-ng's
# figures, and exits with the command's status.
# Usage: tools/test-under-load.sh [COMMAND...]   (make test by default)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build-load
[ $# -gt 0 ] || set -- make --no-print-directory test
rm -rf "$work" && mkdir -p "$work/tree" "$work/stress" || exit 1
git -C "$root" archive HEAD | tar -x -C "$work/tree" || exit 1

started=()
stop_all() {
    for pid in "${started[@]}"; do
        kill -TERM -- "-$pid" 2>/dev/null
    done
    for pid in "${started[@]}"; do
        for _ in $(seq 50); do
            kill -0 -- "-$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL -- "-$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    started=()
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# Each load in a process group of its own (setsid), so that stopping it stops all it started.
# The build: configure and build the dev preset from nothing, again and again, each build's
# time in builds.log.
setsid bash -c '
    cd "$1" || exit 1
    while :; do
        rm -rf build-dev
        start=$(date +%s)
        if cmake --preset dev >/dev/null 2>&1 && cmake --build --preset dev -j "$(nproc)" >/dev/null 2>&1; then
            echo "$(( $(date +%s) - start )) s" >> ../builds.log
        else
            echo "failed after $(( $(date +%s) - start )) s" >> ../builds.log
            sleep 5
        fi
    done' load-build "$work/tree" &
started+=($!)
setsid stress-ng --cpu 1 --hdd 1 --hdd-bytes 256M --io 1 --vm 1 --vm-bytes 512M \
    --temp-path "$work/stress" --metrics-brief --timeout 0 > "$work/stress.log" 2>&1 &
started+=($!)
setsid bash -c 'while :; do cut -d " " -f 1 /proc/loadavg >> "$1"; sleep 10; done' \
    load-sampler "$work/loadavg.log" &
started+=($!)

echo "test-under-load: running '$*' beside a looping clean build ($work/tree) and stress-ng"
begin=$(date +%s)
"$@"
status=$?
end=$(date +%s)
stop_all

echo
echo "test-under-load: '$*' took $((end - begin)) s and exited with status $status"
builds=$(paste -sd ',' "$work/builds.log" 2>/dev/null | sed 's/,/, /g')
echo "test-under-load: clean builds finished meanwhile: ${builds:-none}"
if [ -s "$work/loadavg.log" ]; then
    sort -n "$work/loadavg.log" | awk '{ v[NR] = $1; sum += $1 } END {
        printf "test-under-load: 1-minute load average, sampled every 10 s: min %s, median %s, max %s, mean %.2f (%d samples)\n",
            v[1], v[int((NR + 1) / 2)], v[NR], sum / NR, NR }'
fi
echo "test-under-load: stress-ng:"
grep -E "stress-ng: metrc: .*(stressor|cpu|hdd|io|vm) " "$work/stress.log" | sed 's/^/  /'
exit "$status"
