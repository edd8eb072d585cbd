#!/usr/bin/env bash
# Builds a native tree of the window-free modules (tests/native/CMakeLists.txt)
# and runs its tests:
#   tests/native/native.sh sanitize BUILD_DIR         GCC, ASan + UBSan: the modules' unit tests
#                                                      and the replay of every kept fuzz input
#   tests/native/native.sh fuzz BUILD_DIR [SECONDS]   Clang + libFuzzer: every target SECONDS
#                                                      (default 15) in turn
#   tests/native/native.sh fuzz-build BUILD_DIR       the fuzz targets only (scripts/fuzz.sh)
set -euo pipefail
KIND="$1" BUILD="$2"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
case "$KIND" in
    sanitize) compiler=(-DCMAKE_CXX_COMPILER=g++) ;;
    fuzz | fuzz-build) compiler=(-DCMAKE_CXX_COMPILER=clang++ -DFUZZ_SECONDS="${3:-15}") ;;
    *) echo "native.sh: sanitize, fuzz or fuzz-build" >&2; exit 2 ;;
esac
cmake -S "$ROOT/tests/native" -B "$BUILD" "${compiler[@]}" >/dev/null
cmake --build "$BUILD" -j2
case "$KIND" in
    sanitize) ctest --test-dir "$BUILD" --output-on-failure -L sanitize ;;
    fuzz) ctest --test-dir "$BUILD" --output-on-failure -L fuzz ;;
esac
