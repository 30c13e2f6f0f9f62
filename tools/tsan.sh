#!/usr/bin/env bash
# Builds src/chunks.cc and src/h5.cc with ThreadSanitizer into a small driver
# (tools/tsan_chunks.cc, no Octave) and runs it: threaded writes, reads,
# fill values and a damaged chunk.  Any data race report fails the script.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tolvane-tsan.XXXXXX)
trap 'rm -rf "$work"' EXIT
flags=$(pkg-config --cflags --libs hdf5 2>/dev/null) \
  || flags="-I/usr/include/hdf5/serial -L/usr/lib/$(gcc -dumpmachine)/hdf5/serial -lhdf5"
# shellcheck disable=SC2086
g++ -std=c++17 -O1 -g -fsanitize=thread -pthread -o "$work/tsan_chunks" \
  "$top/tools/tsan_chunks.cc" "$top/src/chunks.cc" "$top/src/h5.cc" $flags -lz
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "$work/tsan_chunks" "$work/t.h5"
echo "tsan: no data race reported"
