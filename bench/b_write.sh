#!/usr/bin/env bash
# Whole-dataset write and strided read.
#  - write: a 256 MiB double array over the whole of an existing contiguous
#    dataset (made and written by h5py), with __h5write__ (file, "/d", a, [],
#    [], []), one H5Dwrite from C, and h5py's ds[...] = a.  All runs write into
#    the same file, whose data are in the page cache: the time is the library's
#    and the copy into the cache, not the allocation of new cache pages, which
#    on a virtual machine that hands freed memory back to its host varies from
#    run to run by up to ten times the transfer itself.
#  - strided read: every other row and column of a 4096x4096 double dataset,
#    __h5read__ (file, "/d", [1 1], [2048 2048], [2 2]) against h5py's
#    ds[::2, ::2] (and, for reference, one strided H5Dread from C).
# Goals: write Octave/C <= 1.10 and Octave/h5py < 1; strided Octave/h5py <= 1.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup
bench_build_c

N=33554432            # 4096 x 8192 doubles = 256 MiB
"$PYTHON" "$BENCH_DIR/py_bench.py" make-tiny "$WORK/tiny.h5" || bench_fail "making tiny.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-write "$WORK/write.h5" || bench_fail "making write.h5"
"$PYTHON" "$BENCH_DIR/py_bench.py" make-strided "$WORK/strided.h5" || bench_fail "making strided.h5"
T=$WORK/tiny.h5
W=$WORK/write.h5

# write_run WHO: one write over the whole of /d; prints its line.
write_run () {
  case $1 in
    c)   bench_proc c write "$W" /d "$N" ;;
    py)  bench_proc py write "$T" "$W" /d "$N" ;;
    oct) bench_proc oct write "$T" "$W" /d "$N" 8192x4096 ;;
  esac
}

for who in c py oct; do
  write_run "$who" >/dev/null
done
tc=(); tp=(); to=()
for ((r = 0; r < BENCH_RUNS; r++)); do
  l=$(write_run c); tc+=("$(field "$l" time)"); csum=$(field "$l" sum)
  l=$(write_run py); tp+=("$(field "$l" time)")
  l=$(write_run oct); to+=("$(field "$l" time)")
done
# Untimed: into a file of zeros, Octave must write what C wrote.
"$PYTHON" "$BENCH_DIR/py_bench.py" make-write "$W" || bench_fail "making write.h5"
write_run oct >/dev/null
l=$(bench_proc py sum "$W" /d)
wagree=$(same_sum "$(field "$l" sum)" "$csum")
rm -f "$W"
wc=$(median "${tc[@]}"); wp=$(median "${tp[@]}"); wo=$(median "${to[@]}")

S=$WORK/strided.h5
bench_proc c read "$S" /d 2 >/dev/null
bench_proc py read "$T" "$S" /d 2 >/dev/null
bench_proc oct read "$T" "$S" /d 2048x2048 2x2 >/dev/null
sc=(); sp=(); so=()
for ((r = 0; r < BENCH_RUNS; r++)); do
  lc=$(bench_proc c read "$S" /d 2); sc+=("$(field "$lc" time)")
  lp=$(bench_proc py read "$T" "$S" /d 2); sp+=("$(field "$lp" time)")
  lo=$(bench_proc oct read "$T" "$S" /d 2048x2048 2x2); so+=("$(field "$lo" time)")
done
[ "$(field "$lo" size)" = "2048x2048" ] || bench_fail "strided read gave $(field "$lo" size), not 2048x2048"
sagree=$(same_sum "$(field "$lo" sum)" "$(field "$lc" sum)")
[ "$sagree" = yes ] && sagree=$(same_sum "$(field "$lp" sum)" "$(field "$lc" sum)")
mc=$(median "${sc[@]}"); mp=$(median "${sp[@]}"); mo=$(median "${so[@]}")

echo "write and strided read, median and best of $BENCH_RUNS runs (seconds, open+transfer+close)"
printf '  %-34s %10s %10s %10s %10s\n' "transfer" "C" "h5py" "Octave" "data agree"
printf '  %-34s %10.4f %10.4f %10.4f %10s\n' "write 256 MiB double" "$wc" "$wp" "$wo" "$wagree"
printf '  %-34s %10.4f %10.4f %10.4f\n' "  best run" "$(minimum "${tc[@]}")" "$(minimum "${tp[@]}")" "$(minimum "${to[@]}")"
printf '  %-34s %10.4f %10.4f %10.4f %10s\n' "read /d(1:2:end,1:2:end) 32 MiB" "$mc" "$mp" "$mo" "$sagree"
printf '  %-34s %10.4f %10.4f %10.4f\n' "  best run" "$(minimum "${sc[@]}")" "$(minimum "${sp[@]}")" "$(minimum "${so[@]}")"
runs "write C" "${tc[@]}"; runs "write h5py" "${tp[@]}"; runs "write Octave" "${to[@]}"
runs "strided C" "${sc[@]}"; runs "strided h5py" "${sp[@]}"; runs "strided Octave" "${so[@]}"
r1=$(ratio "$wo" "$wc"); r2=$(ratio "$wo" "$wp"); r3=$(ratio "$mo" "$mp"); r4=$(ratio "$mo" "$mc")
printf '  %-34s %8s   goal <= 1.10     %s\n' "write Octave/C" "$r1" "$(goal "$r1" "<=" 1.10)"
printf '  %-34s %8s   goal < 1         %s\n' "write Octave/h5py" "$r2" "$(goal "$r2" "<" 1)"
printf '  %-34s %8s   goal <= 1        %s\n' "strided read Octave/h5py" "$r3" "$(goal "$r3" "<=" 1)"
printf '  %-34s %8s   (no goal)\n' "strided read Octave/C" "$r4"
