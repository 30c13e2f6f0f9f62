#!/usr/bin/env bash
# Whole-dataset reads: a 256 MiB double and a 64 MiB int16 dataset (contiguous,
# written by h5py), read by __h5read__ (file, loc, [], [], []), by one H5Dread
# from C, and by h5py's ds[()].  Also the peak memory of the Octave read over an
# Octave that has only started and loaded the module.
# Goals: Octave/C <= 1.10, Octave/h5py < 1, memory growth <= 1.1 x dataset size.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup
bench_build_c

"$PYTHON" "$BENCH_DIR/py_bench.py" make-tiny "$WORK/tiny.h5" || bench_fail "making tiny.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-read "$WORK/read.h5" || bench_fail "making read.h5"
F=$WORK/read.h5
T=$WORK/tiny.h5

# Peak memory of an Octave that only starts, without and with the module.
bare=(); start=()
for i in 1 2 3; do
  l=$(bench_proc oct bare); bare+=("$(field "$l" hwm_kb)")
  l=$(bench_proc oct start "$T"); start+=("$(field "$l" hwm_kb)")
done
bare_kb=$(median "${bare[@]}")
start_kb=$(median "${start[@]}")

echo "read: whole datasets, median and best of $BENCH_RUNS runs (seconds, open+read+close)"
printf '  %-34s %10s %10s %10s %10s\n' "dataset" "C" "h5py" "Octave" "sums agree"
summary=()
for item in "d:double:256" "i16:int16:64"; do
  IFS=: read -r dset cls mib <<<"$item"
  # One untimed warm-up per contender (page cache, first-touch costs).
  bench_proc c read "$F" "/$dset" >/dev/null
  bench_proc py read "$T" "$F" "/$dset" >/dev/null
  bench_proc oct read "$T" "$F" "/$dset" >/dev/null
  tc=(); tp=(); to=(); mem=()
  for ((r = 0; r < BENCH_RUNS; r++)); do
    lc=$(bench_proc c read "$F" "/$dset")
    lp=$(bench_proc py read "$T" "$F" "/$dset")
    lo=$(bench_proc oct read "$T" "$F" "/$dset")
    tc+=("$(field "$lc" time)"); tp+=("$(field "$lp" time)"); to+=("$(field "$lo" time)")
    mem+=("$(field "$lo" hwm_kb)")
  done
  [ "$(field "$lo" class)" = "$cls" ] || bench_fail "/$dset read as $(field "$lo" class), not $cls"
  [ "$(field "$lo" size)" = "8192x4096" ] || bench_fail "/$dset read as $(field "$lo" size), not 8192x4096"
  agree=$(same_sum "$(field "$lo" sum)" "$(field "$lc" sum)")
  [ "$agree" = yes ] && agree=$(same_sum "$(field "$lp" sum)" "$(field "$lc" sum)")
  mc=$(median "${tc[@]}"); mp=$(median "${tp[@]}"); mo=$(median "${to[@]}")
  printf '  %-34s %10.4f %10.4f %10.4f %10s\n' "/$dset $mib MiB $cls" "$mc" "$mp" "$mo" "$agree"
  printf '  %-34s %10.4f %10.4f %10.4f\n' "  best run" "$(minimum "${tc[@]}")" "$(minimum "${tp[@]}")" "$(minimum "${to[@]}")"
  runs "/$dset C" "${tc[@]}"; runs "/$dset h5py" "${tp[@]}"; runs "/$dset Octave" "${to[@]}"
  rc=$(ratio "$mo" "$mc"); rp=$(ratio "$mo" "$mp")
  hwm=$(median "${mem[@]}")
  grow_mib=$(awk -v a="$hwm" -v b="$start_kb" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
  grow_x=$(awk -v g="$grow_mib" -v s="$mib" 'BEGIN { printf "%.3f", g / s }')
  summary+=("$(printf '  %-34s %8s   goal <= 1.10     %s' "/$dset Octave/C" "$rc" "$(goal "$rc" "<=" 1.10)")")
  summary+=("$(printf '  %-34s %8s   goal < 1         %s' "/$dset Octave/h5py" "$rp" "$(goal "$rp" "<" 1)")")
  summary+=("$(printf '  %-34s %8s   goal <= 1.10 x   %s   (%s MiB for %s MiB)' "/$dset memory growth" "${grow_x}x" "$(goal "$grow_x" "<=" 1.10)" "$grow_mib" "$mib")")
done
printf '%s\n' "${summary[@]}"
awk -v b="$bare_kb" -v s="$start_kb" 'BEGIN {
  printf "  peak RSS: Octave started %.1f MiB, with the module loaded %.1f MiB (growth is over the latter)\n", b / 1024, s / 1024 }'
