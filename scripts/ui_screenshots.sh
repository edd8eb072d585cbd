#!/usr/bin/env bash
# Pictures of the program as a user first meets it, on a 1280 x 800 screen with
# Wine's own window frames: the sub-folder question of a dropped folder, the main
# window with pictures listed, and the settings panel cut out of it at twice its
# size (to judge the Chinese glyphs). Needs a built tree.
#   scripts/ui_screenshots.sh OUTDIR [NAME-SUFFIX]
# writes OUTDIR/question<suffix>.png, main_window<suffix>.png, settings_panel<suffix>.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
OUT="$(realpath -m "$1")"
SUFFIX="${2:-}"
SIZE="${SHOT_SIZE:-1280x800}"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
# A folder with a sub-folder (the question) and a few photos.
mkdir -p "$WORK/相册/二〇二四 春"
i=0
for f in "$ROOT"/../shared/samples/photos/*.jpg; do
    i=$((i + 1))
    [ $i -le 4 ] && cp "$f" "$WORK/相册/"
    [ $i -gt 4 ] && [ $i -le 6 ] && cp "$f" "$WORK/相册/二〇二四 春/"
done
"$BUILD/winerun" --prefix
shoot() {  # shoot OUT.png WAIT-SECONDS PROGRAM-ARGS...
    local png="$1" wait="$2"
    shift 2
    xvfb-run -a -s "-screen 0 ${SIZE}x24" bash -c '
        "$0/winerun" explorer /desktop=shot,'"$SIZE"' "$0/velmora.exe.so" "${@:3}" >/dev/null 2>&1 &
        sleep "$2"
        /usr/bin/import -window root "$1"
        "$0/winerun" --shutdown
    ' "$BUILD" "$png" "$wait" "$@"
}
shoot "$OUT/question$SUFFIX.png" "${SHOT_WAIT:-8}" "$WORK/相册"
shoot "$OUT/main_window$SUFFIX.png" "${SHOT_WAIT:-8}" "$WORK/相册"/*.jpg
# The panel sits at the right edge under the toolbar.
/usr/bin/convert "$OUT/main_window$SUFFIX.png" -gravity NorthEast -crop 300x720+0+40 +repage \
    -filter point -resize 200% "$OUT/settings_panel$SUFFIX.png"
echo "$OUT/question$SUFFIX.png $OUT/main_window$SUFFIX.png $OUT/settings_panel$SUFFIX.png"
