#!/usr/bin/env bash
# Palette PNG (libimagequant + LodePNG, imaging/palette_png) against pngquant 256
# (the same quantiser with libpng/zlib) on the real PNGs of the samples and on the
# sample photos saved as PNG: bytes, RMSE against the source and time per file,
# side by side, and the totals. Figures only; nothing is asserted.
# Usage: bench/palette_png.sh [build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
SAMPLES="$ROOT/../shared/samples"
"$ROOT/scripts/setup.sh" --bench
WORK="$(mktemp -d /tmp/velmora_png8_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/ours" "$WORK/theirs"
for f in "$SAMPLES"/formats/png/*.png; do
    cp "$f" "$WORK/in/"
done
for f in "$SAMPLES"/photos/*.jpg; do
    convert-im6.q16 "$f" "$WORK/in/$(basename "${f%.jpg}").png"
done
chmod u+w "$WORK"/in/*

"$BUILD/winerun" --init >/dev/null 2>&1 || true
out=$(VELMORA_BENCH_SOURCE="$WORK/in" VELMORA_BENCH_OUTPUT="$WORK/ours" \
      "$BUILD/winerun" "$BUILD/unit_tests.exe.so" --gtest_also_run_disabled_tests \
      --gtest_filter='DISABLED_PalettePngBench.*' 2>&1)
echo "$out" | grep -q '^png8: ' || { echo "$out"; exit 1; }

rmse() { { compare-im6.q16 -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed "s/.*(\(.*\))/\1/"; }
printf '%-26s %9s %9s %7s %9s %9s %8s %8s %8s %8s\n' file src_bytes ours ours/thr rmse_ours rmse_thr ms_ours ms_thr cpu_ours cpu_thr
tot_ours=0; tot_theirs=0; t_ours=0; t_theirs=0; c_ours=0; c_theirs=0; rm_ours=0; rm_theirs=0; n=0
TIMEFORMAT='%R %U %S'
while read -r _ name status ms cpu; do
    [ "$status" = ok ] || { echo "$name: failed"; continue; }
    times=$( { time pngquant --force --output "$WORK/theirs/$name" 256 -- "$WORK/in/$name" 2>/dev/null || true; } 2>&1 )
    read -r real user sys <<<"$times"
    ms_theirs=$(echo "$real * 1000" | bc -l); cpu_theirs=$(echo "($user + $sys) * 1000" | bc -l)
    b_src=$(stat -c %s "$WORK/in/$name"); b_ours=$(stat -c %s "$WORK/ours/$name"); b_theirs=$(stat -c %s "$WORK/theirs/$name")
    r_ours=$(rmse "$WORK/in/$name" "$WORK/ours/$name"); r_theirs=$(rmse "$WORK/in/$name" "$WORK/theirs/$name")
    printf '%-26s %9d %9d %7.3f %9.5f %9.5f %8.0f %8.0f %8.0f %8.0f\n' "$name" "$b_src" "$b_ours" \
        "$(echo "$b_ours / $b_theirs" | bc -l)" "$r_ours" "$r_theirs" "$ms" "$ms_theirs" "$cpu" "$cpu_theirs"
    tot_ours=$((tot_ours + b_ours)); tot_theirs=$((tot_theirs + b_theirs))
    t_ours=$(echo "$t_ours + $ms" | bc -l); t_theirs=$(echo "$t_theirs + $ms_theirs" | bc -l)
    c_ours=$(echo "$c_ours + $cpu" | bc -l); c_theirs=$(echo "$c_theirs + $cpu_theirs" | bc -l)
    rm_ours=$(echo "$rm_ours + $r_ours" | bc -l); rm_theirs=$(echo "$rm_theirs + $r_theirs" | bc -l)
    n=$((n + 1))
done < <(echo "$out" | grep '^png8: ')
echo "files: $n (load average: $(cut -d' ' -f1-3 /proc/loadavg))"
printf 'bytes:          ours %d, pngquant %d, ratio %.3f\n' "$tot_ours" "$tot_theirs" "$(echo "$tot_ours / $tot_theirs" | bc -l)"
printf 'wall time:      ours %.0f ms, pngquant %.0f ms, ratio %.3f\n' "$t_ours" "$t_theirs" "$(echo "$t_ours / $t_theirs" | bc -l)"
printf 'processor time: ours %.0f ms, pngquant %.0f ms, ratio %.3f\n' "$c_ours" "$c_theirs" "$(echo "$c_ours / $c_theirs" | bc -l)"
printf 'mean RMSE:      ours %.5f, pngquant %.5f\n' "$(echo "$rm_ours / $n" | bc -l)" "$(echo "$rm_theirs / $n" | bc -l)"
