#!/usr/bin/env bash
# Runs one fuzz target of a built fuzz tree for SECONDS (libFuzzer's own
# -max_total_time bounds it), as one process at the lowest priority:
#   tests/native/fuzz_run.sh FUZZ_BUILD TARGET SECONDS
# New inputs go to FUZZ_BUILD/corpus/TARGET, started from the seeds kept in
# tests/fuzz/corpus/TARGET (and, for the header sniffer, the shared sample
# pictures). A crash, leak or failed check leaves its input in
# FUZZ_BUILD/crashes/TARGET/ and ends with a non-zero status.
set -euo pipefail
BUILD="$1" TARGET="$2" LIMIT="$3"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SAMPLES="$ROOT/../shared/samples"
PROGRAM="$BUILD/fuzz_$TARGET"
[ -x "$PROGRAM" ] || { echo "fuzz_run: no target $TARGET in $BUILD" >&2; exit 2; }
mkdir -p "$BUILD/corpus/$TARGET" "$BUILD/crashes/$TARGET"
seeds=("$ROOT/tests/fuzz/corpus/$TARGET")
case "$TARGET" in
    sniff_bytes | sniff_file)
        options=(-max_len=65536)
        [ -d "$SAMPLES" ] && seeds+=("$SAMPLES")
        ;;
    gbk_text) options=(-max_len=512) ;;
    *) options=(-max_len=4096) ;;
esac
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
exec nice -n 19 "$PROGRAM" -max_total_time="$LIMIT" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$BUILD/crashes/$TARGET/" "${options[@]}" "$BUILD/corpus/$TARGET" "${seeds[@]}"
