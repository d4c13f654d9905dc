#!/usr/bin/env bash
# Builds everything and runs every test: host unit tests under AddressSanitizer
# and UBSan, the fuzzers for a bounded time, both Windows builds without a
# warning, the end-to-end tests of each exe under Wine of its bitness, the
# release made twice and compared, a benchmark smoke run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/scripts/setup.sh"

step() { printf '\n==== %s\n' "$*"; }
# Counts what each runner reports, for the closing line: an end-to-end run's
# own "e2e ARCH: N passed, N failed" line (none when it was skipped), else
# ctest's or unittest's totals.  A failed runner does not stop the others.
log=$(mktemp /tmp/brevand-test.XXXXXX)
trap 'rm -f "$log"' EXIT
passed=0
failed=0
counted() {
    local rc=0 line n=0 f=0
    "$@" 2>&1 | tee "$log" || rc=$?
    if line=$(grep -E '^e2e [^ ]+: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1); then
        read -r n f < <(echo "$line" | sed -E 's/^e2e [^ ]+: ([0-9]+) passed, ([0-9]+) failed.*/\1 \2/')
    elif grep -qE '^e2e [^ ]+: skipped' "$log"; then
        :
    elif line=$(grep -E 'tests failed out of [0-9]+' "$log" | tail -n 1); then
        read -r f n < <(echo "$line" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/')
        n=$((n - f))
    elif line=$(grep -E '^Ran [0-9]+ test' "$log" | tail -n 1); then
        n=$(echo "$line" | grep -oE '[0-9]+' | head -n 1)
        f=$(awk '/^FAILED \(/ { while (match($0, /[0-9]+/)) { s += substr($0, RSTART, RLENGTH)
                 $0 = substr($0, RSTART + RLENGTH) } } END { print s + 0 }' "$log")
        n=$((n - f))
    fi
    [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
    passed=$((passed + n))
    failed=$((failed + f))
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
    step "end-to-end tests: the x86_64 exe under 64-bit Wine"
    counted "$root/scripts/e2e.sh" "$root/build/mingw64"
    step "end-to-end tests: the i686 exe, the shipped one, under 32-bit Wine"
    counted "$root/scripts/e2e.sh" "$root/build/mingw32"
fi

# The release, made twice from scratch in folders of its own, the second time
# from a copy of the source at another path: the exes, their debug files and
# the zips must come out byte for byte the same, and each zip hold the licence.
reproducible() {
    local a="$root/build/release" b="$root/build/release-again" copy="$root/build/source-copy/brevand"
    local files="mingw32/brevand.exe mingw64/brevand.exe mingw32/brevand.debug mingw64/brevand.debug"
    local epoch
    epoch=$(git -C "$root" log -1 --format=%ct)
    rm -rf "$root/build/source-copy"
    mkdir -p "$copy"
    (cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$copy") || return 1
    SOURCE_DATE_EPOCH=$epoch "$root/scripts/package.sh" "$a" >/dev/null &&
        SOURCE_DATE_EPOCH=$epoch "$copy/scripts/package.sh" "$b" >/dev/null || return 1
    (cd "$a" && sha256sum $files brevand-*.zip) >"$log.a"
    (cd "$b" && sha256sum $files brevand-*.zip) >"$log.b"
    cat "$log.a"
    if ! diff "$log.a" "$log.b"; then
        echo "release: two builds of the same source differ"
        return 1
    fi
    # What an operator unzips: the exe, its README.txt and the licence.
    local zip
    for zip in "$a"/brevand-*.zip; do
        unzip -l "$zip"
        if ! unzip -Z1 "$zip" | grep -qx "$(basename "$zip" .zip)/LICENSE.txt"; then
            echo "release: $zip holds no LICENSE.txt"
            return 1
        fi
    done
    echo "release: both builds gave the same bytes; $a holds the zips and SHA256SUMS"
}
step "release: made twice in clean build folders and compared"
if reproducible; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
rm -f "$log.a" "$log.b"

if [ -x bench/run.sh ]; then
    step "benchmark checker tests and smoke run"
    counted python3 bench/test_check.py
    bench/run.sh --quick --exe "$root/build/mingw64/brevand.exe" --exe32 "$root/build/mingw32/brevand.exe"
fi

step "done"
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
