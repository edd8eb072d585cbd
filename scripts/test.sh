#!/usr/bin/env bash
# Builds and runs every test. Most tests run headless on Wine's null graphics
# driver; the window tests (label x11) run under Xvfb.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
"$ROOT/scripts/build.sh"
cd "$BUILD"
status=0
env -u DISPLAY ctest --output-on-failure -L unit "$@" || status=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L x11 "$@" || status=1
exit $status
