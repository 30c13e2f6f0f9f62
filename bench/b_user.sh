#!/usr/bin/env bash
# The user-level functions against their back-ends, and against h5py:
#  - h5read / h5write of a whole 256 MiB double dataset against __h5read__ /
#    __h5write__ (goal: within 5%);
#  - 1,000 calls of h5read reading one element each (every call opens and
#    closes the file) against h5py doing open, read one element, close 1,000
#    times in a loop (goal: no slower than h5py); __h5read__ shown as well.
# The user-level function and its back-end take turns inside one Octave
# process; Octave and h5py processes take turns over three rounds.  Medians
# over all turns.  BENCH_RUNS (default 7) turns per contender in all.
set -e
. "$(dirname "$0")/lib.sh"
bench_setup
N=1000
ROUNDS=3
PER=$(( (BENCH_RUNS + ROUNDS - 1) / ROUNDS ))

"$PYTHON" "$BENCH_DIR/user_bench.py" make "$WORK/user.h5" || bench_fail "making user.h5"
F=$WORK/user.h5

# user_proc oct|py ARGS...: one process; prints its result lines.
user_proc () {
  local who=$1; shift
  local out rc=0
  if [ "$who" = py ]; then
    out=$("$PYTHON" "$BENCH_DIR/user_bench.py" "$@" 2>"$WORK/stderr.txt") || rc=$?
  else
    out=$(cd "$WORK" && "$OCTAVE" --no-gui --no-window-system --norc -q \
            "$BENCH_DIR/user_bench.m" "$ROOT" "$@" </dev/null 2>"$WORK/stderr.txt") || rc=$?
  fi
  out=$(printf '%s\n' "$out" | grep -E '^(user|py)=' || true)
  if [ $rc -ne 0 ] || [ -z "$out" ]; then
    { echo "$who $* failed (status $rc):"; printf '%s\n' "$out"
      grep -v 'ignoring const execution_exception' "$WORK/stderr.txt"; } >&2
    bench_fail "$who process failed"
  fi
  printf '%s\n' "$out"
}

# column KEY LINES: the values of KEY, one per line of LINES.
column () {
  printf '%s\n' "$2" | while read -r l; do field "$l" "$1"; done
}

perus () {
  awk -v t="$1" -v n=$N 'BEGIN { printf "%.1f", t / n * 1e6 }'
}

echo "user-level functions: median of $(( PER * ROUNDS )) turns (seconds)"
printf '  %-40s %10s %10s %8s\n' "operation" "user" "back-end" "ratio"
summary=()
for op in read write; do
  all=""
  for ((r = 0; r < ROUNDS; r++)); do
    all+="$(user_proc oct "$op" "$F" "$PER")"$'\n'
  done
  all=$(printf '%s' "$all" | sed '/^$/d')
  [ "$(column sum "$all" | sort -u | wc -l)" = 1 ] || bench_fail "$op: checksums differ"
  tu=($(column user "$all")); tb=($(column back "$all"))
  mu=$(median "${tu[@]}"); mb=$(median "${tb[@]}"); rt=$(ratio "$mu" "$mb")
  printf '  %-40s %10.4f %10.4f %8s\n' "h5$op 256 MiB double" "$mu" "$mb" "$rt"
  runs "h5$op user" "${tu[@]}"; runs "h5$op back-end" "${tb[@]}"
  summary+=("$(printf '  %-40s %8s   goal <= 1.05   %s' "h5$op user/back-end" "$rt" "$(goal "$rt" "<=" 1.05)")")
done

oct=""; py=""
for ((r = 0; r < ROUNDS; r++)); do
  oct+="$(user_proc oct one "$F" "$PER" "$N")"$'\n'
  py+="$(user_proc py one "$F" "$PER" "$N")"$'\n'
done
oct=$(printf '%s' "$oct" | sed '/^$/d'); py=$(printf '%s' "$py" | sed '/^$/d')
[ "$(printf '%s\n%s\n' "$(column sum "$oct")" "$(column sum "$py")" | sort -u | wc -l)" = 1 ] \
  || bench_fail "single-element reads: checksums differ"
tu=($(column user "$oct")); tb=($(column back "$oct")); tp=($(column py "$py"))
mu=$(median "${tu[@]}"); mb=$(median "${tb[@]}"); mp=$(median "${tp[@]}")
printf '  %-40s %10s %10s %8s\n' "" "h5read" "__h5read__" "h5py"
printf '  %-40s %10.4f %10.4f %8.4f\n' "$N single-element reads, open each time" "$mu" "$mb" "$mp"
printf '  %-40s %10s %10s %8s\n' "  per call (microseconds)" "$(perus "$mu")" "$(perus "$mb")" "$(perus "$mp")"
runs "one h5read" "${tu[@]}"; runs "one __h5read__" "${tb[@]}"; runs "one h5py" "${tp[@]}"
rp=$(ratio "$mu" "$mp"); rb=$(ratio "$mb" "$mp")
summary+=("$(printf '  %-40s %8s   goal <= 1      %s' "$N x h5read one element / h5py" "$rp" "$(goal "$rp" "<=" 1)")")
summary+=("$(printf '  %-40s %8s   (for reference)' "$N x __h5read__ one element / h5py" "$rb")")
printf '%s\n' "${summary[@]}"
