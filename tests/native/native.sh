#!/usr/bin/env bash
# Builds a native tree of the window-free modules (tests/native/CMakeLists.txt)
# and runs its tests:
#   tests/native/native.sh sanitize BUILD_DIR         GCC, ASan + UBSan: the modules' unit tests
#                                                      and the replay of every kept fuzz input
#   tests/native/native.sh fuzz BUILD_DIR [SECONDS]   Clang + libFuzzer: every target in turn,
#                                                      SECONDS (default 150) shared out evenly
#   tests/native/native.sh fuzz-build BUILD_DIR       the fuzz targets only (scripts/fuzz.sh)
# sanitize and fuzz leave their figures in BUILD_DIR/summary.txt (scripts/test.sh
# prints them: ctest shows the output of failed tests only).
set -euo pipefail
KIND="$1" BUILD="$2"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
targets=$(ls "$ROOT/tests/fuzz" | sed -n 's/\.cpp$//p' | wc -l)
case "$KIND" in
    sanitize) compiler=(-DCMAKE_CXX_COMPILER=g++) ;;
    fuzz | fuzz-build)
        # At least 5 seconds a target: a shorter run hardly gets past the seeds.
        seconds=$(( ${3:-150} / targets )); [ "$seconds" -ge 5 ] || seconds=5
        compiler=(-DCMAKE_CXX_COMPILER=clang++ -DFUZZ_SECONDS="$seconds") ;;
    *) echo "native.sh: sanitize, fuzz or fuzz-build" >&2; exit 2 ;;
esac
mkdir -p "$BUILD"
summary="$BUILD/summary.txt"
case "$KIND" in
    sanitize) echo "Native sanitizer tests (GCC, ASan + UBSan): not run to the end" >"$summary" ;;
    fuzz) echo "Fuzz targets ($targets, $seconds s each):" >"$summary" ;;
esac
cmake -S "$ROOT/tests/native" -B "$BUILD" "${compiler[@]}" >/dev/null
cmake --build "$BUILD" -j2
case "$KIND" in
    sanitize)
        status=0 log="$BUILD/native_unit_tests.log"
        ctest --test-dir "$BUILD" -V -L sanitize >"$log" 2>&1 || status=$?
        ran=$(grep -oE '\[==========\] [0-9]+ tests? from [0-9]+ test suites?' "$log" | tail -n 1 | cut -c 14-)
        passed=$(grep -oE '\[  PASSED  \] [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+$' || echo 0)
        failed=$(grep -oE '\[  FAILED  \] [0-9]+ tests?, listed' "$log" | grep -oE '[0-9]+' || echo 0)
        echo "Native sanitizer tests (GCC, ASan + UBSan): ${ran:-no test ran}, $passed passed, $failed failed$(
            [ $status -eq 0 ] || echo " (exit $status)")" >"$summary"
        [ $status -eq 0 ] || cat "$log"
        cat "$summary"
        exit $status
        ;;
    fuzz) ctest --test-dir "$BUILD" --output-on-failure -L fuzz ;;
esac
