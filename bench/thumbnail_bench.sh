#!/usr/bin/env bash
# Thumbnail throughput: the picture list's thumbnail worker (both cores, through
# the disabled ThumbnailBench test of unit_tests) against vipsthumbnail and
# ImageMagick's "convert -thumbnail 96x96" on the same photos, in one run. Each
# peer is timed one process per file, one process for all, and two processes at
# once (both cores); ratios are against the peer's best.
#   bench/thumbnail_bench.sh [build folder] [picture count, default 204]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COUNT="${2:-204}"
PHOTOS="$ROOT/../shared/samples/photos"
CONVERT=convert-im6.q16
MOGRIFY=mogrify-im6.q16
VIPS=vipsthumbnail
# The peers: a missing one would be timed as a failing command.
"$ROOT/scripts/setup.sh" --bench
for tool in "$VIPS" "$CONVERT" "$MOGRIFY" bc; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/setup.sh --bench"; exit 2; }
done

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
rate() {  # rate COMMAND...: pictures per second of a command that does all of them
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$COUNT / ($end - $start)" | bc -l
}
each() {  # each TOOL: one process per file
    local i
    for ((i = 0; i < COUNT; i++)); do
        if [ "$1" = vips ]; then "$VIPS" "${list[i]}" -s 96x96 -o "$scratch/v$i.png"
        else "$CONVERT" "${list[i]}" -thumbnail 96x96 "$scratch/t$i.png"; fi
    done
}
halves() {  # halves TOOL: two processes at once, each over half of the files
    local half=$((COUNT / 2))
    if [ "$1" = vips ]; then
        "$VIPS" -s 96x96 -o "$scratch/a/%s.png" "${list[@]:0:half}" &
        "$VIPS" -s 96x96 -o "$scratch/b/%s.png" "${list[@]:half}"
    else
        "$MOGRIFY" -path "$scratch/a" -format png -thumbnail 96x96 "${list[@]:0:half}" &
        "$MOGRIFY" -path "$scratch/b" -format png -thumbnail 96x96 "${list[@]:half}"
    fi
    wait
}
mkdir "$scratch/a" "$scratch/b" "$scratch/m"
vips_each=$(rate each vips)
vips_one=$(rate "$VIPS" -s 96x96 -o "$scratch/m/%s.png" "${list[@]}")
vips_two=$(rate halves vips)
im_each=$(rate each im)
im_one=$(rate "$MOGRIFY" -path "$scratch/m" -format png -thumbnail 96x96 "${list[@]}")
im_two=$(rate halves im)
best() { printf '%s\n' "$@" | sort -g | tail -1; }
vips_best=$(best "$vips_each" "$vips_one" "$vips_two")
im_best=$(best "$im_each" "$im_one" "$im_two")

printf 'pictures: %d (%d photos of %s, repeated), load %s on %d cores\n' "$COUNT" "${#files[@]}" "$PHOTOS" \
    "$(cut -d' ' -f1 /proc/loadavg)" "$(nproc)"
printf 'thumbnail worker (96x96 icons)       : %8.2f pictures/s\n' "$ours"
printf '%-36s: %8.2f pictures/s\n' "vipsthumbnail, one process per file" "$vips_each" \
    "vipsthumbnail, one process" "$vips_one" "vipsthumbnail, two processes" "$vips_two" \
    "convert -thumbnail, one per file" "$im_each" "mogrify -thumbnail, one process" "$im_one" \
    "mogrify -thumbnail, two processes" "$im_two"
printf 'ratio to vipsthumbnail at its best   : %8.2fx\n' "$(echo "$ours / $vips_best" | bc -l)"
printf 'ratio to ImageMagick at its best     : %8.2fx\n' "$(echo "$ours / $im_best" | bc -l)"
