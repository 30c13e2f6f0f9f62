## The Octave side of the tolvane benchmarks, run as a script:
##
##   octave ... bench/oct_bench.m ROOT start TINY
##       loads the module (reads TINY) and reports its peak memory only
##   octave ... bench/oct_bench.m ROOT bare
##       reports the peak memory of an Octave that has only started
##   octave ... bench/oct_bench.m ROOT read TINY FILE DSET [COUNT STRIDE]
##       __h5read__ (FILE, DSET, [], [], []), or with COUNT and STRIDE (written
##       like 2048x2048 and 2x2) the hyperslab from the first element on
##   octave ... bench/oct_bench.m ROOT read-compound TINY FILE DSET
##       __h5read_any__ (FILE, DSET, [], [], []) of the compound table of
##       bench/py_bench.py make-compound
##   octave ... bench/oct_bench.m ROOT write TINY FILE DSET N SHAPE
##       __h5write__ (FILE, DSET, a, [], [], []) for the SHAPE (like 8192x4096)
##       array a of N doubles, a(i) = mod (i-1, 1000003) * 0.5
##   octave ... bench/oct_bench.m ROOT slab TINY FILE DSET START COUNT
##       __h5read__ (FILE, DSET, START, COUNT, []), START and COUNT written
##       like 3073x1537 and 1024x1024
##   octave ... bench/oct_bench.m ROOT create-write TINY FILE DSET N SHAPE CHUNK SHUFFLE (single)
##       h5create (FILE, DSET, SHAPE, "ChunkSize", CHUNK, "Deflate", 4,
##       "Shuffle", SHUFFLE) and h5write (FILE, DSET, a) of the array above
##   octave ... bench/oct_bench.m ROOT info TINY FILE
##       h5info (FILE)
##
## ROOT is the source tree whose src/tolvane.oct and inst/ are used.  TINY is a
## small file holding the double dataset /t, read untimed first so that the
## module is loaded before the clock starts.  Prints one line
## "time=SECONDS hwm_kb=KB ...", where KB is the process's peak resident size
## (VmHWM) right after the timed call.

1;

function kb = peak_kb ()
  s = fileread ("/proc/self/status");
  tok = regexp (s, 'VmHWM:\s*(\d+)', "tokens", "once");
  kb = str2double (tok{1});
endfunction

## The array a(i) = mod (i-1, 1000003) * 0.5 of N elements in SHAPE.
function a = ramp (n, shape)
  a = reshape (mod (0:str2double (n)-1, 1000003) * 0.5, dims_of (shape));
endfunction

function v = dims_of (s)
  v = str2double (strsplit (s, "x"));
endfunction

args = argv ();
root = args{1};
mode = args{2};

if (strcmp (mode, "bare"))
  printf ("time=0 hwm_kb=%d\n", peak_kb ());
  exit (0);
endif

addpath (fullfile (root, "src"));
addpath (fullfile (root, "inst"));
tiny = args{3};
warm = __h5read__ (tiny, "/t", [], [], []);
if (! isequal (warm, [0 3; 1 4; 2 5]))
  error ("oct_bench: the warm-up read of %s gave a wrong value", tiny);
endif
clear warm;

switch (mode)
  case "start"
    printf ("time=0 hwm_kb=%d\n", peak_kb ());

  case "read"
    file = args{4};
    dset = args{5};
    if (numel (args) >= 7)
      cnt = dims_of (args{6});
      strd = dims_of (args{7});
      st = ones (size (cnt));
      t0 = tic ();
      x = __h5read__ (file, dset, st, cnt, strd);
      t = toc (t0);
    else
      t0 = tic ();
      x = __h5read__ (file, dset, [], [], []);
      t = toc (t0);
    endif
    kb = peak_kb ();
    printf ("time=%.6f hwm_kb=%d sum=%.17g class=%s size=%s\n", t, kb,
            sum (x(:), "double"), class (x), strjoin (arrayfun (@num2str, size (x), "uniformoutput", false), "x"));

  case "read-compound"
    file = args{4};
    dset = args{5};
    t0 = tic ();
    x = __h5read_any__ (file, dset, [], [], []);
    t = toc (t0);
    kb = peak_kb ();
    total = sum (x.i, "double") + sum (x.d, "double") + sum (x.f, "double") ...
            + sum (cellfun ("length", x.s));
    printf ("time=%.6f hwm_kb=%d sum=%.17g class=%s size=%s\n", t, kb, total,
            class (x), strjoin (arrayfun (@num2str, size (x.i), "uniformoutput", false), "x"));

  case "write"
    a = ramp (args{6}, args{7});
    t0 = tic ();
    __h5write__ (args{4}, args{5}, a, [], [], []);
    t = toc (t0);
    printf ("time=%.6f hwm_kb=%d sum=%.17g\n", t, peak_kb (), sum (a(:)));

  case "slab"
    file = args{4};
    dset = args{5};
    t0 = tic ();
    x = __h5read__ (file, dset, dims_of (args{6}), dims_of (args{7}), []);
    t = toc (t0);
    printf ("time=%.6f hwm_kb=%d sum=%.17g size=%s\n", t, peak_kb (),
            sum (x(:), "double"), strjoin (arrayfun (@num2str, size (x), "uniformoutput", false), "x"));

  case "create-write"
    a = single (ramp (args{6}, args{7}));
    t0 = tic ();
    h5create (args{4}, args{5}, size (a), "Datatype", "single", ...
              "ChunkSize", dims_of (args{8}), ...
              "Deflate", 4, "Shuffle", str2double (args{9}) != 0);
    h5write (args{4}, args{5}, a);
    t = toc (t0);
    printf ("time=%.6f hwm_kb=%d sum=%.17g\n", t, peak_kb (), sum (a(:), "double"));

  case "info"
    file = args{4};
    t0 = tic ();
    s = h5info (file);
    t = toc (t0);
    nds = 0;
    for i = 1:numel (s.Groups)
      nds += numel (s.Groups(i).Datasets);
    endfor
    printf ("time=%.6f hwm_kb=%d datasets=%d\n", t, peak_kb (), nds);

  otherwise
    error ("oct_bench: unknown mode %s", mode);
endswitch
