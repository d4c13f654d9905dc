#!/bin/sh
# Makes a Wine prefix ready for Brevand's end-to-end tests: wine-prefix.sh DIR [TEMPLATE]
#
# With TEMPLATE, DIR becomes a copy of it (about a second), and TEMPLATE is
# built first when it is missing or was made by another Wine version (the
# first wineboot of a prefix takes 10 to 15 s).  Without it DIR is built
# directly.  DIR must not exist yet.
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 DIR [TEMPLATE]" >&2
    exit 2
fi
dir=$1
template=${2:-}

if [ -e "$dir" ]; then
    echo "$0: $dir already exists" >&2
    exit 2
fi

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko install prompts

# The 64-bit loader makes a 64-bit prefix, in which 32-bit programs run too;
# the plain wine launcher may be the 32-bit one, which not every machine can start.
wine=wine
for loader in /usr/lib/wine/wine64 wine64; do
    if command -v "$loader" >/dev/null 2>&1; then
        wine=$loader
        break
    fi
done
wine_version=$("$wine" --version 2>/dev/null)

build_prefix() {
    target=$1
    mkdir -p "$(dirname "$target")"
    if [ -z "${DISPLAY:-}" ]; then
        # wineboot draws a progress window; give it a display of its own.
        run="xvfb-run -a"
    else
        run=""
    fi
    # A first boot now and then fails for reasons of Wine's own: try twice.
    for attempt in 1 2; do
        rm -rf "$target"
        WINEPREFIX=$target $run sh -c '
            wine=$0
            $wine wineboot -i >/dev/null 2>&1
            # Without a theme an edit control redraws its scroll bars in
            # microseconds instead of about 40 ms.
            $wine reg add "HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager" \
                /v ThemeActive /d 0 /f >/dev/null 2>&1
            # Without a window manager, managed windows make Wine wait 2 s
            # whenever a message box closes.
            $wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
            wineserver -w' "$wine"
        grep -q ThemeActive "$target/user.reg" 2>/dev/null && break
        if [ "$attempt" = 2 ]; then
            echo "$0: building the prefix in $target failed" >&2
            exit 1
        fi
    done
    echo "$wine_version" > "$target/.brevand-e2e-stamp"
}

if [ -z "$template" ]; then
    build_prefix "$dir"
    exit 0
fi

if [ "$(cat "$template/.brevand-e2e-stamp" 2>/dev/null)" != "$wine_version" ]; then
    rm -rf "$template"
    build_prefix "$template"
fi
cp -a "$template" "$dir"
