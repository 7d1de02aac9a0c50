#!/usr/bin/env bash
# Wall time of `korvelo-cli read` against `korvelo-radio-sim --pace` (answers at the real line
# rate), against the floor set by the tuning start's own pauses:
# 100 + 100 + 100 + 100 + 80 + 4 x 130 ms = 1.0 s.
#
#   bench/cli_read.sh [KORVELO_CLI [KORVELO_RADIO_SIM [RUNS]]]
set -euo pipefail
cli=${1:-build/cli/korvelo-cli}
sim=${2:-build/sim/korvelo-radio-sim}
runs=${3:-10}
floor_ms=1000

work=$(mktemp -d)
# The reads' backups go to the scratch folder, not the user's data folder.
export XDG_DATA_HOME="$work/data"
fifo="$work/sim.out"
mkfifo "$fifo"
"$sim" --pace --flags 0x10 --type 4 >"$fifo" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
exec 3<"$fifo"
read -r device <&3

times=()
for ((i = 1; i <= runs; i++)); do
    start=$(date +%s%N)
    "$cli" --port "$device" --force read "$work/bench.tun" 2>/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
    # A read leaves the radio in tuner mode; take it out before the next (not timed).
    "$cli" --port "$device" leave 2>/dev/null
done

sorted=($(printf '%s\n' "${times[@]}" | sort -n))
median_us=${sorted[$((runs / 2))]}
min_us=${sorted[0]}
max_us=${sorted[$((runs - 1))]}
awk -v med="$median_us" -v min="$min_us" -v max="$max_us" -v floor="$floor_ms" -v n="$runs" 'BEGIN {
    printf "korvelo-cli read, %d runs against korvelo-radio-sim --pace\n", n
    printf "  median %.1f ms  min %.1f ms  max %.1f ms\n", med / 1000, min / 1000, max / 1000
    printf "  floor %d ms; median is %.1f %% above the floor (aim: within 5 %%)\n", floor,
        (med / 1000 - floor) * 100 / floor
}'
