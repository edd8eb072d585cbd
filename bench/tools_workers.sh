#!/usr/bin/env bash
# The five folder tools on one worker (as before) and on every core, against
# their ImageMagick peers doing the same work, side by side in the same rounds:
# convert to JPEG q90 and to PNG (mogrify), PNG-8 (the PNG tool against
# pngquant 256), crop 80 % from the centre (mogrify -crop), join of three
# groups of three (convert -append), slice 4 x 4 (convert -crop 4x4@). Wall, CPU
# (user + system of the waited processes) and peak memory (largest process);
# the tool's figures include Wine's (warm) start. The machine is shared and
# loaded: compare within a round, the ratios say more than the seconds.
#   bench/tools_workers.sh [build folder] [rounds, default 2]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-2}"
PHOTOS="$ROOT/../shared/samples/photos"
V="$BUILD/velmora"
W="$(mktemp -d /tmp/velmora_tools_bench.XXXXXX)"
trap 'rm -rf "$W"' EXIT
mkdir -p "$W/jpg" "$W/png" "$W/join"
cp "$PHOTOS"/*.jpg "$W/jpg/"
for f in "$PHOTOS"/mate_*.jpg; do convert-im6.q16 "$f" "$W/png/$(basename "${f%.jpg}").png"; done
for g in 1 2 3; do
    mkdir -p "$W/join/g$g"
    for f in mate_Garden mate_LadyBird mate_TwoWings; do cp "$PHOTOS/$f.jpg" "$W/join/g$g/"; done
done
printf 'convert_load_format_option=1\nconvert_format=JPG\nconvert_quality=90\n' >"$W/convert_jpg.txt"
printf 'convert_load_format_option=1\nconvert_format=PNG\n' >"$W/convert_png.txt"
printf 'png_png8=1\npng_png8_color_count=256\n' >"$W/png.txt"
printf 'crop_mode=1\ncrop_percent_width=80\ncrop_percent_height=80\ncrop_quality=90\n' >"$W/crop.txt"
printf 'join_quality=90\n' >"$W/join.txt"
printf 'slice_horizontal=1\nslice_horizontal_avg_value=4\nslice_vertical=1\nslice_vertical_avg_value=4\nslice_quality=90\n' >"$W/slice.txt"
echo "$(ls "$W/jpg" | wc -l) photos, $(ls "$W/png" | wc -l) PNGs, 3 groups of 3; load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/winerun" --prefix

measure() {  # measure KEY COMMAND...
    local key="$1"; shift
    rm -rf "$W/out"; mkdir "$W/out"
    /usr/bin/time -f "%e %U %S %M" -o "$W/t" "$@" >/dev/null 2>&1 || true
    read -r wall user sys kib <"$W/t"
    echo "$key $wall $(echo "$user + $sys" | bc -l) $kib" >>"$W/results"
}
tool() {  # tool CASE NAME SETTINGS SOURCE PEER...
    local case="$1" name="$2" settings="$3" source="$4"; shift 4
    measure "$case:one" "$V" --tool "$name" --settings "$W/$settings" --workers 1 --save-to "$W/out" "$W/$source"
    measure "$case:all" "$V" --tool "$name" --settings "$W/$settings" --save-to "$W/out" "$W/$source"
    measure "$case:peer" "$@"
}
for ((r = 1; r <= ROUNDS; r++)); do
    tool convert-jpg convert convert_jpg.txt jpg mogrify-im6.q16 -path "$W/out" -format jpg -quality 90 "$W"/jpg/*.jpg
    tool convert-png convert convert_png.txt jpg mogrify-im6.q16 -path "$W/out" -format png "$W"/jpg/*.jpg
    tool png8 png png.txt png bash -c 'pngquant 256 --force --output "$0/out/x.png" "$0/png/mate_Garden.png" &&
        for f in "$0"/png/*.png; do pngquant 256 --force --output "$0/out/$(basename "$f")" "$f"; done' "$W"
    tool crop crop crop.txt jpg mogrify-im6.q16 -path "$W/out" -gravity center -crop 80%x80%+0+0 +repage \
        -quality 90 "$W"/jpg/*.jpg
    tool join join join.txt join bash -c 'for g in "$0"/join/g*; do
        convert-im6.q16 "$g"/*.jpg -append -quality 90 "$0/out/$(basename "$g").jpg"; done' "$W"
    tool slice slice slice.txt jpg bash -c 'for f in "$0"/jpg/*.jpg; do
        convert-im6.q16 "$f" -crop 4x4@ +repage -quality 90 "$0/out/$(basename "$f" .jpg)-%02d.jpg"; done' "$W"
done
awk -v rounds="$ROUNDS" '
{ split($1, k, ":"); c = k[1]; if (!(c in seen)) { seen[c] = 1; order[++n] = c }
  w[$1] += $2; u[$1] += $3; if ($4 > m[$1]) m[$1] = $4 }
END {
    printf "%d rounds; wall s, CPU s, peak MiB (means); ratios to the peer (wall, CPU, peak)\n", rounds
    for (i = 1; i <= n; i++) { c = order[i]
        printf "%-12s one worker %6.2f %6.2f %5.0f | all cores %6.2f %6.2f %5.0f | peer %6.2f %6.2f %5.0f\n", c,
            w[c":one"]/rounds, u[c":one"]/rounds, m[c":one"]/1024, w[c":all"]/rounds, u[c":all"]/rounds,
            m[c":all"]/1024, w[c":peer"]/rounds, u[c":peer"]/rounds, m[c":peer"]/1024
        printf "%-12s   one/peer %.2f %.2f %.2f   all/peer %.2f %.2f %.2f   all/one wall %.2f\n", "",
            w[c":one"]/w[c":peer"], u[c":one"]/u[c":peer"], m[c":one"]/m[c":peer"],
            w[c":all"]/w[c":peer"], u[c":all"]/u[c":peer"], m[c":all"]/m[c":peer"], w[c":all"]/w[c":one"] }
}' "$W/results"
