#!/usr/bin/env bash
# Time from a settings change to the main preview's picture on the screen (the real
# main window under Xvfb), for a 2 MP, a 12 MP and a 24 MP photo, against
# convert-im6.q16 doing the same processing into a JPEG file. Two settings: every
# tone setting + border + quality 91 at full size, and the same after a resize to
# 1280 pixels wide. Prints both times and their ratio (preview / convert).
# Usage: bench/preview_bench.sh [build folder] [changes per photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-5}"
PHOTOS="$ROOT/../shared/samples/photos"
WORK="$(mktemp -d /tmp/velmora_preview_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

# 2 MP and 12 MP are sample photos; the 24 MP one is made from the 12 MP one.
cp "$PHOTOS/mate_Blinds.jpg" "$WORK/2mp.jpg"
cp "$PHOTOS/lomiri_sunset.jpg" "$WORK/12mp.jpg"
convert-im6.q16 "$PHOTOS/lomiri_sunset.jpg" -resize 6000x4000! -quality 92 "$WORK/24mp.jpg"
LOAD=$(cut -d' ' -f1 /proc/loadavg)
for f in 2mp 12mp 24mp; do
    echo "$f.jpg: $(identify-im6.q16 -format '%wx%h, %b' "$WORK/$f.jpg")"
done

# The same work with ImageMagick's command-line tool; the window test runs it after
# each change (same load for both) and reads the time it writes.
cat > "$WORK/convert_one.sh" <<'SCRIPT'
photo=$1; scenario=$2; result=$3
resize=""
[ "$scenario" = "resize-1280" ] && resize="-filter Lanczos -resize 1280x"
s=$(date +%s.%N)
convert-im6.q16 "$photo" $resize -brightness-contrast 20x0 -brightness-contrast 0x10 -sharpen 3x3 \
    -bordercolor black -border 3 -quality 91 "$photo.out.jpg"
e=$(date +%s.%N)
echo "$e - $s" | bc -l > "$result.part" && mv "$result.part" "$result"
SCRIPT

"$BUILD/winerun" --shutdown >/dev/null 2>&1 || true
out=$(VELMORA_BENCH_PHOTOS="$WORK/2mp.jpg;$WORK/12mp.jpg;$WORK/24mp.jpg" VELMORA_BENCH_ROUNDS="$ROUNDS" \
      VELMORA_BENCH_CONVERT="$WORK/convert_one.sh" \
      xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
          "$0/winerun" --init >/dev/null 2>&1
          "$0/winerun" "$0/window_tests.exe.so" --gtest_also_run_disabled_tests \
              --gtest_filter="MainWindowPreviewBench.DISABLED_*" 2>&1
          "$0/winerun" --shutdown >/dev/null 2>&1' "$BUILD")
lines=$(echo "$out" | grep '^preview ' || true)
if [ -z "$lines" ]; then
    echo "$out"
    exit 1
fi
echo "load average before the run: $LOAD (2 cores); medians of $ROUNDS changes, convert run right after each"
printf '%-6s %-12s %-10s %9s %9s %7s\n' photo settings shown preview convert ratio
echo "$lines" | while read -r _ name scenario shown ours theirs; do
    printf '%-6s %-12s %-10s %8.3fs %8.3fs %7.2f\n' "${name%.jpg}" "$scenario" "$shown" "$ours" "$theirs" \
        "$(echo "$ours / $theirs" | bc -l)"
done
