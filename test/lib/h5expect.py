"""What h5py reads, written as Octave expressions in the shapes and classes of
__h5read_any__ and __h5readatt_any__.

Usage: h5expect.py FILE QUERY...
  QUERY "D PATH"                    a dataset, whole
  QUERY "D PATH START COUNT STRIDE" a hyperslab; comma-separated, 1-based,
                                    Octave order (HDF5 order reversed)
  QUERY "A PATH NAME"               an attribute of a dataset, group or
                                    committed datatype
Prints "E{i} = EXPR;" for the i-th query.
"""
import sys

import h5py
import numpy as np

NATIVE = {
    "f8": "double", "f4": "single", "i1": "int8", "u1": "uint8", "i2": "int16",
    "u2": "uint16", "i4": "int32", "u4": "uint32", "i8": "int64", "u8": "uint64",
}


def oct_dims(shape):
    """Octave dimensions of a numpy selection shape."""
    if len(shape) == 0:
        return [1, 1]
    if len(shape) == 1:
        return [1, shape[0]]
    return list(reversed(shape))


def lead_dims(sub, sel):
    """Element extents reversed, then the selection's Octave shape (1xN as N,
    1x1 as nothing)."""
    d = list(reversed(sub))
    o = oct_dims(sel)
    if o[0] == 1:
        if o[1] != 1:
            d.append(o[1])
    else:
        d += o
    while len(d) < 2:
        d.append(1)
    return d


def dims_text(d):
    return "[" + " ".join(str(int(x)) for x in d) + "]"


def numeric(a, dims):
    """Exact values: the native bytes of the array, typecast in Octave."""
    a = np.ascontiguousarray(a)
    if a.dtype.kind == "b":
        raw = a.astype("u1").tobytes()
        return "reshape(logical(uint8([%s])), %s)" % (
            " ".join(str(b) for b in raw), dims_text(dims))
    if a.dtype.kind == "c":
        part = "f8" if a.dtype.itemsize == 16 else "f4"
        return "reshape(complex(%s, %s), %s)" % (
            numeric(a.real.astype(part), [a.size, 1]), numeric(a.imag.astype(part), [a.size, 1]),
            dims_text(dims))
    code = a.dtype.kind + str(a.dtype.itemsize)
    cls = NATIVE[code]
    raw = a.astype(code).tobytes()
    if len(raw) == 0:
        return "zeros(%s, '%s')" % (dims_text(dims), cls)
    return "reshape(typecast(uint8([%s]), '%s'), %s)" % (
        " ".join(str(b) for b in raw), cls, dims_text(dims))


def string(b):
    if isinstance(b, str):
        b = b.encode("utf-8")
    if len(b) == 0:
        return "''"
    return "char([%s])" % " ".join(str(c) for c in b)


def cell(items, dims):
    if not items:
        return "cell(%s)" % dims_text(dims)
    return "reshape({%s}, %s)" % (", ".join(items), dims_text(dims))


def value(a, tid, f, sel):
    """Octave expression of numpy data A of HDF5 type TID whose selection has
    numpy shape SEL (A's shape may add element extents after it)."""
    cls = tid.get_class()
    if cls == h5py.h5t.COMPOUND:
        if tid.get_nmembers() == 2 and [tid.get_member_name(i) for i in (0, 1)] == [b"r", b"i"] \
                and a.dtype.kind == "c":
            return numeric(a, oct_dims(a.shape))
        fields = []
        for i in range(tid.get_nmembers()):
            name = tid.get_member_name(i).decode()
            fields.append("'%s', {%s}" % (name, value(a[name], tid.get_member_type(i), f, sel)))
        return "struct(%s)" % ", ".join(fields)
    if cls == h5py.h5t.ARRAY:
        sub = tid.get_array_dims()
        return array_value(a, tid, f, sel, list(sub))
    if cls == h5py.h5t.ENUM:
        if a.dtype.kind == "b":
            return numeric(a, oct_dims(a.shape))
        names = {}
        for i in range(tid.get_nmembers()):
            names[int(tid.get_member_value(i))] = tid.get_member_name(i).decode()
        flat = np.asarray(a).ravel()
        return cell([string(names.get(int(v), "")) for v in flat], oct_dims(sel))
    if cls == h5py.h5t.STRING:
        flat = np.asarray(a, dtype=object).ravel()
        out = []
        for v in flat:
            if isinstance(v, bytes) and not tid.is_variable_str():
                pad = b" \0" if tid.get_strpad() == h5py.h5t.STR_SPACEPAD else b"\0"
                v = v.rstrip(pad)
            out.append(string(v))
        return cell(out, oct_dims(sel))
    if cls == h5py.h5t.VLEN:
        base = tid.get_super()
        flat = [a] if len(sel) == 0 else np.asarray(a, dtype=object).ravel()
        return cell([column(sequence(v, base), base, f) for v in flat], oct_dims(sel))
    if cls == h5py.h5t.OPAQUE:
        size = tid.get_size()
        raw = np.frombuffer(np.ascontiguousarray(a).tobytes(), dtype="u1")
        return numeric(raw, lead_dims([size], sel))
    if cls == h5py.h5t.REFERENCE:
        flat = np.asarray(a, dtype=object).ravel()
        out = []
        for r in flat:
            if not r:
                out.append("[]")
                continue
            obj = f[r]
            if isinstance(obj, h5py.Dataset):
                if isinstance(r, h5py.RegionReference):
                    sel_data = np.asarray(obj[r]).ravel()
                    out.append(column(sel_data, obj.id.get_type(), f))
                else:
                    out.append(whole(obj, f))
            else:
                out.append(string(obj.name))
        return cell(out, oct_dims(sel))
    if cls == h5py.h5t.BITFIELD:
        return numeric(np.asarray(a).astype("u%d" % tid.get_size()), oct_dims(sel))
    return numeric(np.asarray(a), oct_dims(sel))


def sequence(v, base):
    """A sequence as h5py reads it; h5py labels the elements of a big-endian
    number sequence native while their bytes stay big-endian."""
    v = np.asarray(v)
    if base.get_class() in (h5py.h5t.INTEGER, h5py.h5t.FLOAT) \
            and base.get_order() == h5py.h5t.ORDER_BE and v.dtype.byteorder != ">":
        v = v.view(v.dtype.newbyteorder(">"))
    return v


def column(v, tid, f):
    """Elements of a sequence or region as an Octave column."""
    n = v.shape[0]
    return value(v.reshape((1, n) + v.shape[1:]), tid, f, (1, n))


def array_value(a, tid, f, sel, sub):
    base = tid.get_super()
    full = tuple(sel) + tuple(sub)
    inner = lead_dims(sub, sel)
    # The base's value over a pseudo-selection whose Octave shape is INNER.
    pseudo = tuple(reversed(inner))
    b = np.asarray(a).reshape(full)
    return value(b.reshape(pseudo), base, f, pseudo)


def top(a, tid, f, sel):
    """Dataset or attribute level: one fixed or variable string is a char row."""
    if tid.get_class() == h5py.h5t.STRING and int(np.prod(sel)) == 1:
        v = np.asarray(a, dtype=object).ravel()[0]
        if isinstance(v, bytes) and not tid.is_variable_str():
            pad = b" \0" if tid.get_strpad() == h5py.h5t.STR_SPACEPAD else b"\0"
            v = v.rstrip(pad)
        return string(v)
    if tid.get_class() == h5py.h5t.STRING and tid.is_variable_str():
        flat = np.asarray(a, dtype=object).ravel()
        return "reshape({%s}, %s)" % (", ".join(string(v) for v in flat),
                                       dims_text(oct_dims(sel))) if len(flat) else \
            "cell(%s)" % dims_text(oct_dims(sel))
    return value(a, tid, f, sel)


def whole(ds, f):
    if ds.shape is None:
        return "[]"
    return top(ds[()], ds.id.get_type(), f, ds.shape)


def attribute(obj, name, f):
    aid = h5py.h5a.open(obj.id, name.encode())
    space = aid.get_space()
    if space.get_simple_extent_type() == h5py.h5s.NULL:
        return "[]"
    a = obj.attrs[name]
    return top(a, aid.get_type(), f, aid.shape)


def main():
    path = sys.argv[1]
    with h5py.File(path, "r") as f:
        for i, q in enumerate(sys.argv[2:], 1):
            p = q.split(" ")
            if p[0] == "A":
                obj = f[p[1]]
                text = attribute(obj, " ".join(p[2:]), f)
            elif len(p) == 2:
                text = whole(f[p[1]], f)
            else:
                ds = f[p[1]]
                start, count, stride = ([int(x) for x in s.split(",")] for s in p[2:5])
                idx = tuple(slice(s - 1, s - 1 + (c - 1) * t + 1, t) for s, c, t in
                            zip(reversed(start), reversed(count), reversed(stride)))
                a = ds[idx]
                text = top(a, ds.id.get_type(), f, tuple(reversed(count)) if len(count) > 1
                           else (count[0],))
            print("E{%d} = %s;" % (i, text))


main()
