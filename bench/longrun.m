## Long run: 100,000 rounds of mixed successful and failing calls of every
## function in one Octave process, on small files.  Prints the resident memory
## (VmRSS) after a warm-up and at the end and the open file descriptors at the
## start and at the end.  Goals: VmRSS grows by less than 8 MiB, the descriptor
## count is unchanged.  LONGRUN_ROUNDS and LONGRUN_WARMUP override the counts.
1;

function kib = vmrss ()
  txt = fileread ("/proc/self/status");
  kib = str2double (regexp (txt, 'VmRSS:\s*(\d+)', "tokens", "once"){1});
endfunction

## Descriptors open in this process, without "." and ".." and without the one
## that reading the directory itself holds.
function n = open_fd_count ()
  n = numel (readdir ("/proc/self/fd")) - 3;
endfunction

function n = attempt (n, fn, varargin)
  try
    fn (varargin{:});
    n(1)++;
  catch
    n(2)++;
  end_try_catch
endfunction

top = fileparts (fileparts (mfilename ("fullpath")));
addpath (fullfile (top, "src"));
addpath (fullfile (top, "inst"));
rounds = str2double (getenv ("LONGRUN_ROUNDS"));
if (isnan (rounds))
  rounds = 100000;
endif
warmup = str2double (getenv ("LONGRUN_WARMUP"));
if (isnan (warmup))
  warmup = min (2000, rounds);
endif

dir_ = tempname ();
mkdir (dir_);
f = fullfile (dir_, "longrun.h5");
missing = fullfile (dir_, "missing.h5");
e = zeros (1, 0, "uint64");
u = @(x) uint64 (x);
fd_start = open_fd_count ();
__h5create__ (f, true, "/m", u([8 6]), "double", e, 0);
__h5create__ (f, false, "/x", u([4 Inf]), "int32", u([4 8]), 1);
__h5create__ (f, false, "/s", u(3), "string", e, 0);
__h5create__ (f, false, "/g/l", u([2 2]), "logical", e, 0);
__h5write__ (f, "/m", magic (8)(:, 1:6), e, e, e);
__h5write__ (f, "/s", {"a", "bb", "ccc"}, e, e, e);

counts = [0 0];
tic ();
for r = 1:rounds
  k = mod (r, 8);
  counts = attempt (counts, @__h5read__, f, "/m", e, e, e);
  counts = attempt (counts, @__h5read__, f, "/m", u([2 1]), u([3 2]), u([2 3]));
  counts = attempt (counts, @__h5read__, f, "/m", u([7 1]), u([3 2]), e);       # beyond
  counts = attempt (counts, @__h5write__, f, "/m", r * ones (2, 3), u([1 1]), u([2 3]), e);
  counts = attempt (counts, @__h5write__, f, "/m", single (1), e, e, e);        # refused
  counts = attempt (counts, @__h5readatt__, f, "/m", "note");
  switch (k)
    case 0
      counts = attempt (counts, @__h5writeatt__, f, "/m", "note", [r 1 2]);
      counts = attempt (counts, @h5info, f);
    case 1
      counts = attempt (counts, @__h5read__, f, "/s", e, e, e);
      counts = attempt (counts, @__h5write__, f, "/s", {"x", "yy", "zzz"}, e, e, e);
    case 2
      counts = attempt (counts, @__h5write__, f, "/x", int32 (ones (4, 2) * r), ...
                        u([1 1 + mod(r, 64)]), u([4 2]), e);                    # extends
      counts = attempt (counts, @__h5read__, f, "/x", u([1 1]), u([4 2]), u([1 1]));
    case 3
      counts = attempt (counts, @__h5create__, f, false, "/m", u(2), "double", e, 0);
      counts = attempt (counts, @__h5create__, f, false, "/m/y", u(2), "double", e, 0);
    case 4
      counts = attempt (counts, @__h5read__, missing, "/m", e, e, e);
      counts = attempt (counts, @__h5writeatt__, missing, "/", "a", 1);
      counts = attempt (counts, @h5info, missing);
    case 5
      counts = attempt (counts, @h5info, f, "/g");
      counts = attempt (counts, @__h5read__, f, "/g/l", e, e, e);
      counts = attempt (counts, @__h5writeatt__, f, "/g", "s", {"one", "two"});
      counts = attempt (counts, @__h5readatt__, f, "/g", "s");
    case 6
      counts = attempt (counts, @__h5read__, f, "/nothing", e, e, e);
      counts = attempt (counts, @__h5readatt__, f, "/m", "nothing");
      counts = attempt (counts, @__h5writeatt__, f, "/m", "bad", struct ());
      counts = attempt (counts, @h5info, f, "/nothing");
    otherwise
      counts = attempt (counts, @__h5write__, f, "/g/l", true (2), e, e, e);
      counts = attempt (counts, @__h5write__, f, "/g", 1, e, e, e);              # a group
      counts = attempt (counts, @__h5read__, f, "/m", u(1), u(1), e);            # wrong rank
  endswitch
  if (r == warmup)
    rss_warm = vmrss ();
    printf ("after warm-up (%d rounds): VmRSS %d KiB, open descriptors %d, %.1f s\n", ...
            r, rss_warm, open_fd_count (), toc ());
    fflush (stdout);
  elseif (mod (r, 10000) == 0)
    printf ("round %d: VmRSS %d KiB, %.1f s\n", r, vmrss (), toc ());
    fflush (stdout);
  endif
endfor
rss_end = vmrss ();
fd_end = open_fd_count ();
printf ("%d rounds, %d calls succeeded, %d failed with an error, %.1f s\n", ...
        rounds, counts(1), counts(2), toc ());
printf ("VmRSS after warm-up %d KiB, at the end %d KiB, difference %d KiB (goal < 8192)\n", ...
        rss_warm, rss_end, rss_end - rss_warm);
printf ("open file descriptors at the start %d, at the end %d (goal equal)\n", ...
        fd_start, fd_end);
confirm_recursive_rmdir (false);
rmdir (dir_, "s");
if (rss_end - rss_warm >= 8192 || fd_end != fd_start)
  printf ("longrun: goal missed\n");
else
  printf ("longrun: goals met\n");
endif
