## The Octave side of bench/b_user.sh, run as a script:
##
##   octave ... bench/user_bench.m ROOT read FILE REPS
##       h5read (FILE, "/d") and __h5read__ (FILE, "/d", [], [], []), by turns
##   octave ... bench/user_bench.m ROOT write FILE REPS
##       h5write (FILE, "/d", a) and __h5write__ (FILE, "/d", a, [], [], []), by
##       turns, for an 8192x4096 double array a (256 MiB) made beforehand
##   octave ... bench/user_bench.m ROOT one FILE REPS N
##       by turns, N calls of h5read (FILE, "/s", [i j], [1 1]) and N calls of
##       __h5read__ doing the same, each call reading one element of the 1000x8
##       dataset /s (so opening and closing the file)
##
## ROOT is the source tree whose src/tolvane.oct and inst/ are used.  Untimed
## calls of both functions come first.  Taking turns inside one process, in
## alternating order, keeps the two contenders under the same conditions.  Prints one line per turn:
## "user=SECONDS back=SECONDS sum=CHECKSUM".

1;
args = argv ();
root = args{1};
mode = args{2};
file = args{3};
reps = str2double (args{4});
addpath (fullfile (root, "src"));
addpath (fullfile (root, "inst"));

switch (mode)
  case "read"
    h5read (file, "/t");
    __h5read__ (file, "/t", [], [], []);
    for r = 1:reps
      for who = circshift ([1 2], r)
        clear x;
        t0 = tic ();
        if (who == 1)
          x = h5read (file, "/d");
          tu = toc (t0);
        else
          x = __h5read__ (file, "/d", [], [], []);
          tb = toc (t0);
        endif
      endfor
      printf ("user=%.6f back=%.6f sum=%.17g\n", tu, tb, sum (x(:)));
    endfor
  case "write"
    h5write (file, "/t", 1);
    __h5write__ (file, "/t", 1, [], [], []);
    a = reshape (mod (0:(8192 * 4096 - 1), 1000003) * 0.5, 8192, 4096);
    for r = 1:reps
      for who = circshift ([1 2], r)
        t0 = tic ();
        if (who == 1)
          h5write (file, "/d", a);
          tu = toc (t0);
        else
          __h5write__ (file, "/d", a, [], [], []);
          tb = toc (t0);
        endif
      endfor
      printf ("user=%.6f back=%.6f sum=%.17g\n", tu, tb, sum (a(:)));
    endfor
  case "one"
    n = str2double (args{5});
    i = 1 + mod (0:n-1, 1000);
    j = 1 + mod (0:n-1, 8);
    for k = 1:5
      h5read (file, "/s", [2 2], [1 1]);
      __h5read__ (file, "/s", uint64 ([2 2]), uint64 ([1 1]), []);
    endfor
    for r = 1:reps
      for who = circshift ([1 2], r)
        if (who == 1)
          su = 0;
          t0 = tic ();
          for k = 1:n
            su += h5read (file, "/s", [i(k) j(k)], [1 1]);
          endfor
          tu = toc (t0);
        else
          sb = 0;
          t0 = tic ();
          for k = 1:n
            sb += __h5read__ (file, "/s", uint64 ([i(k) j(k)]), uint64 ([1 1]), []);
          endfor
          tb = toc (t0);
        endif
      endfor
      if (su != sb)
        error ("user_bench: h5read and __h5read__ read different values");
      endif
      printf ("user=%.6f back=%.6f sum=%.17g\n", tu, tb, su);
    endfor
  otherwise
    error ("user_bench: unknown mode %s", mode);
endswitch
