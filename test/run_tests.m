## Runs the test files test/*.tst and the built-in tests of inst/*.m with the
## module built in src/, and prints the totals as "N passed, N failed".
1;
top = pwd ();
addpath (fullfile (top, "src"));
addpath (fullfile (top, "inst"));
addpath (fullfile (top, "test", "lib"));

args = argv ();
files = [glob(fullfile (top, "test", "*.tst")); glob(fullfile (top, "inst", "*.m"))];
if (! isempty (args))
  keep = false (size (files));
  for i = 1:numel (args)
    keep |= ! cellfun (@isempty, strfind (files, args{i}));
  endfor
  files = files(keep);
endif

total_pass = 0;
total_fail = 0;
for i = 1:numel (files)
  f = files{i};
  [~, name, ext] = fileparts (f);
  [n, nmax, nxfail, nbug, nskip, nrtskip] = test (f, "quiet", stdout);
  if (nmax == 0)
    continue;
  endif
  nfail = nmax - n - nxfail - nbug - nskip - nrtskip;
  total_pass += n;
  total_fail += nfail;
  printf ("%-28s %4d passed, %d failed\n", [name ext], n, nfail);
  fflush (stdout);
endfor
printf ("%d passed, %d failed\n", total_pass, total_fail);
exit (total_fail > 0);
