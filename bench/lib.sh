# Shared helpers for the benchmark scripts bench/b_*.sh.  Source it, do not run it.
#
# Every benchmark runs each contender (tolvane in Octave, a small C program on the
# HDF5 C API, h5py) in its own process, several times, with one untimed warm-up
# per contender first.  Each process times only the HDF5 work itself (open, the
# transfer, close) and prints one line of key=value pairs; the scripts here take
# medians of those and print a short table.
#
# Environment:
#   BENCH_RUNS   timed runs per contender (default 7)
#   BENCH_VERBOSE=1 also prints every run's time
#   OCTAVE       Octave binary (default octave)
#   PYTHON       Python with h5py and numpy (default /usr/bin/python3)
#   CC           C compiler (default gcc)

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$BENCH_DIR/.." && pwd)
BENCH_RUNS=${BENCH_RUNS:-7}
OCTAVE=${OCTAVE:-octave}
PYTHON=${PYTHON:-/usr/bin/python3}
CC=${CC:-gcc}

# Prints a message on stderr and leaves with status 2: the benchmark cannot run.
bench_fail () {
  echo "$(basename "$0"): cannot run: $*" >&2
  exit 2
}

# Checks that everything a benchmark needs is there and makes its temporary
# directory $WORK, removed again when the script ends.
bench_setup () {
  [ -f "$ROOT/src/tolvane.oct" ] || bench_fail "$ROOT/src/tolvane.oct is missing (run make -C $ROOT/src)"
  command -v "$OCTAVE" >/dev/null || bench_fail "no $OCTAVE"
  "$PYTHON" -c 'import h5py, numpy' 2>/dev/null || bench_fail "$PYTHON lacks h5py or numpy"
  WORK=$(mktemp -d /tmp/tolvane-bench.XXXX) || bench_fail "mktemp failed"
  trap 'rm -rf "$WORK"' EXIT
}

# Compiles bench/c_bench.c into $WORK/c_bench.
bench_build_c () {
  command -v "$CC" >/dev/null || bench_fail "no C compiler $CC"
  local flags
  flags=$(pkg-config --cflags --libs hdf5 2>/dev/null) \
    || flags="-I/usr/include/hdf5/serial -L/usr/lib/$($CC -dumpmachine)/hdf5/serial -lhdf5"
  # shellcheck disable=SC2086
  "$CC" -O2 -std=c99 -Wall -o "$WORK/c_bench" "$BENCH_DIR/c_bench.c" $flags \
    || bench_fail "compiling c_bench.c failed"
}

# Runs one contender process and prints its key=value line.  The first
# argument names the contender: c, py or oct; the rest go to its program.
# Fails (status 2, with the process's output on stderr) when the process fails
# or prints no result; call it as a plain command or as a plain assignment
# v=$(bench_proc ...) in a script under set -e, so that a failure ends the script.
bench_proc () {
  local who=$1; shift
  local out="" err=$WORK/stderr.txt rc=0 line
  case $who in
    c)   out=$("$WORK/c_bench" "$@" 2>"$err") || rc=$? ;;
    py)  out=$("$PYTHON" "$BENCH_DIR/py_bench.py" "$@" 2>"$err") || rc=$? ;;
    oct) out=$(cd "$WORK" && "$OCTAVE" --no-gui --no-window-system --norc -q \
                 "$BENCH_DIR/oct_bench.m" "$ROOT" "$@" </dev/null 2>"$err") || rc=$? ;;
    *)   bench_fail "unknown contender $who" ;;
  esac
  line=$(printf '%s\n' "$out" | grep '^time=' | tail -n 1)
  if [ $rc -ne 0 ] || [ -z "$line" ]; then
    {
      echo "$who $* failed (status $rc):"
      printf '%s\n' "$out"
      grep -v 'ignoring const execution_exception' "$err"
    } >&2
    bench_fail "$who process failed"
  fi
  printf '%s\n' "$line"
}

# field LINE KEY: the value of KEY in a key=value line.
field () {
  printf '%s\n' "$1" | tr ' ' '\n' | sed -n "s/^$2=//p"
}

# median V1 V2 ...: the median of the numbers.
median () {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
    END { if (NR == 0) exit 1;
          if (NR % 2) printf "%.6f\n", v[(NR + 1) / 2];
          else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# minimum V1 V2 ...: the smallest of the numbers.
minimum () {
  printf '%s\n' "$@" | sort -g | head -n 1
}

# ratio A B: A / B with three decimals.
ratio () {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "inf"; else printf "%.3f\n", a / b }'
}

# goal VALUE OP LIMIT: "met" or "MISSED" for VALUE OP LIMIT (OP one of <=, <).
goal () {
  awk -v v="$1" -v op="$2" -v l="$3" 'BEGIN {
    ok = (op == "<=") ? (v <= l) : (v < l);
    print ok ? "met" : "MISSED" }'
}

# same_sum A B: "yes" when two checksums agree to a relative 1e-9.
same_sum () {
  awk -v a="$1" -v b="$2" 'BEGIN {
    d = a - b; if (d < 0) d = -d; m = (a < 0) ? -a : a; if (m < 1) m = 1;
    print (d <= 1e-9 * m) ? "yes" : "NO" }'
}

# row LABEL VALUE...: one table line.
row () {
  local label=$1; shift
  printf '  %-34s' "$label"
  printf ' %s' "$@"
  printf '\n'
}

# runs LABEL V1 V2 ...: with BENCH_VERBOSE=1, the times of all runs.
runs () {
  [ "${BENCH_VERBOSE:-0}" = 1 ] || return 0
  local label=$1; shift
  printf '    runs %-29s' "$label"
  printf ' %.4f' "$@"
  printf '\n'
}
