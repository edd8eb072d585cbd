#!/usr/bin/env bash
# Cold and warm starts side by side, in the same rounds: `velmora --help` and a
# one-picture `--batch`, from a stopped wineserver (cold) and with the server of
# the run before still up (warm), booted in full (VELMORA_FULL_BOOT=1, as before
# the quick boot) and quickly; ImageMagick's convert doing the same picture is
# the peer. Wall and CPU (user + system of the processes waited for; the
# wineserver and the services it starts are not counted) and peak memory (the
# largest waited process). The machine is shared: compare within a round.
#   bench/cold_start.sh [build folder] [rounds, default 5]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-5}"
PHOTO="$ROOT/../shared/samples/photos/mate_Storm.jpg"
VELMORA="$BUILD/velmora"
export WINEPREFIX="$BUILD/wineprefix"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; wineserver -k 2>/dev/null || true' EXIT
cp "$PHOTO" "$scratch/p.jpg"
mkdir "$scratch/out"

# measure NAME COMMAND...: appends "NAME wall cpu kib" to the results
measure() {
    local name="$1"; shift
    /usr/bin/time -f "%e %U %S %M" -o "$scratch/t" "$@" >/dev/null 2>&1 || true
    read -r wall user sys kib <"$scratch/t"
    echo "$name $wall $(echo "$user + $sys" | bc -l) $kib" >>"$scratch/results"
}
# "wineserver -w" can return while the killed server is still going away; a run
# started then joins it and is not cold.
stop_server() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; sleep 0.5; }
batch() { rm -f "$2/out/"*; "$1" --batch --save-to "$2/out" "$2/p.jpg"; }

"$BUILD/winerun" --prefix
for ((r = 1; r <= ROUNDS; r++)); do
    for boot in full quick; do
        full=0; [ $boot = full ] && full=1
        stop_server
        measure "help-cold-$boot" env VELMORA_FULL_BOOT=$full "$VELMORA" --help
        measure "help-warm-$boot" env VELMORA_FULL_BOOT=$full "$VELMORA" --help
        stop_server
        measure "batch-cold-$boot" env VELMORA_FULL_BOOT=$full bash -c "$(declare -f batch); batch '$VELMORA' '$scratch'"
        measure "batch-warm-$boot" env VELMORA_FULL_BOOT=$full bash -c "$(declare -f batch); batch '$VELMORA' '$scratch'"
    done
    measure "convert" convert-im6.q16 "$scratch/p.jpg" -resize 750x "$scratch/c.jpg"
done

awk -v rounds="$ROUNDS" '
{ n[$1]++; w[$1] += $2; c[$1] += $3; if ($4 > m[$1]) m[$1] = $4 }
END {
    printf "%d rounds, means (wall s, CPU s, peak MiB):\n", rounds
    split("help-cold-full help-cold-quick help-warm-full help-warm-quick batch-cold-full batch-cold-quick batch-warm-full batch-warm-quick convert", order, " ")
    for (i = 1; i <= 9; i++) { k = order[i]; printf "  %-17s %6.3f %6.3f %7.1f\n", k, w[k]/n[k], c[k]/n[k], m[k]/1024 }
    printf "ratios quick / full boot (wall, CPU, peak):\n"
    split("help-cold batch-cold help-warm batch-warm", pair, " ")
    for (i = 1; i <= 4; i++) { a = pair[i] "-quick"; b = pair[i] "-full"
        printf "  %-11s %5.2f %5.2f %5.2f\n", pair[i], w[a]/w[b], c[a]/c[b], m[a]/m[b] }
    printf "ratios cold / warm, quick boot: help %.2f, batch %.2f; one-picture batch cold / convert: %.2f\n",
        w["help-cold-quick"]/w["help-warm-quick"], w["batch-cold-quick"]/w["batch-warm-quick"],
        w["batch-cold-quick"]/w["convert"]
}' "$scratch/results"
