#!/usr/bin/env bash
# Makes the release: package.sh [OUT]   (OUT defaults to build/release)
#
# Builds both exes in clean build folders of their own (OUT/mingw32 and
# OUT/mingw64, warnings as errors, no tests), packs each with CPack into
# brevand-<version>-win32.zip and brevand-<version>-win64.zip, checks what each
# zip holds (the exe, README.txt and LICENSE.txt), and puts the zips into OUT
# with SHA256SUMS, their SHA-256 list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/release}")
"$root/scripts/setup.sh"

# OUT is emptied first; only a folder this script made, or an empty one.
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ] && [ ! -f "$out/.brevand-release" ]; then
    echo "$0: $out is not a release folder of ours; name another" >&2
    exit 2
fi
rm -rf "$out"
mkdir -p "$out"
touch "$out/.brevand-release"

cd "$root"   # cmake reads the presets here
for preset in mingw32 mingw64; do
    build="$out/$preset"
    cmake --preset "$preset" -B "$build" -DBREVAND_TESTS=OFF -DBREVAND_WERROR=ON >/dev/null
    cmake --build "$build" -j2 >/dev/null
    (cd "$build" && cpack >/dev/null)
    zip=$(cd "$build" && echo brevand-*-win*.zip)
    top=${zip%.zip}

    # Exactly brevand.exe, LICENSE.txt and README.txt, the texts with CR LF
    # line ends only, and the licence word for word the one at the root.
    names=$(unzip -Z1 "$build/$zip" | sort | tr '\n' ' ')
    if [ "$names" != "$top/LICENSE.txt $top/README.txt $top/brevand.exe " ]; then
        echo "$0: $zip holds: $names" >&2
        exit 1
    fi
    for text in README LICENSE; do
        unzip -p "$build/$zip" "$top/$text.txt" >"$build/$text.unzipped"
        if [ "$(tr -cd '\n' <"$build/$text.unzipped" | wc -c)" != "$(grep -c $'\r$' "$build/$text.unzipped")" ]; then
            echo "$0: $top/$text.txt has a line end without CR" >&2
            exit 1
        fi
    done
    if ! tr -d '\r' <"$build/LICENSE.unzipped" | cmp -s - "$root/LICENSE"; then
        echo "$0: $top/LICENSE.txt is not the text of LICENSE" >&2
        exit 1
    fi
    cp "$build/$zip" "$out/"
    cat "$build/$zip.sha256" >>"$out/SHA256SUMS"
done
cat "$out/SHA256SUMS"
