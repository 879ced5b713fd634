#!/usr/bin/env bash
# Screenshots of every tab at 1366 × 768 under a real window manager, in Chinese and English, with
# the program on its simulated recorder: OUTDIR/zh-1.png … OUTDIR/en-N.png.
# Usage: scripts/screenshots.sh [OUTDIR] [BUILDDIR]   (needs: xvfb openbox xdotool imagemagick x11-utils)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
build=$(realpath "${2:-build}")
mkdir -p "$out"
display=:77
home=$(mktemp -d)
cleanup() { kill ${app:-} ${wm:-} ${x:-} 2>/dev/null || true; rm -rf "$home"; }
trap cleanup EXIT

Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp &
x=$!
export DISPLAY=$display
until xdpyinfo >/dev/null 2>&1; do sleep 0.1; done
openbox &
wm=$!
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do sleep 0.1; done

for lang in zh en; do
    tab=1
    while :; do
        HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=xcb "$build/wl8806n" --demo --lang "$lang" --tab "$tab" \
            2>"$home/stderr" &
        app=$!
        if ! win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$app" | head -1); then
            wait "$app" && status=0 || status=$?
            [ "$status" = 64 ] && break   # past the last tab
            cat "$home/stderr" >&2; exit 1
        fi
        sleep 2   # the window settles (first paint, the demo's first exchanges)
        import -window root "$out/$lang-$tab.png"
        kill "$app"; wait "$app" 2>/dev/null || true
        tab=$((tab + 1))
    done
done
echo "screenshots in $out"
