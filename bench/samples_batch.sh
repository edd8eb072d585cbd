#!/usr/bin/env bash
# The headless batch over every file of the shared samples (photos, every format,
# broken files), once with the default settings and once shrinking to 750 pixels
# wide. Prints per run: files in the folder, pictures the batch listed, written,
# failed (grouped by reason), wall time and the peak memory of the program.
# Usage: bench/samples_batch.sh [build folder] [samples folder]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
SAMPLES="$(cd "${2:-$ROOT/../shared/samples}" && pwd)"
VELMORA="$BUILD/velmora"
WORK="$(mktemp -d /tmp/velmora_samples_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

printf 'bSize=1\nzoomType=0\nsizeType=0\nzoomUnit=0\nsizeValue=750\nbZoomSameScale=1\n' >"$WORK/w750.sz"
"$VELMORA" --self-test >/dev/null 2>&1 || true  # the wine server is up, as for any later start

echo "samples: $SAMPLES ($(find "$SAMPLES" -type f | wc -l) files in the folder and its sub-folders)"
run() {  # run NAME [--settings FILE]
    local name="$1"; shift
    local out="$WORK/out_$name"
    mkdir -p "$out"
    set +e
    /usr/bin/time -f '%e %M' -o "$WORK/time_$name" \
        "$VELMORA" --batch "$@" --save-to "$out" --keep-structure "$SAMPLES" >"$WORK/log_$name" 2>&1
    local code=$?
    set -e
    read -r seconds peak_kb < <(tail -1 "$WORK/time_$name")
    local summary
    summary="$(grep '^共 ' "$WORK/log_$name" || echo '(no summary line)')"
    echo
    echo "== $name (exit code $code)"
    echo "listed:  $(grep -c '^\[' "$WORK/log_$name") pictures"
    echo "written: $(grep -c ' -> ' "$WORK/log_$name")  files on disk: $(find "$out" -type f | wc -l)"
    echo "failed:  $(grep -c ' 失败: ' "$WORK/log_$name")"
    # Each failure: the file's name and the reason, without the paths.
    grep ' 失败: ' "$WORK/log_$name" | sed -e 's/^\[[0-9]*\/[0-9]*\] [^ ]*\\\([^\\ ]*\) 失败: /\1: /' \
        -e 's/ [A-Z]:\\[^ ]*//g' -e 's/:  */: /g' | sed 's/^/   /'
    echo "summary: $summary"
    echo "wall time: ${seconds} s   peak memory: $((peak_kb / 1024)) MB"
}
run defaults
run w750 --settings "$WORK/w750.sz"
