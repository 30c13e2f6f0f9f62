#!/usr/bin/env python3
"""Mutation harness of tolvane: derive mutants from small seed files and run every
function of the module over them in Octave, watching for crashes and hangs.

Usage: fuzz.py [N] [--seed S] [--timeout SEC] [--batch B] [--start I] [--out DIR]
               [--valgrind]

N mutants (default 1500) are derived deterministically from the seed S: each one
is a seed file with bit flips, byte overwrites or a multi-byte overwrite (most of
them in the first 4 KiB, where the superblock and the object headers live), or a
truncation.  Batches of mutants run in one octave-cli process each
(fuzz/driver.m); a process that dies of a signal, exits abnormally or makes no
progress for SEC seconds marks the running mutant as a crash or a hang.  The
mutant is kept as DIR/crash-NAME.h5 (or hang-NAME.h5), its backtrace is taken
with gdb, the place where it stopped is classified (module, HDF5, elsewhere),
and the harness goes on with the next mutant in a new process.

A crash or hang that gdb sees only after the damage (in free(), or in a malloc
that never returns), and any that stopped outside HDF5, is re-run under
valgrind and classified by its first invalid access when there is one; a
process that dies while Octave exits is bisected to the mutants that make it
do so.

With --valgrind the driver runs under valgrind memcheck: invalid accesses and
uses of uninitialised values are counted by where they stopped, and a mutant
with one outside HDF5 is kept as DIR/invalid-NAME.h5.

Exit status: 0 when no crash, hang or valgrind error stopped outside the HDF5
library, else 1.
"""
import argparse
import collections
import os
import random
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
OCTAVE = os.environ.get("OCTAVE_CLI", "octave-cli")
MEM_LIMIT = 4 << 30           # address-space limit of each Octave process
HEAD = 4096                   # most mutations land in the first HEAD bytes
INTERESTING = [0, 1, 2, 0x7f, 0x80, 0xff, 0x7fff, 0xffff, 0x7fffffff,
               0x80000000, 0xffffffff, 1 << 32, 1 << 40, (1 << 63) - 1,
               1 << 63, (1 << 64) - 1]
RUNTIME_LIBS = ("libc.so", "libc-", "libstdc++", "libgcc_s", "ld-linux",
                "libpthread", "linux-vdso")


def mutate(data, rng):
    """Return (mutant bytes, description) for one mutation of data."""
    buf = bytearray(data)
    n = len(buf)

    def pos():
        if rng.random() < 0.8:
            return rng.randrange(min(n, HEAD))
        return rng.randrange(n)

    r = rng.random()
    if r < 0.40:
        k = rng.randint(1, 8)
        where = []
        for _ in range(k):
            p = pos()
            bit = rng.randrange(8)
            buf[p] ^= 1 << bit
            where.append("%d.%d" % (p, bit))
        return bytes(buf), "flip " + ",".join(where)
    if r < 0.72:
        k = rng.randint(1, 4)
        where = []
        for _ in range(k):
            p = pos()
            v = rng.choice([0x00, 0xff, 0x7f, 0x80, 0x01, rng.randrange(256)])
            buf[p] = v
            where.append("%d=%02x" % (p, v))
        return bytes(buf), "byte " + ",".join(where)
    if r < 0.88:
        width = rng.choice([2, 4, 8])
        p = min(pos(), n - width)
        v = rng.choice(INTERESTING) & ((1 << (8 * width)) - 1)
        buf[p:p + width] = v.to_bytes(width, "little")
        return bytes(buf), "word %d:%d=%x" % (p, width, v)
    cut = rng.randrange(1, n)
    return bytes(buf[:cut]), "truncate %d of %d" % (cut, n)


def limits():
    os.setsid()
    resource.setrlimit(resource.RLIMIT_AS, (MEM_LIMIT, MEM_LIMIT))
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


def octave_env(listfile, seeds, scratch):
    env = dict(os.environ)
    env.update(FUZZ_TOP=TOP, FUZZ_LIST=listfile, FUZZ_SEEDS=seeds,
               FUZZ_SCRATCH=scratch)
    return env


def parse_frames(text):
    frames = []
    for line in text.splitlines():
        m = re.match(r"FRAME (\d+) (.*) @ (.*) @ (.*)$", line)
        if m:
            frames.append((int(m.group(1)), m.group(2), m.group(3), m.group(4)))
    return frames


def classify(frames):
    """Where a backtrace stopped: the first frame outside the C/C++ runtime."""
    if not frames:
        return "not reproduced"
    for _, func, lib, src in frames:
        base = os.path.basename(lib)
        if base.startswith(RUNTIME_LIBS) or func in ("raise", "abort", "__GI_raise",
                                                      "__GI_abort"):
            continue
        if "tolvane.oct" in base or re.search(r"/src/\w+\.(cc|h)$", src):
            return "module"
        if "libhdf5" in base:
            return "hdf5"
        return "elsewhere (%s)" % (base or lib)
    return "elsewhere (runtime)"


def format_frames(frames, count=10):
    return "\n".join("      #%d %s  [%s%s]" % (n, f, os.path.basename(l),
                                               "" if s == "-" else " " + s)
                     for n, f, l, s in frames[:count])


def gdb_rerun(mutant, seedname, seeds, work, timeout):
    """Run one mutant under gdb; return the frames where it stopped."""
    listfile = os.path.join(work, "gdb-list.txt")
    with open(listfile, "w") as fh:
        fh.write("%s\t%s\n" % (mutant, seedname))
    cmd = ["gdb", "-batch", "-nx", "-x", os.path.join(HERE, "gdb_frames.py"),
           "-ex", "set pagination off", "-ex", "set confirm off",
           "-ex", "handle SIGPIPE nostop noprint pass",
           "-ex", "run", "-ex", "tolvane-frames 25",
           "--args", OCTAVE, "--norc", "-q", os.path.join(HERE, "driver.m")]
    env = octave_env(listfile, seeds, os.path.join(work, "gdb-scratch.h5"))
    try:
        out = subprocess.run(cmd, env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, preexec_fn=limits,
                             timeout=timeout, text=True, errors="replace").stdout
    except subprocess.TimeoutExpired as exc:
        out = exc.stdout or ""
        if isinstance(out, bytes):
            out = out.decode(errors="replace")
    return parse_frames(out), out


def gdb_attach(pid):
    cmd = ["gdb", "-batch", "-nx", "-x", os.path.join(HERE, "gdb_frames.py"),
           "-p", str(pid), "-ex", "tolvane-frames 25"]
    try:
        out = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=120, text=True, errors="replace").stdout
    except subprocess.TimeoutExpired:
        out = ""
    return parse_frames(out), out


def valgrind_rerun(mutant, seedname, seeds, work, timeout):
    """Run one mutant under valgrind; return the frames of its first invalid
    access (for a crash that gdb saw only after the damage, in free() say)."""
    listfile = os.path.join(work, "vg-list.txt")
    with open(listfile, "w") as fh:
        fh.write("%s\t%s\n" % (mutant, seedname))
    xml = os.path.join(work, "vg.xml")
    if os.path.exists(xml):
        os.unlink(xml)      # valgrind does not truncate an existing report
    cmd = ["valgrind", "--xml=yes", "--xml-file=" + xml, "--num-callers=30",
           "--child-silent-after-fork=yes",
           "--keep-debuginfo=yes", OCTAVE, "--norc", "-q", os.path.join(HERE, "driver.m")]
    env = octave_env(listfile, seeds, os.path.join(work, "vg-scratch.h5"))
    try:
        subprocess.run(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=timeout)
    except subprocess.TimeoutExpired:
        pass
    try:
        import xml.etree.ElementTree as ET
        text = open(xml, "rb").read()
        end = text.find(b"</valgrindoutput>")
        if end >= 0:          # keep the first complete report only
            text = text[:end + len(b"</valgrindoutput>")]
        else:                 # cut short by the crash: close what is complete
            text = text[:text.rfind(b"</error>") + len(b"</error>")] + b"</valgrindoutput>"
        root = ET.fromstring(text)
    except Exception as exc:
        print("fuzz: valgrind report of %s unreadable: %s" % (mutant, exc), flush=True)
        return []
    for err in root.findall("error"):
        if not (err.findtext("kind") or "").startswith(("Invalid", "Mismatched", "Overlap")):
            continue
        frames = []
        for n, fr in enumerate(err.find("stack").findall("frame")):
            obj = fr.findtext("obj") or ""
            if "vgpreload" in obj:
                obj = "libc.so (valgrind)"
            src = "-"
            if fr.findtext("file"):
                src = "%s/%s:%s" % (fr.findtext("dir") or "", fr.findtext("file"),
                                    fr.findtext("line") or "")
            frames.append((n, fr.findtext("fn") or "??", obj, src))
        return frames
    print("fuzz: valgrind found no invalid access in %s" % mutant, flush=True)
    return []


def run_alone(mutant, seedname, seeds, work, timeout):
    """Exit status of one mutant run on its own."""
    listfile = os.path.join(work, "alone-list.txt")
    with open(listfile, "w") as fh:
        fh.write("%s\t%s\n" % (mutant, seedname))
    try:
        return subprocess.run([OCTAVE, "--norc", "-q", os.path.join(HERE, "driver.m")],
                              env=octave_env(listfile, seeds, os.path.join(work, "alone.h5")),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, preexec_fn=limits,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return None


class Stats:
    def __init__(self):
        self.run = 0
        self.ok = 0
        self.err = 0
        self.diag = 0
        self.messages = collections.Counter()
        self.failures = []      # (kind, name, where, frames, detail, path)
        self.exit_problems = []
        self.fd_leaks = []      # (name, descriptors left open)
        self.vg_errors = collections.Counter()   # where valgrind's errors stopped
        self.vg_kept = {}       # name -> (what, where, frames, reproducer)
        self.vg_oom = []        # mutants on which valgrind ran out of memory


def norm_message(msg):
    fn, _, text = msg.partition(": ")
    text = re.sub(r"'?/[^\s']*\.h5'?", "FILE", text)
    return fn + ": " + re.sub(r"\d+", "#", text)


def record(stats, kind, name, detail, seedname, desc, last_call, where, frames, keep, tail):
    with open(os.path.splitext(keep)[0] + ".txt", "w") as fh:
        fh.write("%s %s (%s), seed %s, mutation: %s\nstopped in: %s\nlast call: %s\n"
                 % (kind, name, detail, seedname, desc, where, last_call))
        fh.write("last output:\n  " + "\n  ".join(tail) + "\n")
        fh.write("backtrace:\n" + format_frames(frames, 25) + "\n")
    stats.failures.append((kind, name, where, frames, "%s; %s; seed %s; last call %s"
                           % (detail, desc, seedname, last_call), keep))
    print("fuzz: %s in %s (%s): stopped in %s, kept as %s"
          % (kind, name, detail, where, keep), flush=True)
    print(format_frames(frames, 8), flush=True)


VG_START = re.compile(r"^==\d+== (Invalid (read|write|free)|Mismatched free|"
                      r"Source and destination overlap|Conditional jump|Use of uninitialised)")
VG_FRAME = re.compile(r"^==\d+==\s+(?:at|by) 0x[0-9A-Fa-f]+: (.*?) \((?:in )?(.*)\)$")
MODULE_FILES = re.compile(r"^(tolvane|h5|description|exchange|info)\.(cc|h):\d+$")


class VgBlock:
    """One valgrind error report read from the Octave output stream."""

    def __init__(self, what):
        self.what = what
        self.frames = []

    def add(self, line):
        m = VG_FRAME.match(line)
        if not m:
            return False
        fn, where = m.groups()
        if MODULE_FILES.match(where):
            obj, src = "tolvane.oct", where
        elif ":" in where and not where.startswith("/"):
            obj, src = "(source)", where
        else:
            obj, src = where, "-"
        if "vgpreload" in obj:
            obj = "libc.so (valgrind)"
        self.frames.append((len(self.frames), fn, obj, src))
        return True


def note_vg_block(stats, block, name, path, out):
    where = classify(block.frames)
    stats.vg_errors[where] += 1
    if where != "hdf5" and name not in stats.vg_kept:
        keep = os.path.join(out, "invalid-%s.h5" % name)
        shutil.copyfile(path, keep)
        stats.vg_kept[name] = (block.what, where, block.frames, keep)


def run_batch(items, seeds, work, out, timeout, stats, valgrind=False):
    """items: list of (path, seedname, description)."""
    remaining = list(items)
    by_name = {os.path.splitext(os.path.basename(p))[0]: (p, s, d)
               for p, s, d in items}
    while remaining:
        listfile = os.path.join(work, "list.txt")
        with open(listfile, "w") as fh:
            for p, s, _ in remaining:
                fh.write("%s\t%s\n" % (p, s))
        scratch = os.path.join(work, "scratch.h5")
        cmd = [OCTAVE, "--norc", "-q", os.path.join(HERE, "driver.m")]
        if valgrind:
            cmd = ["valgrind", "--error-limit=no", "--num-callers=24", "--child-silent-after-fork=yes",
                   "--keep-debuginfo=yes"] + cmd
        block = None
        proc = subprocess.Popen(cmd,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL,
                                env=octave_env(listfile, seeds, scratch),
                                preexec_fn=limits)
        fd = proc.stdout.fileno()
        pending = b""
        current = None
        started = time.monotonic()
        finished = []
        tail = collections.deque(maxlen=15)
        hung = False
        last_call = ""
        while True:
            wait = 1.0
            ready, _, _ = select.select([fd], [], [], wait)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    break
                pending += chunk
                *lines, pending = pending.split(b"\n")
                for raw in lines:
                    line = raw.decode(errors="replace")
                    if line.startswith("BEGIN "):
                        current = line[6:].strip()
                        started = time.monotonic()
                        last_call = ""
                    elif line.startswith("C "):
                        last_call = line[2:].strip()
                    elif line.startswith("END "):
                        parts = line.split()
                        stats.run += 1
                        stats.ok += int(parts[2])
                        stats.err += int(parts[3])
                        finished.append(parts[1])
                        if len(parts) > 4 and int(parts[4]) != 0:
                            stats.fd_leaks.append((parts[1], int(parts[4])))
                            shutil.copyfile(by_name[parts[1]][0],
                                            os.path.join(out, "fdleak-%s.h5" % parts[1]))
                        current = None
                    elif valgrind and block is not None:
                        if not block.add(line):
                            if current is not None:
                                note_vg_block(stats, block, current, by_name[current][0], out)
                            block = None
                    elif valgrind and VG_START.match(line):
                        block = VgBlock(line.split("== ", 1)[1])
                    elif line.startswith("E "):
                        stats.messages[norm_message(line[2:])] += 1
                    else:
                        if "HDF5-DIAG" in line:
                            stats.diag += 1
                        tail.append(line)
            if current is not None and time.monotonic() - started > timeout:
                hung = True
                frames, _ = gdb_attach(proc.pid)
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                break
        proc.wait()
        done = set(finished)
        if current is None:
            if proc.returncode != 0:
                culprits = []
                if proc.returncode < 0:
                    # Died while exiting: find the mutants that make it do so.
                    for name in finished:
                        mpath, mseed, mdesc = by_name[name]
                        rc = run_alone(mpath, mseed, seeds, work, max(60, 3 * timeout))
                        if rc is not None and rc < 0:
                            culprits.append(name)
                for name in culprits:
                    mpath, mseed, mdesc = by_name[name]
                    keep = os.path.join(out, "crash-%s.h5" % name)
                    shutil.copyfile(mpath, keep)
                    frames, _ = gdb_rerun(keep, mseed, seeds, work, max(120, 4 * timeout))
                    where = classify(frames)
                    record(stats, "crash", name, "signal at exit of Octave", mseed, mdesc,
                           "(after the last call, while Octave exits)", where, frames,
                           keep, [])
                if not culprits:
                    stats.exit_problems.append((finished[-1] if finished else "(start)",
                                                proc.returncode, list(tail)))
            remaining = [it for it in remaining
                         if os.path.splitext(os.path.basename(it[0]))[0] not in done]
            if remaining and not finished:
                # The process died before starting a mutant: do not loop forever.
                stats.exit_problems.append(("(no progress)", proc.returncode, list(tail)))
                return
            continue
        stats.run += 1
        path, seedname, desc = by_name[current]
        kind = "hang" if hung else "crash"
        if valgrind and not hung and any("Valgrind cannot continue" in t for t in tail):
            # A large allocation that fails cleanly without valgrind makes
            # valgrind itself give up: not a failure of the module.
            stats.vg_oom.append(current)
            idx = [os.path.splitext(os.path.basename(it[0]))[0] for it in remaining].index(current)
            remaining = [it for it in remaining[idx + 1:]
                         if os.path.splitext(os.path.basename(it[0]))[0] not in done]
            continue
        keep = os.path.join(out, "%s-%s.h5" % (kind, current))
        shutil.copyfile(path, keep)
        if hung:
            detail = "no progress for %d s" % timeout
        else:
            rc = proc.returncode
            detail = ("signal %s" % signal.Signals(-rc).name) if rc < 0 else "exit status %d" % rc
            frames, _ = gdb_rerun(keep, seedname, seeds, work, max(120, 4 * timeout))
        where = classify(frames)
        heap_damage = any(f[1] in ("malloc_printerr", "_int_free", "_int_malloc",
                                   "heap_for_ptr", "arena_for_chunk")
                          for f in frames)
        if heap_damage or where != "hdf5":
            # Heap damage shows up later, in free() or in a malloc that never
            # returns, and data HDF5 returned from a damaged file can fault in
            # the code that uses it: let valgrind find the first invalid access.
            vframes = valgrind_rerun(keep, seedname, seeds, work, 600)
            if vframes:
                where = classify(vframes) + ", first invalid access (valgrind)"
                frames = vframes
        record(stats, kind, current, detail, seedname, desc, last_call, where, frames,
               keep, tail)
        idx = [os.path.splitext(os.path.basename(it[0]))[0] for it in remaining].index(current)
        remaining = [it for it in remaining[idx + 1:]
                     if os.path.splitext(os.path.basename(it[0]))[0] not in done]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("n", nargs="?", type=int, default=1500)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--timeout", type=int, default=10)
    ap.add_argument("--batch", type=int, default=100)
    ap.add_argument("--start", type=int, default=0,
                    help="index of the first mutant (to re-run a stretch of a long run)")
    ap.add_argument("--out", default=os.path.join(HERE, "out"))
    ap.add_argument("--valgrind", action="store_true",
                    help="run the driver under valgrind memcheck and count its errors "
                         "by where they stopped (slow: use a small N)")
    args = ap.parse_args()

    out = os.path.abspath(args.out)
    seeddir = os.path.join(out, "seeds")
    work = os.path.join(out, "work")
    for d in (seeddir, work):
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
    for old in os.listdir(out):
        if old.startswith(("crash-", "hang-", "invalid-", "fdleak-")):
            os.unlink(os.path.join(out, old))
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_seeds.py"), seeddir],
                   check=True)
    seeds = os.path.join(seeddir, "seeds.tsv")
    seedfiles = sorted(f for f in os.listdir(seeddir) if f.endswith(".h5"))
    blobs = {f: open(os.path.join(seeddir, f), "rb").read() for f in seedfiles}

    stats = Stats()
    t0 = time.monotonic()
    print("fuzz: %d mutants of %d seed files, seed %d, timeout %d s"
          % (args.n, len(seedfiles), args.seed, args.timeout), flush=True)
    end = args.start + args.n
    for first in range(args.start, end, args.batch):
        items = []
        for i in range(first, min(end, first + args.batch)):
            rng = random.Random("tolvane-%d-%d" % (args.seed, i))
            seedfile = seedfiles[i % len(seedfiles)]
            data, desc = mutate(blobs[seedfile], rng)
            seedname = os.path.splitext(seedfile)[0]
            path = os.path.join(work, "mut%06d-%s.h5" % (i, seedname[5:]))
            with open(path, "wb") as fh:
                fh.write(data)
            items.append((path, seedname, desc))
        run_batch(items, seeds, work, out, args.timeout * (30 if args.valgrind else 1),
                  stats, valgrind=args.valgrind)
        for p, _, _ in items:
            os.unlink(p)
        print("fuzz: %d/%d mutants, %d crashes, %d hangs, %.0f s"
              % (stats.run, args.n, sum(f[0] == "crash" for f in stats.failures),
                 sum(f[0] == "hang" for f in stats.failures),
                 time.monotonic() - t0), flush=True)

    print()
    print("fuzz summary")
    print("  mutants run:          %d (seed %d)" % (stats.run, args.seed))
    print("  calls that succeeded: %d" % stats.ok)
    print("  clean Octave errors:  %d" % stats.err)
    for kind in ("crash", "hang"):
        places = collections.Counter(f[2] for f in stats.failures if f[0] == kind)
        text = ", ".join("%s %d" % kv for kv in sorted(places.items())) or "none"
        print("  %-21s %d (%s)" % (kind + "es:" if kind == "crash" else kind + "s:",
                                    sum(places.values()), text))
    if stats.exit_problems:
        print("  abnormal exits outside a mutant: %d" % len(stats.exit_problems))
        for after, rc, tail in stats.exit_problems:
            print("    after %s: status %s; last output: %s" % (after, rc, " | ".join(tail[-3:])))
    if args.valgrind:
        text = ", ".join("%s %d" % kv for kv in sorted(stats.vg_errors.items())) or "none"
        print("  valgrind errors:      %d (%s)" % (sum(stats.vg_errors.values()), text))
        if stats.vg_oom:
            print("  valgrind out of memory (a large allocation), not counted: %s"
                  % ", ".join(stats.vg_oom))
        for name, (what, where, frames, keep) in sorted(stats.vg_kept.items()):
            print("  %s: %s, stopped in %s\n    reproducer %s" % (name, what, where, keep))
            print(format_frames(frames, 8))
    print("  mutants that left file descriptors open: %d" % len(stats.fd_leaks))
    for name, k in stats.fd_leaks[:10]:
        print("    %s: %+d" % (name, k))
    if stats.diag:
        print("  HDF5-DIAG lines printed: %d" % stats.diag)
    for kind, name, where, frames, detail, path in stats.failures:
        print("  %s %s: stopped in %s (%s)\n    reproducer %s" % (kind, name, where, detail, path))
        print(format_frames(frames, 8))
    print("  most frequent error messages:")
    for msg, k in stats.messages.most_common(12):
        print("    %6d  %s" % (k, msg[:120]))
    bad = ([f for f in stats.failures if not f[2].startswith("hdf5")] or stats.exit_problems
           or stats.vg_kept)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
