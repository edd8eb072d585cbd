#!/usr/bin/env bash
# Builds and runs every test, for both builds of the program: the Winelib module
# (build/) and the Windows programs (build-windows/, made by
# scripts/build-windows.sh and run by Wine's Windows loader). Most tests run
# headless on Wine's null graphics driver; the window tests (label x11) run under
# Xvfb. The Winelib build also runs the window-free code natively under the
# sanitizers and each fuzz target for a short, bounded time. The Windows build's
# libraries are cross-built from source the first time (long on a fresh machine,
# seconds from the cache after); VELMORA_WINDOWS=0 leaves the Windows build out
# and compiles its sources for Windows, syntax only, instead. Arguments go to
# ctest.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
WINBUILD="${VELMORA_WINDOWS_BUILD:-$ROOT/build-windows}"
status=0

run_tests() {  # run_tests BUILD_DIR NAME
    echo "== tests of the $2 ($1), $(date +%T)"
    # The native trees' figures (sanitizer test count, fuzz executions and
    # features): ctest shows the output of failed tests only.
    local summaries=("$1/native-sanitize/summary.txt" "$1/native-fuzz/summary.txt")
    rm -f "${summaries[@]}"
    (cd "$1" && env -u DISPLAY ctest --output-on-failure -L unit "${@:3}") || status=1
    cat "${summaries[@]}" 2>/dev/null || true
    (cd "$1" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L x11 "${@:3}") || status=1
}

WINDOWS="${VELMORA_WINDOWS:-1}"
"$ROOT/scripts/build.sh"
if [ "$WINDOWS" = 1 ]; then
    # The real Windows build below proves more than a syntax-only compile.
    run_tests "$BUILD" "Winelib build" -E '^windows_syntax$' "$@"
else
    run_tests "$BUILD" "Winelib build" "$@"
fi

if [ "$WINDOWS" = 1 ]; then
    VELMORA_BUILD="$BUILD" VELMORA_WINDOWS_BUILD="$WINBUILD" "$ROOT/scripts/build-windows.sh"
    "$WINBUILD/winerun" --prefix
    run_tests "$WINBUILD" "Windows build" "$@"
fi
exit $status
