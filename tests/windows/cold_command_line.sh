#!/usr/bin/env bash
# velmora.exe's command line when it starts Wine itself (a prefix of its own, so
# no server of the other tests is up): the self-test writes and reads a picture
# in the temporary folder on drive C:.
#   tests/windows/cold_command_line.sh BUILD_DIR
set -u
BUILD="$1"
scratch=$(mktemp -d)
export VELMORA_WINEPREFIX="$scratch/prefix"
trap 'WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -k 2>/dev/null; rm -rf "$scratch"' EXIT
# The prefix is made first, and its server left to end, so that the run below
# starts a server of its own.
"$BUILD/winerun" --prefix
WINEPREFIX="$VELMORA_WINEPREFIX" wineserver -w
out=$("$BUILD/velmora" --self-test 2>&1)
code=$?
echo "$out"
[ $code = 0 ] && grep -q 自检通过 <<<"$out"
