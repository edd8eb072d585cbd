#!/usr/bin/env bash
# The headless batch command against the usual tools doing the same work on the
# same photos (the sample photos, each listed twice): resize to 750 pixels wide
# (Lanczos) at JPEG quality 91, then the same with a maximum file size.
#   velmora --batch                 one process for the whole list (Wine start-up included)
#   mogrify-im6.q16                 one process for the whole list, full decode
#   vipsthumbnail --size 750x       one process for the whole list, shrink-on-load
# Runs alternate (velmora, mogrify, vips, then the next round in another order);
# prints every wall time, the medians, their ratios to mogrify, the peak memory
# (/usr/bin/time -v), and the lowest PSNR of each tool's outputs against
# ImageMagick's full-decode output. The maximum-size part compares with
# ImageMagick's own search (-define jpeg:extent): time, bytes, files over the limit.
# Usage: bench/batch_run.sh [build folder] [rounds (5)] [maximum size in KB (100)] [velmora options...]
# Extra velmora options (e.g. --workers 1) go to every velmora run. With
# BEFORE=<another build folder> that build's velmora runs in every round too
# (as "before"), for figures before and after a change on an equally busy machine.
# With WINDOWS=<Windows build folder> (build-windows) the Windows program runs in
# every round too (as "windows", velmora.exe under Wine's loader).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-5}"
LIMIT_KB="${3:-100}"
shift $(( $# < 3 ? $# : 3 ))
EXTRA=("$@")
PHOTOS="$ROOT/../shared/samples/photos"
VELMORA="$BUILD/velmora"
"$ROOT/scripts/setup.sh" --bench
for tool in mogrify-im6.q16 vipsthumbnail compare-im6.q16 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/setup.sh --bench"; exit 2; }
done
WORK="$(mktemp -d /tmp/velmora_batch_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in"

n=0
for copy in 1 2; do
    for f in "$PHOTOS"/*.jpg; do
        ln -s "$f" "$WORK/in/${copy}_$(basename "$f")"
        n=$((n + 1))
    done
done
mpix=$(identify-im6.q16 -format '%[fx:w*h/1000000]\n' "$PHOTOS"/*.jpg | awk '{s+=$1} END {printf "%.0f", s*2}')
echo "pictures: $n ($(ls "$PHOTOS"/*.jpg | wc -l) photos x 2, $mpix megapixels); $(nproc) processors; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
[ ${#EXTRA[@]} -gt 0 ] && echo "velmora options: ${EXTRA[*]}"

common='bSize=1\nzoomType=2\nsizeType=0\nzoomUnit=0\nsizeValue=750\nbZoomSameScale=1\nbQuanlity=1\nquanlity=91\n'
printf "${common}qualityMode=0\n" >"$WORK/w750.sz"
printf "${common}qualityMode=1\nmaxFileSize=$LIMIT_KB\n" >"$WORK/w750max.sz"

# The prefixes are made, and each build's wine server stays up for the whole
# bench, as in a session of work (a server ends 3 s after its last process, so
# without a keep-alive every run after mogrify's would pay Wine's start again,
# the Windows program its full boot). COLD=1 lets each server end between runs.
KEEPALIVES=()
keep_warm() {
    local build="$1" ka
    "$build/velmora" --self-test >/dev/null 2>&1 || true
    [ "${COLD:-0}" = 1 ] && return 0
    ka="$build/keepalive.exe"; [ -f "$ka" ] || ka="$build/keepalive.exe.so"
    [ -f "$ka" ] || { echo "no keep-alive program in $build: build it, or run with COLD=1"; exit 2; }
    rm -f "$build/bench-keepalive.ready"
    setsid "$build/winerun" "$ka" "Z:${build//\//\\}\\bench-keepalive.ready" >/dev/null 2>&1 </dev/null &
    KEEPALIVES+=($!)
    for _ in $(seq 1 300); do
        [ -f "$build/bench-keepalive.ready" ] && break
        sleep 0.1
    done
    rm -f "$build/bench-keepalive.ready"
}
trap 'rm -rf "$WORK"; for k in "${KEEPALIVES[@]}"; do kill -- -"$k" 2>/dev/null; done' EXIT
keep_warm "$BUILD"
[ -n "${BEFORE:-}" ] && keep_warm "$BEFORE"
[ -n "${WINDOWS:-}" ] && keep_warm "$WINDOWS"
echo "Wine: $([ "${COLD:-0}" = 1 ] && echo "each server ends between runs (COLD=1)" || echo "each build's server kept up (COLD=1: cold starts)")"

# run NAME OUTDIR COMMAND...: empties OUTDIR, runs, appends "seconds peak-KiB cpu-seconds" to $WORK/NAME.times
run() {
    local name="$1" out="$2"
    shift 2
    rm -rf "$out" && mkdir -p "$out"
    /usr/bin/time -f '%e %M %U %S' -o "$WORK/last.time" "$@" >"$WORK/$name.log" 2>&1 || {
        echo "$name failed:"; tail -5 "$WORK/$name.log"; exit 1; }
    awk '{printf "%s %s %.2f\n", $1, $2, $3 + $4}' "$WORK/last.time" >>"$WORK/$name.times"
}
velmora() { run velmora "$WORK/v" "$VELMORA" --batch "${EXTRA[@]}" --settings "$WORK/w750.sz" --save-to "$WORK/v" "$WORK/in"; }
before() { run before "$WORK/b" "$BEFORE/velmora" --batch --settings "$WORK/w750.sz" --save-to "$WORK/b" "$WORK/in"; }
windows() { run windows "$WORK/w" "$WINDOWS/velmora" --batch "${EXTRA[@]}" --settings "$WORK/w750.sz" --save-to "$WORK/w" "$WORK/in"; }
mogrify() { run mogrify "$WORK/m" mogrify-im6.q16 -path "$WORK/m" -filter Lanczos -resize 750x -quality 91 "$WORK"/in/*.jpg; }
vips() { run vips "$WORK/s" vipsthumbnail --size 750x -o "$WORK/s/%s.jpg[Q=91]" "$WORK"/in/*.jpg; }
velmoraMax() { run velmoraMax "$WORK/vx" "$VELMORA" --batch "${EXTRA[@]}" --settings "$WORK/w750max.sz" --save-to "$WORK/vx" "$WORK/in"; }
mogrifyMax() { run mogrifyMax "$WORK/mx" mogrify-im6.q16 -path "$WORK/mx" -filter Lanczos -resize 750x -define "jpeg:extent=${LIMIT_KB}kb" "$WORK"/in/*.jpg; }

orders=("velmora mogrify vips" "mogrify vips velmora" "vips velmora mogrify")
if [ -n "${BEFORE:-}" ]; then
    orders=("velmora mogrify before vips" "before mogrify vips velmora" "vips velmora mogrify before")
fi
if [ -n "${WINDOWS:-}" ]; then
    for i in 0 1 2; do orders[$i]="${orders[$i]/velmora/velmora windows}"; done
    orders[1]="${orders[1]/velmora windows/windows velmora}"
fi
for r in $(seq 1 "$ROUNDS"); do
    for t in ${orders[$(( (r - 1) % 3 ))]}; do $t; done
    if [ $((r % 2)) = 1 ]; then velmoraMax; mogrifyMax; else mogrifyMax; velmoraMax; fi
done

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
med() { cut -d' ' -f1 "$WORK/$1.times" | median; }
# peak memory in MiB: the median run's and the highest
peak() {
    printf '%.0f (highest %.0f)' "$(cut -d' ' -f2 "$WORK/$1.times" | median | awk '{print $1/1024}')" \
        "$(cut -d' ' -f2 "$WORK/$1.times" | sort -n | tail -1 | awk '{print $1/1024}')"
}
# lowest PSNR of DIR's outputs against REF's (same names)
lowest_psnr() {
    local dir="$1" ref="$2" low=999 p
    for f in "$ref"/*.jpg; do
        p=$(compare-im6.q16 -metric PSNR "$dir/$(basename "$f")" "$f" null: 2>&1 || true)
        case "$p" in inf) continue ;; ''|*[!0-9.]*) echo "cannot compare $(basename "$f"): $p" >&2; continue ;; esac
        low=$(echo "if ($p < $low) $p else $low" | bc -l)
    done
    [ "$low" = 999 ] && echo "identical" || printf '%.1f dB' "$low"
}
# CPU seconds (user + system) of the median run: what the work costs, whatever
# else the machine is doing.
cpu() { cut -d' ' -f3 "$WORK/$1.times" | median; }
mm=$(med mogrify)
echo
echo "resize 750 wide, quality 91 (wall time in s: every run, then the median):"
tools="velmora mogrify vips"
[ -n "${BEFORE:-}" ] && tools="before $tools"
[ -n "${WINDOWS:-}" ] && tools="windows $tools"
for t in $tools; do
    printf '  %-14s %s -> median %5.2f s, %.2f x mogrify, CPU %5.2f s, peak %s MiB\n' "$t" \
        "$(cut -d' ' -f1 "$WORK/$t.times" | tr '\n' ' ')" "$(med $t)" "$(echo "$(med $t) / $mm" | bc -l)" "$(cpu $t)" \
        "$(peak $t)"
done
echo "  lowest PSNR against mogrify's (full decode) output: velmora $(lowest_psnr "$WORK/v" "$WORK/m"), vipsthumbnail $(lowest_psnr "$WORK/s" "$WORK/m")"
[ -n "${BEFORE:-}" ] && echo "  before: lowest PSNR $(lowest_psnr "$WORK/b" "$WORK/m")"
if [ -n "${WINDOWS:-}" ]; then
    printf '  windows / velmora (the Winelib build): %.3f; lowest PSNR of windows against velmora: %s\n' \
        "$(echo "$(med windows) / $(med velmora)" | bc -l)" "$(lowest_psnr "$WORK/w" "$WORK/v")"
fi

echo
echo "resize 750 wide, maximum file size $LIMIT_KB KB:"
limit=$((LIMIT_KB * 1024))
for t in velmoraMax mogrifyMax; do
    dir="$WORK/vx"; [ $t = mogrifyMax ] && dir="$WORK/mx"
    over=0; bytes=0
    for f in "$dir"/*.jpg; do
        s=$(stat -c %s "$f"); bytes=$((bytes + s))
        [ "$s" -gt "$limit" ] && over=$((over + 1))
    done
    printf '  %-14s %s -> median %5.2f s, CPU %5.2f s, peak %s MiB, %d files, %.1f KB on average, %d over the limit\n' "$t" \
        "$(cut -d' ' -f1 "$WORK/$t.times" | tr '\n' ' ')" "$(med $t)" "$(cpu $t)" "$(peak $t)" "$(ls "$dir" | wc -l)" \
        "$(echo "$bytes / $(ls "$dir" | wc -l) / 1024" | bc -l)" "$over"
done
printf '  velmora with the limit / velmora at quality 91: %.2f\n' "$(echo "$(med velmoraMax) / $(med velmora)" | bc -l)"
grep -h "注意" "$WORK/velmoraMax.log" | head -3 || true
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
