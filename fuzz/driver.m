## Mutation-harness driver: runs every function of the module over a batch of
## mutant files.  Environment:
##   FUZZ_TOP      repository top (module in src/, autoloads in inst/)
##   FUZZ_LIST     batch file, one "mutant-path<TAB>seed-name" per line
##   FUZZ_SEEDS    the seed list written by fuzz/make_seeds.py
##   FUZZ_SCRATCH  scratch file for the writing calls (a copy of each mutant)
## Prints "BEGIN name" before a mutant (flushed), "C function file location"
## before each call, "E function: message" for each clean Octave error, and
## "END name ok errors fds" after the mutant, fds being the number of file
## descriptors it left open.
1;

function r = seed_rows (file)
  r = struct ("kind", {}, "seed", {}, "loc", {}, "a", {}, "b", {});
  fid = fopen (file, "r");
  while (true)
    line = fgetl (fid);
    if (! ischar (line))
      break;
    endif
    p = strsplit (line, "\t");
    k = numel (r) + 1;
    r(k).kind = p{1};
    r(k).seed = p{2};
    r(k).loc = p{3};
    r(k).a = p{4};
    r(k).b = "";
    if (numel (p) > 4)
      r(k).b = p{5};
    endif
  endwhile
  fclose (fid);
endfunction

function v = value_for (cls, dims)
  switch (cls)
    case "double"
      v = 7 * ones (dims);
    case "complex"
      v = complex (ones (dims), 2);
    case "logical"
      v = true (dims);
    case "cellstr"
      v = repmat ({"fz"}, dims);
    case "char"
      v = "fz";
    otherwise
      v = ones (dims, cls);
  endswitch
endfunction

function [ok, nerr] = attempt (ok, nerr, fname, fn, varargin)
  where = "";
  if (numel (varargin) > 1 && ischar (varargin{2}))
    where = varargin{2};
  endif
  printf ("C %s %s %s\n", fname, varargin{1}, where);
  try
    fn (varargin{:});
    ok++;
  catch err
    nerr++;
    ## Messages may carry bytes of corrupted names: keep printable ASCII only.
    msg = err.message;
    nl = find (msg == "\n", 1);
    if (! isempty (nl))
      msg = msg(1:nl-1);
    endif
    msg(msg < 32 | msg > 126) = "?";
    printf ("E %s: %s\n", fname, msg(1:min (end, 160)));
  end_try_catch
endfunction

top = getenv ("FUZZ_TOP");
addpath (fullfile (top, "src"));
addpath (fullfile (top, "inst"));
list = seed_rows (getenv ("FUZZ_SEEDS"));
scratch = getenv ("FUZZ_SCRATCH");
fid = fopen (getenv ("FUZZ_LIST"), "r");
batch = {};
while (true)
  line = fgetl (fid);
  if (! ischar (line))
    break;
  endif
  batch(end+1, :) = strsplit (line, "\t");
endwhile
fclose (fid);

e = zeros (1, 0, "uint64");
for i = 1:size (batch, 1)
  file = batch{i, 1};
  seed = batch{i, 2};
  [~, name] = fileparts (file);
  printf ("BEGIN %s\n", name);
  fflush (stdout);
  fds = numel (readdir ("/proc/self/fd"));
  ok = 0;
  nerr = 0;
  mine = list(strcmp ({list.seed}, seed));
  [ok, nerr] = attempt (ok, nerr, "h5info", @h5info, file);
  [ok, nerr] = attempt (ok, nerr, "h5info", @h5info, file, "/");
  [ok, nerr] = attempt (ok, nerr, "__h5walk__", @__h5walk__, file, "/");
  for r = mine(strcmp ({mine.kind}, "D"))
    dims = str2num (r.b);
    if (numel (dims) == 2 && dims(1) == 1)
      dims = dims(2);        # a rank-1 dataset
    endif
    cnt = uint64 (max (1, ceil (dims / 2)));
    one = uint64 (ones (size (dims)));
    for fn = {"__h5read__", "__h5read_any__"}
      h = str2func (fn{1});
      [ok, nerr] = attempt (ok, nerr, fn{1}, h, file, r.loc, e, e, e);
      [ok, nerr] = attempt (ok, nerr, fn{1}, h, file, r.loc, one, cnt, one);
      [ok, nerr] = attempt (ok, nerr, fn{1}, h, file, r.loc, one, cnt, 2 * one);
    endfor
  endfor
  for r = mine(strcmp ({mine.kind}, "A"))
    [ok, nerr] = attempt (ok, nerr, "__h5readatt__", @__h5readatt__, file, r.loc, r.a);
    [ok, nerr] = attempt (ok, nerr, "__h5readatt_any__", @__h5readatt_any__, file, r.loc, r.a);
  endfor
  ## The writing calls work on a copy of the mutant.
  [status, msg] = copyfile (file, scratch, "f");
  if (status)
    for r = mine(strcmp ({mine.kind}, "W"))
      v = value_for (r.a, str2num (r.b));
      [ok, nerr] = attempt (ok, nerr, "__h5write__", @__h5write__, scratch, r.loc, v, e, e, e);
    endfor
    [ok, nerr] = attempt (ok, nerr, "__h5writeatt__", @__h5writeatt__, scratch, ...
                          "/", "fuzz_att", [1 2 3]);
    [ok, nerr] = attempt (ok, nerr, "__h5create__", @__h5create__, scratch, false, ...
                          "/fuzz/new", uint64 ([4 3]), "double", uint64 ([2 2]), 1);
    [ok, nerr] = attempt (ok, nerr, "h5info", @h5info, scratch);
  else
    printf ("E copyfile: %s\n", msg);
  endif
  printf ("END %s %d %d %d\n", name, ok, nerr, numel (readdir ("/proc/self/fd")) - fds);
  fflush (stdout);
endfor
