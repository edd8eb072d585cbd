#!/usr/bin/env bash
# Runs one fuzz target for SECONDS: scripts/fuzz.sh TARGET SECONDS
# (scripts/fuzz.sh --list names the targets). Builds the Clang + libFuzzer tree
# of the window-free modules into build/native-fuzz first. The run is one
# process at the lowest priority, bounded by libFuzzer's -max_total_time; it
# prints libFuzzer's figures at the end (executions, coverage and features).
# New inputs gather in build/native-fuzz/corpus/TARGET; a crash, leak, undefined
# behaviour or failed check leaves its input in build/native-fuzz/crashes/TARGET/
# (keep it in tests/fuzz/regressions/TARGET/ with the fix: the unit tests replay it).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}/native-fuzz"
if [ "${1:-}" = "--list" ]; then
    ls "$ROOT/tests/fuzz" | sed -n 's/\.cpp$//p'
    exit 0
fi
if [ $# -ne 2 ] || [ ! -f "$ROOT/tests/fuzz/$1.cpp" ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh TARGET SECONDS   (targets: scripts/fuzz.sh --list)" >&2
    exit 2
fi
"$ROOT/scripts/setup.sh"
"$ROOT/tests/native/native.sh" fuzz-build "$BUILD" >/dev/null
exec "$ROOT/tests/native/fuzz_run.sh" "$BUILD" "$1" "$2"
