#!/usr/bin/env bash
# h5info of "/" on a file of 100 groups with 100 small datasets each (half of
# them chunked and extensible), every dataset with two attributes (a string and
# a two-element double), against an h5py script that collects the same facts
# (dtype, shape, maxshape, chunks, attribute values) with visititems.
# Goal: Octave/h5py <= 1.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup

"$PYTHON" "$BENCH_DIR/py_bench.py" make-tiny "$WORK/tiny.h5" || bench_fail "making tiny.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-info "$WORK/info.h5" || bench_fail "making info.h5"
T=$WORK/tiny.h5
F=$WORK/info.h5

bench_proc py info "$T" "$F" >/dev/null
bench_proc oct info "$T" "$F" >/dev/null
tp=(); to=()
for ((r = 0; r < BENCH_RUNS; r++)); do
  lp=$(bench_proc py info "$T" "$F"); tp+=("$(field "$lp" time)")
  lo=$(bench_proc oct info "$T" "$F"); to+=("$(field "$lo" time)")
done
[ "$(field "$lo" datasets)" = 10000 ] || bench_fail "h5info listed $(field "$lo" datasets) datasets, not 10000"
[ "$(field "$lp" datasets)" = 10000 ] || bench_fail "h5py visited $(field "$lp" datasets) datasets, not 10000"
mp=$(median "${tp[@]}"); mo=$(median "${to[@]}")

echo "h5info, median and best of $BENCH_RUNS runs (seconds, 100 groups x 100 datasets x 2 attributes)"
printf '  %-34s %10s %10s\n' "description" "h5py" "Octave"
printf '  %-34s %10.4f %10.4f\n' "whole file from /" "$mp" "$mo"
printf '  %-34s %10.4f %10.4f\n' "  best run" "$(minimum "${tp[@]}")" "$(minimum "${to[@]}")"
runs "h5py" "${tp[@]}"; runs "Octave" "${to[@]}"
r=$(ratio "$mo" "$mp")
printf '  %-34s %8s   goal <= 1        %s\n' "h5info Octave/h5py" "$r" "$(goal "$r" "<=" 1)"
