#!/usr/bin/env python3
"""Write the small seed files of the mutation harness and the seed list.

Usage: make_seeds.py DIR

Writes DIR/seed_*.h5 and DIR/seeds.tsv.  Every line of seeds.tsv is one of
  D <tab> seed <tab> location <tab> class <tab> dims   a dataset to read
  A <tab> seed <tab> location <tab> name               an attribute to read
  W <tab> seed <tab> location <tab> class <tab> dims   the dataset to write
where class is the Octave class of a value for that dataset ("double",
"int8", ..., "logical", "complex", "cellstr", "char") and dims its Octave
dimensions (space separated, HDF5 order reversed; 1 for a scalar).
"""
import os
import sys

import h5py
import numpy as np

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
rows = []

OCT_CLASS = {
    "f8": "double", "f4": "single", "i1": "int8", "u1": "uint8", "i2": "int16",
    "u2": "uint16", "i4": "int32", "u4": "uint32", "i8": "int64", "u8": "uint64",
    "c16": "complex", "c8": "complex", "b1": "logical",
}


def oct_dims(shape):
    if shape is None or len(shape) == 0:
        return [1, 1]
    if len(shape) == 1:
        return [1, shape[0]]
    return list(reversed(shape))


def dset(seed, loc, cls, shape):
    rows.append(["D", seed, loc, cls, " ".join(str(d) for d in oct_dims(shape))])


def write_target(seed, loc, cls, shape):
    rows.append(["W", seed, loc, cls, " ".join(str(d) for d in oct_dims(shape))])


def att(seed, loc, name):
    rows.append(["A", seed, loc, name])


def complex_type(base):
    return np.dtype([("r", base), ("i", base)])


def numeric_seed(name, libver):
    f = h5py.File(os.path.join(out, name + ".h5"), "w", libver=libver)
    f.attrs["title"] = "numbers"
    att(name, "/", "title")
    f.attrs["version"] = np.int32(3)
    att(name, "/", "version")
    for code, cls in OCT_CLASS.items():
        loc = "/n_" + code
        if code in ("c16", "c8"):
            base = "f8" if code == "c16" else "f4"
            data = np.zeros((2, 3), dtype=complex_type(base))
            data["r"] = np.arange(6).reshape(2, 3)
            data["i"] = -np.arange(6).reshape(2, 3)
        elif code == "b1":
            data = (np.arange(6).reshape(2, 3) % 2).astype(bool)
        else:
            data = np.arange(6).reshape(2, 3).astype(code)
        d = f.create_dataset(loc, data=data)
        dset(name, loc, cls, data.shape)
        d.attrs["unit"] = "m"
        att(name, loc, "unit")
    f["/scalar"] = 2.5
    dset(name, "/scalar", "double", ())
    f["/vector"] = np.arange(5, dtype="f8")
    dset(name, "/vector", "double", (5,))
    f["/cube"] = np.arange(24, dtype="i2").reshape(2, 3, 4)
    dset(name, "/cube", "int16", (2, 3, 4))
    f.create_dataset("/null", data=h5py.Empty("f8"))
    dset(name, "/null", "double", ())
    f["/n_f8"].attrs["scale"] = np.array([1.0, 2.0, 3.0])
    att(name, "/n_f8", "scale")
    f["/n_f8"].attrs["flags"] = np.array([[1, 2], [3, 4]], dtype="u2")
    att(name, "/n_f8", "flags")
    write_target(name, "/n_f8", "double", (2, 3))
    f.close()


def chunked_seed(name):
    f = h5py.File(os.path.join(out, name + ".h5"), "w")
    d = f.create_dataset("/gz", data=np.arange(200, dtype="f8").reshape(20, 10),
                         chunks=(5, 5), compression="gzip", compression_opts=6)
    dset(name, "/gz", "double", d.shape)
    d.attrs["note"] = np.float32(1.5)
    att(name, "/gz", "note")
    d = f.create_dataset("/shuf", data=np.arange(64, dtype="i4").reshape(8, 8),
                         chunks=(4, 4), shuffle=True, compression="gzip")
    dset(name, "/shuf", "int32", d.shape)
    d = f.create_dataset("/ext", data=np.arange(30, dtype="f8").reshape(3, 10),
                         maxshape=(None, 10), chunks=(2, 10))
    dset(name, "/ext", "double", d.shape)
    d = f.create_dataset("/ext_empty", shape=(0, 4), maxshape=(None, 4),
                         chunks=(8, 4), dtype="u1")
    dset(name, "/ext_empty", "uint8", d.shape)
    d = f.create_dataset("/f32", data=np.arange(12, dtype="f4").reshape(3, 4),
                         chunks=(3, 1), fletcher32=True)
    dset(name, "/f32", "single", d.shape)
    f.attrs["chunked"] = np.uint8(1)
    att(name, "/", "chunked")
    write_target(name, "/ext", "double", (3, 10))
    f.close()


def string_seed(name):
    f = h5py.File(os.path.join(out, name + ".h5"), "w")
    vstr = h5py.string_dtype("utf-8")
    f.create_dataset("/vs_scalar", data="hello", dtype=vstr)
    dset(name, "/vs_scalar", "char", ())
    f.create_dataset("/vs", data=["alpha", "beta", "gamma"], dtype=vstr)
    dset(name, "/vs", "cellstr", (3,))
    f.create_dataset("/fs", data=np.array([b"one", b"three", b"eleven"], dtype="S8"))
    dset(name, "/fs", "cellstr", (3,))
    f.create_dataset("/fs_scalar", data=np.array(b"fixed", dtype="S5"))
    dset(name, "/fs_scalar", "char", ())
    g = f.create_group("/meta")
    g.attrs["vname"] = "variable"
    att(name, "/meta", "vname")
    g.attrs.create("fname", np.array(b"fixed!", dtype="S6"))
    att(name, "/meta", "fname")
    g.attrs.create("vlist", ["x", "yy"], dtype=vstr)
    att(name, "/meta", "vlist")
    f["/vs"].attrs["n"] = np.int64(3)
    att(name, "/vs", "n")
    write_target(name, "/vs", "cellstr", (3,))
    f.close()


def group_seed(name):
    f = h5py.File(os.path.join(out, name + ".h5"), "w")
    d = f.create_dataset("/g1/g2/g3/deep", data=np.arange(4, dtype="f8"))
    dset(name, "/g1/g2/g3/deep", "double", d.shape)
    f["/g1"].attrs["level"] = np.int8(1)
    att(name, "/g1", "level")
    f["/g1/g2"].attrs["level"] = np.int8(2)
    att(name, "/g1/g2", "level")
    f["/soft"] = h5py.SoftLink("/g1/g2/g3/deep")
    dset(name, "/soft", "double", (4,))
    f["/softg"] = h5py.SoftLink("/g1/g2")
    f["/hard"] = f["/g1/g2/g3"]
    dset(name, "/hard/deep", "double", (4,))
    f["/dt"] = np.dtype("<i4")
    f.create_dataset("/typed", data=np.arange(6, dtype="<i4").reshape(2, 3), dtype=f["/dt"])
    dset(name, "/typed", "int32", (2, 3))
    f.create_group("/empty")
    f["/b"] = np.float64(1)
    f["/a"] = np.float64(2)
    f["/B"] = np.float64(3)
    for loc in ("/a", "/b", "/B"):
        dset(name, loc, "double", ())
    f.attrs["root"] = np.array([1, 2, 3], dtype="i4")
    att(name, "/", "root")
    write_target(name, "/g1/g2/g3/deep", "double", (4,))
    f.close()


def latest_seed(name):
    f = h5py.File(os.path.join(out, name + ".h5"), "w", libver="latest")
    d = f.create_dataset("/many", data=np.arange(12, dtype="f8").reshape(4, 3))
    dset(name, "/many", "double", d.shape)
    for i in range(12):  # enough attributes for dense attribute storage
        d.attrs["a%02d" % i] = np.float64(i)
    att(name, "/many", "a00")
    att(name, "/many", "a11")
    dcpl = h5py.h5p.create(h5py.h5p.DATASET_CREATE)
    dcpl.set_layout(h5py.h5d.COMPACT)
    space = h5py.h5s.create_simple((8,))
    h5py.h5d.create(f.id, b"compact", h5py.h5t.STD_U32LE, space, dcpl=dcpl)
    f["/compact"][...] = np.arange(8, dtype="u4")
    dset(name, "/compact", "uint32", (8,))
    d = f.create_dataset("/ext", data=np.arange(6, dtype="i8"), maxshape=(None,),
                         chunks=(4,), compression="gzip")
    dset(name, "/ext", "int64", d.shape)
    g = f.create_group("/grp", track_order=True)
    g["x"] = np.float32(1)
    dset(name, "/grp/x", "single", ())
    g.attrs["s"] = "str"
    att(name, "/grp", "s")
    f.create_dataset("/bools", data=np.array([True, False, True]))
    dset(name, "/bools", "logical", (3,))
    write_target(name, "/many", "double", (4, 3))
    f.close()


def composite_seed(name):
    """Compound (nested, with array, string and enum members), enumeration,
    variable-length, array, opaque, bitfield and reference data."""
    f = h5py.File(os.path.join(out, name + ".h5"), "w")
    colour = h5py.enum_dtype({"R": 0, "G": 1, "B": 2}, basetype="i1")
    row = np.dtype([("i", ">i4"), ("d", "f8"), ("s", "S4"), ("e", colour),
                    ("a", "u2", (2,)), ("n", [("x", "u1"), ("y", ">f4")])])
    data = np.zeros((3, 2), dtype=row)
    data["i"] = np.arange(6).reshape(3, 2)
    data["s"] = b"ab"
    f["/cmp"] = data
    dset(name, "/cmp", "struct", data.shape)
    f.create_dataset("/enum", data=np.array([0, 2, 1, 5], dtype="i1"), dtype=colour)
    dset(name, "/enum", "cellstr", (4,))
    v = f.create_dataset("/vlen", (3,), dtype=h5py.vlen_dtype("<i4"))
    for j in range(3):
        v[j] = np.arange(j + 1, dtype="i4")
    dset(name, "/vlen", "cell", (3,))
    v = f.create_dataset("/vlen_cmp", (2,), dtype=h5py.vlen_dtype(np.dtype([("p", "i2"), ("q", "f4")])))
    v[0] = np.zeros(2, dtype=v.dtype.metadata["vlen"])
    v[1] = np.ones(3, dtype=v.dtype.metadata["vlen"])
    dset(name, "/vlen_cmp", "cell", (2,))
    f.create_dataset("/array", shape=(4,), dtype=np.dtype(("<f8", (2, 3))))
    dset(name, "/array", "double", (4,))
    f["/opaque"] = np.array([b"\x01\x02", b"\x03\x04"], dtype="V2")
    dset(name, "/opaque", "uint8", (2,))
    h5py.h5d.create(f.id, b"bits", h5py.h5t.STD_B16BE, h5py.h5s.create_simple((3,)))
    dset(name, "/bits", "uint16", (3,))
    d = f["/cmp"]
    f["/refs"] = np.array([d.ref, f["/vlen"].ref, f.ref, h5py.Reference()], dtype=h5py.ref_dtype)
    dset(name, "/refs", "cell", (4,))
    e = f["/enum"]
    f["/regs"] = np.array([e.regionref[1:3], e.regionref[0]], dtype=h5py.regionref_dtype)
    dset(name, "/regs", "cell", (2,))
    f["/t"] = np.dtype([("k", "i4")])
    for obj, loc in ((f, "/"), (d, "/cmp"), (f["/t"], "/t")):
        obj.attrs["cmp"] = np.zeros(2, dtype=[("u", "u1"), ("w", ">f8")])
        obj.attrs.create("enum", np.array([1, 0], dtype="i1"), dtype=colour)
        obj.attrs["ref"] = np.array([d.ref], dtype=h5py.ref_dtype)
        obj.attrs.create("arr", np.arange(6, dtype="i2").reshape(1, 2, 3), dtype=np.dtype(("i2", (2, 3))))
        obj.attrs["null"] = h5py.Empty("f8")
        for a in ("cmp", "enum", "ref", "arr", "null"):
            att(name, loc, a)
    f.close()


def pipeline_seed(name):
    # Big enough (over 64 KiB of chunk data, several chunks) for the threaded
    # chunk pipeline: shuffled, checksummed, big-endian, edge chunks.
    f = h5py.File(os.path.join(out, name + ".h5"), "w")
    a = np.arange(100 * 96, dtype="f8").reshape(100, 96) % 251
    d = f.create_dataset("/gs", data=a, chunks=(32, 32), shuffle=True,
                         compression="gzip")
    dset(name, "/gs", "double", d.shape)
    d = f.create_dataset("/gf", data=a, chunks=(32, 32), fletcher32=True,
                         compression="gzip", compression_opts=1)
    dset(name, "/gf", "double", d.shape)
    d = f.create_dataset("/gsf_be", data=np.tile(a, (2, 2)).astype(">f4"),
                         chunks=(64, 40), shuffle=True, fletcher32=True,
                         compression="gzip")
    dset(name, "/gsf_be", "single", d.shape)
    d = f.create_dataset("/sf", data=np.tile(a, (2, 2)).astype("i2"),
                         chunks=(50, 96), shuffle=True, fletcher32=True)
    dset(name, "/sf", "int16", d.shape)
    d = f.create_dataset("/sparse", shape=(100, 96), dtype="f8", chunks=(32, 32),
                         compression="gzip", fletcher32=True, fillvalue=2.5)
    d[0:32, 0:32] = 1
    dset(name, "/sparse", "double", d.shape)
    write_target(name, "/gf", "double", (100, 96))
    f.close()


numeric_seed("seed_numeric", "earliest")
pipeline_seed("seed_pipeline")
chunked_seed("seed_chunked")
string_seed("seed_strings")
group_seed("seed_groups")
latest_seed("seed_latest")
composite_seed("seed_composite")

with open(os.path.join(out, "seeds.tsv"), "w") as fh:
    for r in rows:
        fh.write("\t".join(r) + "\n")
