# Sourced by run_cli_tests.sh: options the program does not know and a window
# start without a display end at once with a message (never a window nobody sees).
for args in "--bogus" "--convert x.jpg" "$SAMPLES/photos/lomiri_Bridge.jpg --bogus"; do
    # shellcheck disable=SC2086
    timeout 120 env -u DISPLAY "$VELMORA" $args >"$WORK/out" 2>"$WORK/err"
    check "unknown option ($args) exits 2" 2 $?
    contains "unknown option ($args) is named" "未知的选项: --" "$WORK/err"
    contains "unknown option ($args) prints the usage" "velmora --describe" "$WORK/err"
done
timeout 120 env -u DISPLAY "$VELMORA" "$SAMPLES/photos/lomiri_Bridge.jpg" >"$WORK/out" 2>"$WORK/err"
check "window start without a display exits 1" 1 $?
contains "window start without a display says so" "无法打开窗口" "$WORK/err"
