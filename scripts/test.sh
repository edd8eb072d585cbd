#!/usr/bin/env bash
# Builds and runs every test. Most tests run headless on Wine's null graphics
# driver; the window tests (label x11) run under Xvfb.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
"$ROOT/scripts/build.sh"
cd "$BUILD"
status=0
# The native trees' figures (sanitizer test count, fuzz executions and features):
# ctest shows the output of failed tests only.
summaries=("$BUILD/native-sanitize/summary.txt" "$BUILD/native-fuzz/summary.txt")
rm -f "${summaries[@]}"
env -u DISPLAY ctest --output-on-failure -L unit "$@" || status=1
cat "${summaries[@]}" 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L x11 "$@" || status=1
exit $status
