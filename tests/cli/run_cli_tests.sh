#!/usr/bin/env bash
# Command-line tests of the real program: velmora BUILD_DIR SAMPLES_DIR
set -u
BUILD="$1"
SAMPLES="$2"
VELMORA="$BUILD/velmora"
# The Winelib build's keep-alive module, or the Windows build's keep-alive program.
KEEPALIVE="$BUILD/keepalive.exe.so"
[ -f "$KEEPALIVE" ] || KEEPALIVE="$BUILD/keepalive.exe"
passed=0
failed=0
check() {  # check NAME EXPECTED_CODE ACTUAL_CODE
    if [ "$2" = "$3" ]; then
        passed=$((passed + 1)); echo "[ok] $1"
    else
        failed=$((failed + 1)); echo "[FAILED] $1 (exit $3, expected $2)"
        return 1
    fi
}
contains() {  # contains NAME TEXT FILE
    if grep -q -- "$2" "$3"; then
        passed=$((passed + 1)); echo "[ok] $1"
    else
        failed=$((failed + 1)); echo "[FAILED] $1: no '$2' in:"; cat "$3"
    fi
}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

"$VELMORA" --self-test >"$WORK/out" 2>&1; check "self-test exits 0" 0 $?
contains "self-test report is readable UTF-8 Chinese" "自检通过" "$WORK/out"
"$VELMORA" --help >"$WORK/out" 2>&1; check "help exits 0" 0 $?
contains "help names the program" "Velmora图片批量处理工具(V11.5)" "$WORK/out"

for t in "$(dirname "$0")"/*.sh; do
    [ "$(basename "$t")" = "run_cli_tests.sh" ] && continue
    # shellcheck source=/dev/null
    . "$t"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
