"""The h5py side of the tolvane benchmarks, and the maker of their files.

    py_bench.py make-tiny FILE          a 2x3 double dataset /t (warm-up file)
    py_bench.py make-read FILE          /d: 4096x8192 double (256 MiB),
                                        /i16: 4096x8192 int16 (64 MiB), contiguous
    py_bench.py make-write FILE         /d: 4096x8192 double, contiguous, all zeros
    py_bench.py make-strided FILE       /d: 4096x4096 double (128 MiB), contiguous
    py_bench.py make-info FILE          100 groups of 100 small datasets, each
                                        dataset with two attributes
    py_bench.py make-compound FILE      /table: 10^6 rows of {i int32, d double,
                                        f single, s 8-byte string}, contiguous
    py_bench.py make-chunked FILE       /gz and /gzs: 8192x8192 single in chunks
                                        of 256x1024, gzip 4, /gzs with shuffle;
                                        a[i] = (i % 1000003) * 0.5
    py_bench.py sum FILE DSET           prints "time=0 sum=SUM" for the dataset

  Timed modes (TINY is read first, untimed, so that h5py and HDF5 are loaded):
    py_bench.py read TINY FILE DSET [STRIDE]   ds[()] or ds[::STRIDE, ...]
    py_bench.py read-compound TINY FILE DSET   ds[()] of the compound table
    py_bench.py write TINY FILE DSET N         ds[...] = a, a[i] = (i % 1000003) * 0.5
    py_bench.py slab TINY FILE DSET S0 S1 C0 C1  ds[S0:S0+C0, S1:S1+C1]
    py_bench.py create-write TINY FILE DSET N SHUFFLE
                                               create_dataset(data=a, chunks of
                                               256x1024, gzip 4, shuffle 0/1) in
                                               a new file
    py_bench.py info TINY FILE                 visititems over the whole file,
                                               collecting dtype, shape, maxshape,
                                               chunks and attribute values

Timed modes print "time=SECONDS ..." for the open, the transfer and the close.
"""

import sys
import time

import h5py
import numpy as np

SHAPE = (4096, 8192)


def make_tiny(path):
    with h5py.File(path, "w") as f:
        f["t"] = np.arange(6, dtype="f8").reshape(2, 3)


def make_read(path):
    rng = np.random.default_rng(1)
    with h5py.File(path, "w") as f:
        f.create_dataset("d", data=rng.random(SHAPE))
        f.create_dataset("i16", data=rng.integers(-32768, 32768, SHAPE, dtype="i2"))


def make_write(path):
    with h5py.File(path, "w") as f:
        f.create_dataset("d", data=np.zeros(SHAPE))


def make_strided(path):
    rng = np.random.default_rng(2)
    with h5py.File(path, "w") as f:
        f.create_dataset("d", data=rng.random((4096, 4096)))


def make_info(path):
    rng = np.random.default_rng(3)
    with h5py.File(path, "w") as f:
        for g in range(100):
            grp = f.create_group("g%03d" % g)
            for k in range(100):
                name = "d%03d" % k
                if k % 2:
                    ds = grp.create_dataset(name, data=rng.random((4, 3)))
                else:
                    ds = grp.create_dataset(name, data=np.arange(10, dtype="i4"),
                                            maxshape=(None,), chunks=(5,))
                ds.attrs["units"] = "m/s"
                ds.attrs["range"] = np.array([0.0, float(k)])


TABLE = np.dtype([("i", "<i4"), ("d", "<f8"), ("f", "<f4"), ("s", "S8")])


def make_compound(path):
    rng = np.random.default_rng(4)
    n = 10 ** 6
    t = np.zeros(n, dtype=TABLE)
    t["i"] = rng.integers(-2 ** 31, 2 ** 31, n)
    t["d"] = rng.random(n)
    t["f"] = rng.random(n)
    t["s"] = np.char.mod("r%07d", np.arange(n))
    with h5py.File(path, "w") as f:
        f.create_dataset("table", data=t)


def table_checksum(a):
    """Sum of the numeric fields plus the total length of the strings."""
    return (float(np.sum(a["i"], dtype=np.float64)) + float(np.sum(a["d"], dtype=np.float64))
            + float(np.sum(a["f"], dtype=np.float64)) + float(np.sum(np.char.str_len(a["s"]))))


def do_read_compound(tiny, path, dset):
    warm(tiny)
    t0 = time.perf_counter()
    with h5py.File(path, "r") as f:
        a = f[dset][()]
    t = time.perf_counter() - t0
    print("time=%.6f sum=%.17g hwm_kb=%d" % (t, table_checksum(a), peak_kb()))


def peak_kb():
    with open("/proc/self/status") as s:
        for line in s:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


CHUNKS = (256, 1024)
# The compressed datasets: 256 MiB of single precision.
CHUNKED_SHAPE = (8192, 8192)


def ramp(n):
    return np.arange(n) % 1000003 * 0.5


def make_chunked(path):
    a = ramp(CHUNKED_SHAPE[0] * CHUNKED_SHAPE[1]).astype("f4").reshape(CHUNKED_SHAPE)
    with h5py.File(path, "w") as f:
        f.create_dataset("gz", data=a, chunks=CHUNKS, compression="gzip",
                         compression_opts=4)
        f.create_dataset("gzs", data=a, chunks=CHUNKS, compression="gzip",
                         compression_opts=4, shuffle=True)


def do_slab(tiny, path, dset, s0, s1, c0, c1):
    warm(tiny)
    t0 = time.perf_counter()
    with h5py.File(path, "r") as f:
        a = f[dset][s0:s0 + c0, s1:s1 + c1]
    t = time.perf_counter() - t0
    print("time=%.6f sum=%.17g" % (t, checksum(a)))


def do_create_write(tiny, path, dset, n, shuffle):
    warm(tiny)
    a = ramp(n).astype("f4").reshape(CHUNKED_SHAPE)
    t0 = time.perf_counter()
    with h5py.File(path, "w") as f:
        f.create_dataset(dset, data=a, chunks=CHUNKS, compression="gzip",
                         compression_opts=4, shuffle=bool(shuffle))
    t = time.perf_counter() - t0
    print("time=%.6f sum=%.17g" % (t, checksum(a)))


def warm(tiny):
    with h5py.File(tiny, "r") as f:
        f["t"][()]


def checksum(a):
    return float(np.sum(a, dtype=np.float64))


def do_read(tiny, path, dset, stride=None):
    warm(tiny)
    t0 = time.perf_counter()
    with h5py.File(path, "r") as f:
        ds = f[dset]
        if stride is None:
            a = ds[()]
        else:
            a = ds[tuple(slice(None, None, stride) for _ in range(ds.ndim))]
    t = time.perf_counter() - t0
    print("time=%.6f sum=%.17g" % (t, checksum(a)))


def do_write(tiny, path, dset, n):
    warm(tiny)
    a = np.arange(n) % 1000003 * 0.5
    t0 = time.perf_counter()
    with h5py.File(path, "r+") as f:
        ds = f[dset]
        ds[...] = a.reshape(ds.shape)
    t = time.perf_counter() - t0
    print("time=%.6f sum=%.17g" % (t, checksum(a)))


def do_info(tiny, path):
    warm(tiny)
    t0 = time.perf_counter()
    facts = {}

    def visit(name, obj):
        attrs = {k: v for k, v in obj.attrs.items()}
        if isinstance(obj, h5py.Dataset):
            facts[name] = (obj.dtype, obj.shape, obj.maxshape, obj.chunks, attrs)
        else:
            facts[name] = attrs

    with h5py.File(path, "r") as f:
        f.visititems(visit)
    t = time.perf_counter() - t0
    nds = sum(1 for v in facts.values() if isinstance(v, tuple))
    print("time=%.6f datasets=%d" % (t, nds))


def do_sum(path, dset):
    with h5py.File(path, "r") as f:
        print("time=0 sum=%.17g" % checksum(f[dset][()]))


def main(argv):
    mode = argv[1] if len(argv) > 1 else ""
    makers = {"make-tiny": make_tiny, "make-read": make_read,
              "make-write": make_write, "make-strided": make_strided,
              "make-info": make_info, "make-compound": make_compound,
              "make-chunked": make_chunked}
    if mode in makers and len(argv) == 3:
        makers[mode](argv[2])
    elif mode == "sum" and len(argv) == 4:
        do_sum(argv[2], argv[3])
    elif mode == "read" and len(argv) in (5, 6):
        do_read(argv[2], argv[3], argv[4], int(argv[5]) if len(argv) == 6 else None)
    elif mode == "read-compound" and len(argv) == 5:
        do_read_compound(argv[2], argv[3], argv[4])
    elif mode == "write" and len(argv) == 6:
        do_write(argv[2], argv[3], argv[4], int(argv[5]))
    elif mode == "slab" and len(argv) == 9:
        do_slab(argv[2], argv[3], argv[4], *[int(v) for v in argv[5:9]])
    elif mode == "create-write" and len(argv) == 7:
        do_create_write(argv[2], argv[3], argv[4], int(argv[5]), int(argv[6]))
    elif mode == "info" and len(argv) == 4:
        do_info(argv[2], argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
