#!/usr/bin/env bash
# Compound table read: 10^6 rows of {int32, double, single, 8-byte string}
# (24 MB, contiguous, written by h5py), read whole by __h5read_any__ (a struct
# of three numeric rows and a 1x10^6 cell array of strings) and by h5py's
# ds[()] (a structured array).  Also the peak memory growth of the Octave read
# over an Octave that has only started and loaded the module.
# Goals: Octave/h5py <= 1.2, memory growth <= 1.2 x the data.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup

"$PYTHON" "$BENCH_DIR/py_bench.py" make-tiny "$WORK/tiny.h5" || bench_fail "making tiny.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-compound "$WORK/table.h5" || bench_fail "making table.h5"
F=$WORK/table.h5
T=$WORK/tiny.h5
mib=$(awk 'BEGIN { printf "%.1f", 24e6 / 1048576 }')

start=()
for i in 1 2 3; do
  l=$(bench_proc oct start "$T"); start+=("$(field "$l" hwm_kb)")
done
start_kb=$(median "${start[@]}")

bench_proc py read-compound "$T" "$F" /table >/dev/null
bench_proc oct read-compound "$T" "$F" /table >/dev/null
tp=(); to=(); mem=()
for ((r = 0; r < BENCH_RUNS; r++)); do
  lp=$(bench_proc py read-compound "$T" "$F" /table)
  lo=$(bench_proc oct read-compound "$T" "$F" /table)
  tp+=("$(field "$lp" time)"); to+=("$(field "$lo" time)"); mem+=("$(field "$lo" hwm_kb)")
done
[ "$(field "$lo" class)" = struct ] || bench_fail "/table read as $(field "$lo" class), not struct"
[ "$(field "$lo" size)" = 1x1000000 ] || bench_fail "/table fields of size $(field "$lo" size)"
agree=$(same_sum "$(field "$lo" sum)" "$(field "$lp" sum)")
mp=$(median "${tp[@]}"); mo=$(median "${to[@]}")
echo "compound: 10^6-row table, median and best of $BENCH_RUNS runs (seconds, open+read+close)"
printf '  %-34s %10s %10s %10s\n' "dataset" "h5py" "Octave" "sums agree"
printf '  %-34s %10.4f %10.4f %10s\n' "/table $mib MiB" "$mp" "$mo" "$agree"
printf '  %-34s %10.4f %10.4f\n' "  best run" "$(minimum "${tp[@]}")" "$(minimum "${to[@]}")"
runs "/table h5py" "${tp[@]}"; runs "/table Octave" "${to[@]}"
rp=$(ratio "$mo" "$mp")
hwm=$(median "${mem[@]}")
grow_mib=$(awk -v a="$hwm" -v b="$start_kb" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
grow_x=$(awk -v g="$grow_mib" -v s="$mib" 'BEGIN { printf "%.3f", g / s }')
printf '  %-34s %8s   goal <= 1.2      %s\n' "/table Octave/h5py" "$rp" "$(goal "$rp" "<=" 1.2)"
printf '  %-34s %8s   goal <= 1.2 x    %s   (%s MiB for %s MiB)\n' "/table memory growth" "${grow_x}x" "$(goal "$grow_x" "<=" 1.2)" "$grow_mib" "$mib"
