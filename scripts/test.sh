#!/usr/bin/env bash
# Builds everything and runs every test: host unit tests under AddressSanitizer
# and UBSan, the fuzzers for a bounded time, both Windows builds without a
# warning, the end-to-end tests of the real exe under Wine, a benchmark smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/scripts/setup.sh"

step() { printf '\n==== %s\n' "$*"; }
# Counts what each runner reports, for the closing line.
log=$(mktemp /tmp/brevand-test.XXXXXX)
trap 'rm -f "$log"' EXIT
passed=0
counted() {
    "$@" 2>&1 | tee "$log"
    local n
    n=$(grep -oE '(tests failed out of|^Ran) [0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1)
    passed=$((passed + ${n:-0}))
}
# UDP port 514 is one per machine: whatever binds it takes this lock.
lock() { flock /tmp/port514.lock "$@"; }
fuzz_seconds=${BREVAND_FUZZ_SECONDS:-30}

step "host build and unit tests"
cmake --preset host -DBREVAND_WERROR=ON >/dev/null
cmake --build --preset host
counted lock ctest --preset host

step "fuzzers (${fuzz_seconds} s each)"
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DBREVAND_FUZZ=ON -DBREVAND_TESTS=OFF -DBREVAND_WERROR=ON \
    "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" >/dev/null
cmake --build build/fuzz -j2
for target in datagram settings; do
    corpus=$(mktemp -d /tmp/brevand-corpus.XXXXXX)
    cp "$root/tests/fuzz/corpus/$target/"* "$corpus/"
    ( cd "$corpus" && "$root/build/fuzz/tests/fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" \
        -max_len=700 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 "$corpus" 2>&1 \
        | grep -E "^(Done|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)" )
    rm -rf "$corpus" /tmp/brevand-fuzz-*
done

step "Windows builds: i686 (shipped) and x86_64"
cmake --preset mingw32 -DBREVAND_WERROR=ON >/dev/null
cmake --build --preset mingw32
cmake --preset mingw64 -DBREVAND_WERROR=ON >/dev/null
cmake --build --preset mingw64

if [ -x build/mingw64/brevand.exe ] && [ -f tests/e2e/CMakeLists.txt ]; then
    step "end-to-end tests under Wine"
    counted "$root/scripts/e2e.sh" "$root/build/mingw64"
fi

if [ -x bench/run.sh ]; then
    step "benchmark checker tests and smoke run"
    counted python3 bench/test_check.py
    bench/run.sh --quick --exe "$root/build/mingw64/brevand.exe" --exe32 "$root/build/mingw32/brevand.exe"
fi

step "done"
echo "${passed} passed, 0 failed"
