#!/usr/bin/env bash
# Pictures of the real program driven with mouse and keys in a virtual display:
# the main window with the preview open on a photo (docs/main_preview.png) and the
# picture viewer opened with "查看原图" (docs/picture_viewer.png). Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
PHOTOS="$ROOT/../shared/samples/photos"
SHOTS="$(mktemp -d)"
"$BUILD/winerun" --shutdown >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    BUILD=$0 SHOTS=$1 PHOTOS=$2
    "$BUILD/winerun" explorer /desktop=shot,1280x1024 "$BUILD/velmora.exe.so" \
        "$PHOTOS/lomiri_sunset.jpg" "$PHOTOS/mate_Storm.jpg" "$PHOTOS/lomiri_Bridge.jpg" &
    sleep 12
    # The window is centred; find its first list item from the window position.
    W=$(xdotool search --name "Velmora" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$W")"
    # Double click on the first picture opens the preview.
    xdotool mousemove $((X + 74)) $((Y + 130)) click 1 sleep 0.3 click --repeat 2 --delay 80 1
    sleep 6
    # "图片缩小" to 750 pixels wide: the preview follows.
    xdotool mousemove $((X + WIDTH - 258)) $((Y + 89)) click 1
    sleep 5
    xdotool mousemove $((X + 400)) $((Y + 500))
    sleep 1
    /usr/bin/import -window root "$SHOTS/preview.png"
    # Esc leaves the preview; the context menu of the second picture views it.
    xdotool mousemove $((X + 400)) $((Y + 500)) click 1 sleep 0.5 key Escape
    sleep 3
    xdotool mousemove $((X + 196)) $((Y + 130)) click 1 sleep 0.5 click 3
    sleep 1.5
    xdotool key Up sleep 0.3 key Return
    sleep 4
    /usr/bin/import -window root "$SHOTS/viewer.png"
    "$BUILD/winerun" --shutdown
' "$BUILD" "$SHOTS" "$PHOTOS"
mkdir -p "$ROOT/docs"
cp "$SHOTS/preview.png" "$ROOT/docs/main_preview.png"
cp "$SHOTS/viewer.png" "$ROOT/docs/picture_viewer.png"
rm -rf "$SHOTS"
echo "docs/main_preview.png docs/picture_viewer.png"
