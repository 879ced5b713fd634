#!/usr/bin/env bash
# Screenshots of every tab at 1366 × 768 under a real window manager, in Chinese and English, with
# the program on its simulated recorder: OUTDIR/zh-1.png … OUTDIR/en-N.png. The archive holds the
# simulated recorder's records, downloaded by the collector, under twenty named sensors with limits,
# so the history tab shows a full chart; the collector's report of today is OUTDIR/zh-report-1.png …
# (one picture a page).
# Usage: scripts/screenshots.sh [OUTDIR] [BUILDDIR]
#        (needs: xvfb openbox xdotool imagemagick x11-utils poppler-utils)
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

# Twenty sensors named as a store names them, with limits of a cold room, a freezer and a warm store.
appdir="$home/app"
mkdir -p "$appdir"
names=(冷库一号北墙上层 冷库一号北墙下层 冷库一号南墙上层 冷库一号南墙下层 二号常温库西墙货架上层 二号常温库西墙货架下层
       二号常温库东墙货架上层 二号常温库东墙货架下层 药品阴凉库门口 药品阴凉库中部 药品阴凉库里侧 档案室一 档案室二
       温室东 温室西 走廊 机房 办公室 库外 备用探头)
for i in "${!names[@]}"; do
    case $((i % 3)) in 0) limits=$'2.0\t8.0' ;; 1) limits=$'-25.0\t-18.0' ;; *) limits=$'15.0\t30.0' ;; esac
    printf 'COM4-1\t%d\t%s\t℃\t%s\n' $((i + 1)) "${names[$i]}" "$limits"
done >"$appdir/sensors.set"
today=$(date +%F)

for lang in zh en; do
    locale=C.UTF-8; [ "$lang" = en ] && locale=en_US.UTF-8
    rm -f "$appdir/archive.db"
    HOME="$home" XDG_RUNTIME_DIR="$home" LC_ALL="$locale" "$build/wl8806n-collect" --demo --appdir "$appdir" --port 4 \
        --report "$today..$today" --pdf "$home/report.pdf" >"$home/collect.log" 2>&1 || { cat "$home/collect.log" >&2; exit 1; }
    pdftoppm -r 80 -png "$home/report.pdf" "$out/$lang-report"
    tab=1
    while :; do
        HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=xcb "$build/wl8806n" --demo --appdir "$appdir" --lang "$lang" --tab "$tab" \
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
