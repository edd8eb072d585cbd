#!/usr/bin/env bash
# Runs one fuzz target of a built fuzz tree for SECONDS (libFuzzer's own
# -max_total_time bounds it), as one process at the lowest priority:
#   tests/native/fuzz_run.sh FUZZ_BUILD TARGET SECONDS [SUMMARY_FILE]
# New inputs go to FUZZ_BUILD/corpus/TARGET, started from the seeds kept in
# tests/fuzz/corpus/TARGET (and, for the header sniffer, the shared sample
# pictures). A crash, leak or failed check leaves its input in
# FUZZ_BUILD/crashes/TARGET/ and ends with a non-zero status. The whole output
# is kept in FUZZ_BUILD/logs/TARGET.log; the last line printed (and appended to
# SUMMARY_FILE when given) is the run's figures.
set -euo pipefail
BUILD="$1" TARGET="$2" LIMIT="$3" SUMMARY="${4:-}"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SAMPLES="$ROOT/../shared/samples"
PROGRAM="$BUILD/fuzz_$TARGET"
[ -x "$PROGRAM" ] || { echo "fuzz_run: no target $TARGET in $BUILD" >&2; exit 2; }
mkdir -p "$BUILD/corpus/$TARGET" "$BUILD/crashes/$TARGET" "$BUILD/logs"
seeds=("$ROOT/tests/fuzz/corpus/$TARGET")
case "$TARGET" in
    sniff_bytes | sniff_file)
        options=(-max_len=65536)
        [ -d "$SAMPLES" ] && seeds+=("$SAMPLES")
        ;;
    camera_data) options=(-max_len=65536) ;;  # an EXIF block fills one JPEG segment
    gbk_text) options=(-max_len=512) ;;
    *) options=(-max_len=4096) ;;
esac
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
log="$BUILD/logs/$TARGET.log"
status=0
nice -n 19 "$PROGRAM" -max_total_time="$LIMIT" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$BUILD/crashes/$TARGET/" "${options[@]}" "$BUILD/corpus/$TARGET" "${seeds[@]}" 2>&1 |
    tee "$log" || status=$?
# The last status line ("#N DONE cov: C ft: F corp: U/Bb ...") and the final statistics.
last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
field() { sed -n "s/.* $1: \([0-9]*\).*/\1/p" <<<"$last"; }
line="$TARGET: $(sed -n 's/^stat::number_of_executed_units: //p' "$log" | tail -n 1) executions in \
$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -n 1) s, coverage $(field cov), \
features $(field ft), corpus $(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last") inputs"
[ $status -eq 0 ] || line="$line, FAILED (exit $status; input in $BUILD/crashes/$TARGET/)"
echo "$line"
[ -z "$SUMMARY" ] || echo "  $line" >>"$SUMMARY"
exit $status
