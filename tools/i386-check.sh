#!/usr/bin/env bash
# The rules at Debian's i386 baseline, quickly and without a chroot: Debian's i686 cross compiler
# builds GoogleTest, the unit tests that need no window (the rules' and the app helpers') and the
# replay fingerprint (classic and arcade) as static i686 programs (-march=i686, the baseline,
# which has no SSE), at -O2 with the project's -ffp-contract=off and nothing else. qemu-i386 runs them as a Pentium II, a
# processor with no SSE at all. tools/no-sse-check.sh counts SSE instructions in our objects (not
# in the static C library, which picks its SSE routines only where the processor has them).
# Usage: tools/i386-check.sh [BUILD_DIR] (build-i386 by default); CXXFLAGS_EXTRA adds flags.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build-i386}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cxx=i686-linux-gnu-g++
read -r -a extra <<<"${CXXFLAGS_EXTRA:-}"
flags=(-std=c++17 -O2 -march=i686 -ffp-contract=off -pthread "${extra[@]}")
run=(qemu-i386 -cpu pentium2)

gtest=$out/googletest
if [ ! -e "$gtest/lib/libgtest_main.a" ]; then
    cmake -S /usr/src/googletest -B "$gtest" -DCMAKE_CXX_COMPILER="$cxx" \
        -DCMAKE_CXX_FLAGS="-march=i686" -DBUILD_GMOCK=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$gtest" -j "$(nproc)" >/dev/null
fi

app=(src/app/{clock,float_precision,high_scores,options,out_of_memory,projection}.cpp
     src/app/{score_store,score_table}.cpp src/input/key_table.cpp)
rules=(src/game/{arcade,commands,digit_image,game,gem,gem_marks,hud_layout,hud_text}.cpp
       src/game/{match_finding,piece,random,settling}.cpp
       tools/support/{play_field,event_driver,event_stream}.cpp)
rules_tests=(tests/unit/{arcade,commands,digit_image,frame_rate,game_cycle,gem_marks,gem,hud,match}_test.cpp
             tests/unit/{piece,random,settling,soak}_test.cpp)
app_tests=(tests/unit/{clock,exit_paths,options,projection,score_table}_test.cpp)

# Objects are kept per set of flags, and rebuilt when their source or any header is newer.
objects_dir=$out/objects-$(echo "${flags[*]}" | md5sum | cut -c 1-8)
mkdir -p "$objects_dir"
newest_header=$(cd "$top" && ls -t src/*/*.h tools/support/*.h | head -n 1)

# object SOURCE: its object file's path, compiled if out of date.
object() {
    local o
    o=$objects_dir/$(echo "$1" | tr / _).o
    if [ ! "$o" -nt "$top/$1" ] || [ ! "$o" -nt "$top/$newest_header" ]; then
        (cd "$top" && "$cxx" "${flags[@]}" -Isrc -Itools/support \
            -I/usr/src/googletest/googletest/include -c "$1" -o "$o")
    fi
    echo "$o"
}
objects() {
    local source
    for source in "$@"; do object "$source"; done
}
mapfile -t game < <(objects "${app[@]}" "${rules[@]}" tools/fingerprint/replay_fingerprint.cpp)
mapfile -t app_objects < <(objects "${app[@]}")
mapfile -t rules_objects < <(objects "${rules[@]}")
mapfile -t rules_test_objects < <(objects "${rules_tests[@]}")
mapfile -t app_test_objects < <(objects "${app_tests[@]}")
fingerprint=$(object tools/fingerprint/replay_fingerprint.cpp)
gtest_libs=("$gtest/lib/libgtest_main.a" "$gtest/lib/libgtest.a")
link() {
    local name=$1
    shift
    "$cxx" "${flags[@]}" -static "$@" -o "$out/$name" 2>&1 | grep -v -e getaddrinfo -e 'in function' || true
}
link rules_tests "${app_objects[@]}" "${rules_objects[@]}" "${rules_test_objects[@]}" "${gtest_libs[@]}"
link app_helper_tests "${app_objects[@]}" "${app_test_objects[@]}" "${gtest_libs[@]}"
link replay_fingerprint "${app_objects[@]}" "${rules_objects[@]}" "$fingerprint"

status=0
"$top/tools/no-sse-check.sh" "${game[@]}" || status=1
# The death tests start their own program again, which qemu-i386 cannot: they are left out.
(cd "$out" && "${run[@]}" ./app_helper_tests --gtest_brief=1 --gtest_filter=-*DeathTest*) || status=1
(cd "$out" && "${run[@]}" ./rules_tests --gtest_brief=1 --gtest_filter=-*DeathTest*) || status=1
"${run[@]}" "$out/replay_fingerprint" --expect "$(cat "$top/tests/replay_fingerprint.txt")" || status=1
"${run[@]}" "$out/replay_fingerprint" --arcade \
    --expect "$(cat "$top/tests/replay_fingerprint_arcade.txt")" || status=1
exit "$status"
