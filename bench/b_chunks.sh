#!/usr/bin/env bash
# Compressed chunked data: a 256 MiB single dataset, HDF5 extents 8192x8192 in
# chunks of 256x1024, gzip level 4, without (/gz) and with (/gzs) shuffle,
# written by h5py with a[i] = (i % 1000003) * 0.5.
#  - whole reads: __h5read__ with the default threads and with
#    TOLVANE_NUM_THREADS=1, one H5Dread from C, h5py's ds[()];
#  - a 1024x1024 hyperslab in the middle, the same four;
#  - writes: h5create + h5write into a new file (both thread settings) against
#    h5py's create_dataset (..., compression="gzip", compression_opts=4).
# Goals (2 cores): threaded whole reads and writes <= 0.67 x h5py; one thread
# never slower than h5py (<= 1.05, timing noise); peak memory growth of the
# threaded whole read <= data + one chunk (2 MiB) per thread, checked with 2 MiB
# slack for the process's own noise.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup
bench_build_c

N=67108864
"$PYTHON" "$BENCH_DIR/py_bench.py" make-tiny "$WORK/tiny.h5" || bench_fail "making tiny.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-chunked "$WORK/chunked.h5" || bench_fail "making chunked.h5"
T=$WORK/tiny.h5
F=$WORK/chunked.h5
threads=$(cd "$WORK" && "$OCTAVE" --no-gui --no-window-system --norc -q --eval \
  "addpath ('$ROOT/src'); addpath ('$ROOT/inst'); printf ('%d', __h5chunks__ ().max_threads)")

one () { TOLVANE_NUM_THREADS=1 bench_proc "$@"; }

start=()
for i in 1 2 3; do
  l=$(bench_proc oct start "$T"); start+=("$(field "$l" hwm_kb)")
done
start_kb=$(median "${start[@]}")

# measure LABEL CMD...: runs CMD (one warm-up, BENCH_RUNS timed); sets
# MED, SUM, HWM.
measure () {
  local label=$1; shift
  local ts=() hs=() l
  "$@" >/dev/null
  for ((r = 0; r < BENCH_RUNS; r++)); do
    l=$("$@"); ts+=("$(field "$l" time)"); hs+=("$(field "$l" hwm_kb)")
  done
  runs "$label" "${ts[@]}"
  MED=$(median "${ts[@]}"); SUM=$(field "$l" sum); HWM=$(median "${hs[@]:-0}")
}

echo "chunks: gzip 4, 256 MiB single, chunks 256x1024; median of $BENCH_RUNS runs (s); $threads threads; load: $(uptime | sed 's/.*load average/load average/')"
printf '  %-30s %9s %9s %9s %9s %7s %7s %6s\n' "transfer" "C" "h5py" "1 thread" "threads" "1/h5py" "N/h5py" "agree"
summary=()
for dset in gz gzs; do
  measure "read /$dset C" bench_proc c read "$F" "/$dset"; mc=$MED; sc=$SUM
  measure "read /$dset h5py" bench_proc py read "$T" "$F" "/$dset"; mp=$MED
  measure "read /$dset 1" one oct read "$T" "$F" "/$dset"; m1=$MED; s1=$SUM
  measure "read /$dset N" bench_proc oct read "$T" "$F" "/$dset"; mn=$MED; sn=$SUM; hwm=$HWM
  agree=$(same_sum "$s1" "$sc"); [ "$agree" = yes ] && agree=$(same_sum "$sn" "$sc")
  r1=$(ratio "$m1" "$mp"); rn=$(ratio "$mn" "$mp")
  printf '  %-30s %9.4f %9.4f %9.4f %9.4f %7s %7s %6s\n' "read /$dset whole" "$mc" "$mp" "$m1" "$mn" "$r1" "$rn" "$agree"
  summary+=("$(printf '  %-34s %8s   goal <= 0.67     %s' "read /$dset threads/h5py" "$rn" "$(goal "$rn" "<=" 0.67)")")
  summary+=("$(printf '  %-34s %8s   goal <= 1.05     %s' "read /$dset 1 thread/h5py" "$r1" "$(goal "$r1" "<=" 1.05)")")
  grow=$(awk -v a="$hwm" -v b="$start_kb" 'BEGIN { printf "%.1f", (a - b) / 1024 }')
  lim=$(awk -v t="$threads" 'BEGIN { printf "%.1f", 256 + 2 * t + 2 }')
  summary+=("$(printf '  %-34s %8s   goal <= %s MiB %s' "read /$dset threads memory growth" "$grow" "$lim" "$(goal "$grow" "<=" "$lim")")")

  measure "slab /$dset C" bench_proc c slab "$F" "/$dset" 3584 3584 1024 1024; mc=$MED; sc=$SUM
  measure "slab /$dset h5py" bench_proc py slab "$T" "$F" "/$dset" 3584 3584 1024 1024; mp=$MED
  measure "slab /$dset 1" one oct slab "$T" "$F" "/$dset" 3585x3585 1024x1024; m1=$MED; s1=$SUM
  measure "slab /$dset N" bench_proc oct slab "$T" "$F" "/$dset" 3585x3585 1024x1024; mn=$MED; sn=$SUM
  agree=$(same_sum "$s1" "$sc"); [ "$agree" = yes ] && agree=$(same_sum "$sn" "$sc")
  printf '  %-30s %9.4f %9.4f %9.4f %9.4f %7s %7s %6s\n' "read /$dset 1024x1024 middle" "$mc" "$mp" "$m1" "$mn" "$(ratio "$m1" "$mp")" "$(ratio "$mn" "$mp")" "$agree"

  sh=0; [ "$dset" = gzs ] && sh=1
  W=$WORK/w.h5
  wp_cmd () { rm -f "$W"; bench_proc py create-write "$T" "$W" "/$dset" "$N" "$sh"; }
  w1_cmd () { rm -f "$W"; one oct create-write "$T" "$W" "/$dset" "$N" 8192x8192 1024x256 "$sh"; }
  wn_cmd () { rm -f "$W"; bench_proc oct create-write "$T" "$W" "/$dset" "$N" 8192x8192 1024x256 "$sh"; }
  measure "write /$dset h5py" wp_cmd; mp=$MED; sp=$SUM
  measure "write /$dset 1" w1_cmd; m1=$MED
  measure "write /$dset N" wn_cmd; mn=$MED
  l=$(bench_proc py sum "$W" "/$dset"); agree=$(same_sum "$(field "$l" sum)" "$sp")
  rm -f "$W"
  r1=$(ratio "$m1" "$mp"); rn=$(ratio "$mn" "$mp")
  printf '  %-30s %9s %9.4f %9.4f %9.4f %7s %7s %6s\n' "write /$dset whole" "-" "$mp" "$m1" "$mn" "$r1" "$rn" "$agree"
  summary+=("$(printf '  %-34s %8s   goal <= 0.67     %s' "write /$dset threads/h5py" "$rn" "$(goal "$rn" "<=" 0.67)")")
  summary+=("$(printf '  %-34s %8s   goal <= 1.05     %s' "write /$dset 1 thread/h5py" "$r1" "$(goal "$r1" "<=" 1.05)")")
done
printf '%s\n' "${summary[@]}"
