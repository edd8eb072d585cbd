#!/usr/bin/env bash
# Thumbnail throughput: the program's own rendering (makeThumbnail, through the
# disabled ThumbnailBench test of unit_tests) against ImageMagick's plain
# "convert -thumbnail 96x96" on the same photos, in one run.
#   bench/thumbnail_bench.sh [build folder] [picture count, default 204]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COUNT="${2:-204}"
PHOTOS="$ROOT/../shared/samples/photos"
CONVERT=convert-im6.q16
MOGRIFY=mogrify-im6.q16

make -C "$BUILD" -j2 unit_tests >/dev/null
"$BUILD/winerun" --init >/dev/null 2>&1 || true

mapfile -t files < <(ls "$PHOTOS"/*.jpg | sort)
list=()
for ((i = 0; i < COUNT; i++)); do list+=("${files[i % ${#files[@]}]}"); done

out=$(THUMB_BENCH_COUNT=$COUNT "$BUILD/winerun" "$BUILD/unit_tests.exe.so" \
      --gtest_also_run_disabled_tests --gtest_filter='ThumbnailBench.*' | grep '^BENCH')
echo "$out"
ours=$(sed -n 's/.*per_second=\([0-9.]*\).*/\1/p' <<<"$out")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
start=$(date +%s.%N)
for ((i = 0; i < COUNT; i++)); do
    "$CONVERT" "${list[i]}" -thumbnail 96x96 "$scratch/t$i.png"
done
end=$(date +%s.%N)
theirs=$(echo "$COUNT / ($end - $start)" | bc -l)

# The same command in one process, so that start-up costs do not count.
mkdir "$scratch/m"
start=$(date +%s.%N)
"$MOGRIFY" -path "$scratch/m" -format png -thumbnail 96x96 "${list[@]}"
end=$(date +%s.%N)
batched=$(echo "$COUNT / ($end - $start)" | bc -l)

printf 'pictures: %d (%d photos of %s, repeated)\n' "$COUNT" "${#files[@]}" "$PHOTOS"
printf 'makeThumbnail (96x96 icon)               : %8.2f pictures/s\n' "$ours"
printf '%s -thumbnail 96x96, one per file: %8.2f pictures/s  ratio %.2fx\n' "$CONVERT" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
printf '%s -thumbnail 96x96, one process : %8.2f pictures/s  ratio %.2fx\n' "$MOGRIFY" "$batched" "$(echo "$ours / $batched" | bc -l)"
