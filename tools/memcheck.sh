#!/usr/bin/env bash
# make memcheck: run tools/memcheck.m (every function of the module, with
# successful and failing calls of each kind) under valgrind memcheck, then
# filter valgrind's report by stack.  Counted are invalid reads, writes and
# frees and definite leaks whose stack passes through the module (tolvane.oct or
# its sources); errors whose stacks do not (Octave, HDF5 on its own) are
# ignored.  Prints the counts and the offending stacks; exits non-zero if any.
#   MEMCHECK_KEEP=1 keeps the work directory with valgrind's XML report.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
PYTHON=${PYTHON:-/usr/bin/python3}
if [ ! -e "$top/src/tolvane.oct" ]; then
  echo "memcheck: build the module first (make -C src)" >&2
  exit 1
fi
work=$(mktemp -d /tmp/tolvane-memcheck.XXXXXX)
if [ -z "${MEMCHECK_KEEP:-}" ]; then
  trap 'rm -rf "$work"' EXIT
else
  echo "memcheck: keeping $work"
fi

# Fixture: strings, attributes, links and datatypes the module does not support.
"$PYTHON" - "$work" <<'PY'
import os, sys
import h5py, numpy as np
d = sys.argv[1]
with h5py.File(os.path.join(d, "types.h5"), "w") as f:
    vs = h5py.string_dtype("utf-8")
    f.create_dataset("vlen_str", data=["a", "bb", "ccc"], dtype=vs)
    f.create_dataset("vlen_str_scalar", data="scalar", dtype=vs)
    f["fixed_str"] = np.array([b"ab", b"cd", b"ef"], dtype="S2")
    f["fixed_str_scalar"] = np.array(b"fixed", dtype="S5")
    f["compound"] = np.zeros(3, dtype=[("x", "f8"), ("y", "i4")])
    f["half"] = np.zeros(4, dtype="f2")
    f.create_dataset("enum", data=np.zeros(3, dtype="i1"),
                     dtype=h5py.enum_dtype({"RED": 0, "GREEN": 1, "BLUE": 2}, basetype="i1"))
    f.create_dataset("vlen_int", shape=(2,), dtype=h5py.vlen_dtype("i4"))
    f["vlen_int"][0] = np.arange(3, dtype="i4")
    f["vlen_int"][1] = np.arange(5, dtype="i4")
    f.create_dataset("ref", data=[f["half"].ref], dtype=h5py.ref_dtype)
    f["opaque"] = np.void(b"\x01\x02\x03\x04")
    f["array"] = np.zeros(2, dtype=np.dtype(("f8", (3,))))
    tid = h5py.h5t.STD_B8LE.copy()
    sid = h5py.h5s.create_simple((4,))
    h5py.h5d.create(f.id, b"bitfield", tid, sid).write(h5py.h5s.ALL, h5py.h5s.ALL,
                                                       np.arange(4, dtype="u1"))
    t24 = h5py.h5t.STD_I32LE.copy(); t24.set_size(3)
    h5py.h5d.create(f.id, b"int24", t24, sid)
    f.create_dataset("null", data=h5py.Empty("f8"))
    f["bool"] = np.array([True, False])
    f["complex"] = np.array([1 + 2j, 3 - 4j])
    f["be_double"] = np.arange(3, dtype=">f8")
    f["dt"] = np.dtype("<i4")
    f["dt"].attrs["on_type"] = np.array([(1, "x"), (2, "yy")], dtype=[("p", "u1"), ("q", vs)])
    row = np.dtype([("i", ">i4"), ("s", "S3"), ("v", h5py.vlen_dtype("i2")), ("t", vs),
                    ("a", "f4", (2,)), ("n", [("e", h5py.enum_dtype({"A": 0}, basetype="u1"))])])
    c = np.zeros(3, dtype=row)
    for j in range(3):
        c["v"][j] = np.arange(j, dtype="i2")
        c["t"][j] = "t" * j
    f["cmpx"] = c
    f["regref"] = np.array([f["be_double"].regionref[1:3], f["be_double"].regionref[0]],
                           dtype=h5py.regionref_dtype)
    f.create_dataset("selfref", (1,), dtype=h5py.ref_dtype)
    f["selfref"][0] = f["selfref"].ref
    f.create_dataset("vlen_cmp", (2,), dtype=h5py.vlen_dtype(np.dtype([("x", "i4"), ("y", vs)])))
    g = f.create_group("g")
    g["inner"] = np.arange(6.0).reshape(2, 3)
    f["soft"] = h5py.SoftLink("/g/inner")
    f["dangling"] = h5py.SoftLink("/nowhere")
    f["external"] = h5py.ExternalLink("missing_file.h5", "/x")
    for obj in (f, g):
        a = obj.attrs
        a["vstr"] = "variable"
        a.create("fstr", np.array(b"fixed", dtype="S5"))
        a.create("vlist", ["x", "yy"], dtype=vs)
        a.create("flist", np.array([b"ab", b"cd"], dtype="S2"))
        a["compound"] = np.zeros(2, dtype=[("x", "f8"), ("y", "i4")])
        a["half"] = np.zeros(2, dtype="f2")
        a.create("enum", np.zeros(2, dtype="i1"),
                 dtype=h5py.enum_dtype({"A": 0, "B": 1, "C": 2}, basetype="i1"))
        vl = np.empty(2, dtype=object)
        vl[0] = np.arange(2, dtype="i4")
        vl[1] = np.arange(3, dtype="i4")
        a.create("vlen_int", data=vl, dtype=h5py.vlen_dtype("i4"))
        a.create("ref", data=[f["half"].ref], dtype=h5py.ref_dtype)
        a["scalar"] = np.float64(4)
        a["null"] = h5py.Empty("f8")
        a["big_endian"] = np.arange(3, dtype=">i4")
        a["with space"] = np.int16(1)
with h5py.File(os.path.join(d, "cycle.h5"), "w") as f:
    g = f.create_group("a/b")
    g["up"] = f["a"]          # a hard link back to an ancestor
    g["d"] = np.arange(3.0)
data = open(os.path.join(d, "types.h5"), "rb").read()
open(os.path.join(d, "truncated.h5"), "wb").write(data[: len(data) // 3])
open(os.path.join(d, "not_hdf5.h5"), "wb").write(b"plain text, not HDF5\n" * 20)
PY

# References and nested sequences written with the HDF5 C API.
gcc -o "$work/c_writer" "$top/test/fixtures/c_writer.c" $(pkg-config --cflags --libs hdf5) \
  && "$work/c_writer" "$work/c_api.h5"

echo "memcheck: running tools/memcheck.m under valgrind (under a minute)"
status=0
MEMCHECK_DIR="$work" valgrind --tool=memcheck --leak-check=full \
  --show-leak-kinds=definite --errors-for-leak-kinds=definite \
  --num-callers=40 --keep-debuginfo=yes --track-origins=no --child-silent-after-fork=yes \
  --xml=yes --xml-file="$work/valgrind.xml" \
  octave-cli --norc -q "$top/tools/memcheck.m" >"$work/octave.log" 2>&1 || status=$?
cat "$work/octave.log" | grep -v "ignoring const execution_exception" || true
if ! grep -q "MEMCHECK DONE" "$work/octave.log"; then
  echo "memcheck: tools/memcheck.m did not finish (exit status $status)"
  exit 1
fi

"$PYTHON" - "$work/valgrind.xml" <<'PY'
import re, sys
import xml.etree.ElementTree as ET

MODULE_SOURCES = re.compile(r"^(tolvane|h5|description|exchange|info|headroom|composite|walk|chunks)\.(cc|h)$")
INVALID = {"InvalidRead", "InvalidWrite", "InvalidFree", "MismatchedFree",
           "InvalidMemPool", "Overlap", "FishyValue"}
LEAK = {"Leak_DefinitelyLost"}
UNINIT = {"UninitCondition", "UninitValue", "SyscallParam", "ClientCheck"}


def frames(stack):
    out = []
    for fr in stack.findall("frame"):
        out.append({k: (fr.findtext(k) or "") for k in ("ip", "obj", "fn", "dir", "file", "line")})
    return out


def in_module(fr):
    return "tolvane.oct" in fr["obj"] or bool(MODULE_SOURCES.match(fr["file"])) \
        and "/src" in fr["dir"]


root = ET.parse(sys.argv[1]).getroot()
counts = {"invalid": 0, "leak": 0, "uninit": 0}
ignored = 0
shown = []
for err in root.findall("error"):
    kind = err.findtext("kind") or ""
    stacks = [frames(s) for s in err.findall("stack")]
    through = any(in_module(fr) for st in stacks for fr in st)
    group = ("invalid" if kind in INVALID else "leak" if kind in LEAK
             else "uninit" if kind in UNINIT else None)
    if group is None:
        continue
    if not through:
        ignored += 1
        continue
    counts[group] += 1
    what = err.findtext("what") or (err.find("xwhat").findtext("text")
                                    if err.find("xwhat") is not None else kind)
    lines = ["%s: %s" % (kind, what)]
    for st in stacks:
        for i, fr in enumerate(st[:16]):
            where = "%s:%s" % (fr["file"], fr["line"]) if fr["file"] else fr["obj"].split("/")[-1]
            lines.append("    %s %s (%s)" % ("at" if i == 0 else "by", fr["fn"] or fr["ip"], where))
        lines.append("  --")
    shown.append("\n".join(lines))

for s in shown:
    print(s)
print("memcheck: errors whose stack passes through the module:")
print("  invalid reads/writes/frees: %d" % counts["invalid"])
print("  definite leaks:             %d" % counts["leak"])
print("  uninitialised values:       %d" % counts["uninit"])
print("memcheck: errors outside the module, ignored: %d" % ignored)
sys.exit(1 if counts["invalid"] or counts["leak"] or counts["uninit"] else 0)
PY
