## The chunk pipeline: chunked datasets with deflate, shuffle and Fletcher32
## decoded and encoded on worker threads.  Every threaded result is compared
## with the plain HDF5 path (TOLVANE_NUM_THREADS=1), and __h5chunks__ tells
## which path the last call took.

%!shared f, B, threaded, plain, rd
%! f = fixture ("chunks.h5");
%! [j, i] = meshgrid (0:299, 0:209);
%! B = mod (7 * j + 3 * i, 50);           # Octave 210 x 300 of HDF5 (300, 210)
%! threaded = @() setenv ("TOLVANE_NUM_THREADS", "3");
%! plain = @() setenv ("TOLVANE_NUM_THREADS", "1");
%! rd = @(file, loc, varargin) __h5read__ (file, loc, varargin{:});

%!function same (got, want, what)
%!  if (! isequal (got, want))
%!    error ("%s: threaded and plain reads differ", what);
%!  endif
%!endfunction

%!function v = ifelse (c, a, b)
%!  v = b;
%!  if (c)
%!    v = a;
%!  endif
%!endfunction

## Every filter combination and element type, whole and in hyperslabs with
## strides and edge chunks: the threaded path reads what HDF5 reads.
%!test
%! sel = {{[], [], []}, {[3 5], [200 290], []}, {[2 1], [70 33], [3 9]}, ...
%!        {[151 251], [60 50], [1 1]}, {[1 7], [5 42], [50 7]}};
%! unwind_protect
%!   for combo = {"g", "gs", "gf", "gsf", "s", "f"}
%!     for code = {"f8", "f4", "i1", "u1", "i2", "u2", "i4", "u4", "i8", "u8", ...
%!                 "b1", "c16", "bef8", "bef4", "bei2", "beu4", "bei8"}
%!       loc = ["/" combo{1} "/" code{1}];
%!       for s = 1:numel (sel)
%!         plain ();
%!         want = rd (f, loc, sel{s}{:});
%!         threaded ();
%!         got = rd (f, loc, sel{s}{:});
%!         r = __h5chunks__ ();
%!         same (got, want, loc);
%!         ## The fourth selection, four edge chunks, is too small for
%!         ## threads with the narrow types.
%!         same (r.path, ifelse (s == 4 && r.threads == 0, "hdf5", "threads"), loc);
%!       endfor
%!       x = rd (f, loc, [], [], []);
%!       if (strcmp (code{1}, "b1"))
%!         same (x, mod (B, 2) == 1, loc);
%!       else
%!         same (double (real (x)), B, loc);
%!       endif
%!     endfor
%!   endfor
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%! end_unwind_protect

## One and four dimensions; a three-dimensional hyperslab write whose
## whole chunks go to the workers and its 26 edge boxes through H5Dwrite.
%!test
%! w = [tempname() ".h5"];
%! unwind_protect
%!   cases = {"/nd/v", {[], [], []}; "/nd/v", {5, 3000, 31};
%!            "/nd/c4", {[], [], []}; "/nd/c4", {[2 3 1 2], [7 4 5 3], [2 3 2 3]}};
%!   for k = 1:rows (cases)
%!     plain ();
%!     want = rd (f, cases{k, 1}, cases{k, 2}{:});
%!     threaded ();
%!     same ({rd(f, cases{k, 1}, cases{k, 2}{:}), __h5chunks__().path}, {want, "threads"}, cases{k, 1});
%!   endfor
%!   x = mod (reshape (1:60*50*40, 60, 50, 40), 1000);
%!   for t = {"1", "3"}
%!     setenv ("TOLVANE_NUM_THREADS", t{1});
%!     h5create (w, ["/x" t{1}], [60 50 40], "ChunkSize", [25 16 8], "Deflate", 3, "Shuffle", true);
%!     __h5write__ (w, ["/x" t{1}], x, [], [], []);
%!     __h5write__ (w, ["/x" t{1}], x(2:59, 3:48, 2:39) + 1, [2 3 2], [58 46 38], []);
%!   endfor
%!   assert ([__h5chunks__().path ":" num2str(__h5chunks__().chunks)], "threads:6");
%!   want = x;
%!   want(2:59, 3:48, 2:39) += 1;
%!   assert (rd (w, "/x3", [], [], []), want);
%!   plain ();
%!   assert (rd (w, "/x1", [], [], []), want);
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%!   unlink (w);
%! end_unwind_protect

## Chunks never written read as the fill value; a chunk stored with a
## filter skipped (mask) decodes by its mask; newer chunk indexes.
%!test
%! unwind_protect
%!   threaded ();
%!   s = rd (f, "/sparse", [], [], []);
%!   r = __h5chunks__ ();
%!   assert ([r.chunks r.filled], [2 23]);
%!   want = -7 * ones (210, 300, "int32");
%!   want(1:50, 1:64) = B(1:50, 1:64);
%!   want(201:210, 257:300) = B(201:210, 257:300);
%!   assert (s, want);
%!   s = rd (f, "/sparse_many", [], [], []);
%!   r = __h5chunks__ ();
%!   assert ([r.chunks r.filled], [2 628]);
%!   want = 0.5 * ones (210, 300);
%!   want(1:10, 1:10) = B(1:10, 1:10);
%!   want(206:210, 296:300) = B(206:210, 296:300);
%!   assert (s, want);
%!   assert (rd (f, "/sparse_many", [201 281], [10 20], [1 1]), want(201:210, 281:300));
%!   z = rd (f, "/zero", [], [], []);
%!   assert (__h5chunks__ ().filled, 24);
%!   want = zeros (210, 300);
%!   want(51:100, 65:128) = B(51:100, 65:128);
%!   assert (z, want);
%!   assert (rd (f, "/masked", [], [], []), int32 (B));
%!   assert (__h5chunks__ ().path, "threads");
%!   l = fixture ("chunks_latest.h5");
%!   assert (rd (l, "/fixed", [], [], []), B);
%!   assert (rd (l, "/grow", [5 7], [100 200], [2 1]), B(5:2:203, 7:206));
%!   assert (__h5chunks__ ().path, "threads");
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%! end_unwind_protect

## Other filters, no filter, one thread and tiny reads keep the HDF5 path.
%!test
%! unwind_protect
%!   threaded ();
%!   cases = {"/scaleoff", {[], [], []}, "a filter other than deflate, shuffle and fletcher32";
%!            "/contig", {[], [], []}, "not chunked";
%!            "/g/f8", {[1 1], [10 10], []}, "too small"};
%!   for k = 1:rows (cases)
%!     x = rd (f, cases{k, 1}, cases{k, 2}{:});
%!     r = __h5chunks__ ();
%!     assert ({r.path, r.reason}, {"hdf5", cases{k, 3}});
%!   endfor
%!   assert (rd (f, "/scaleoff", [], [], []), int32 (B));
%!   plain ();
%!   x = rd (f, "/gsf/f8", [], [], []);
%!   assert (__h5chunks__ ().reason, "one thread");
%!   assert (__h5chunks__ ().max_threads, 1);
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%! end_unwind_protect

## A corrupt chunk is a clean error naming the dataset and the chunk; no
## descriptor stays open.
%!test
%! unwind_protect
%!   threaded ();
%!   cases = {fixture("chunks_bad_sum.h5"), "Fletcher32 checksum mismatch";
%!            fixture("chunks_bad_zlib.h5"), "inflate failed (incorrect header check)"};
%!   for k = 1:rows (cases)
%!     try
%!       rd (cases{k, 1}, "/d", [], [], []);
%!       error ("no error");
%!     catch err
%!       assert (err.message, ["h5read: dataset /d: corrupt chunk at (51,65): " cases{k, 2}]);
%!     end_try_catch
%!     assert (open_fds (cases{k, 1}), 0);
%!     ## A selection without the bad chunk reads.
%!     assert (rd (cases{k, 1}, "/d", [1 1], [50 64], []), B(1:50, 1:64));
%!   endfor
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%! end_unwind_protect

## Writes: whole chunks encoded on the workers are stored byte for byte as
## HDF5's own filters store them; partial chunks at the edges of a hyperslab
## go through H5Dwrite; h5py and h5dump read the values.
%!test
%! w = [tempname() ".h5"];
%! unwind_protect
%!   Z = reshape (mod ((1:210*300) * 13, 1001), 210, 300) / 7;
%!   cls = {"double", "single", "int16", "uint32", "int64"};
%!   for k = 1:numel (cls)
%!     for t = {"1", "3"}
%!       loc = ["/" cls{k} "_" t{1}];
%!       h5create (w, loc, [210 Inf], "ChunkSize", [50 64], "Deflate", 5, ...
%!                 "Shuffle", true, "Fletcher32", true, "Datatype", cls{k}, ...
%!                 "FillValue", cast (3, cls{k}));
%!       setenv ("TOLVANE_NUM_THREADS", t{1});
%!       __h5write__ (w, loc, cast (Z, cls{k}), [1 1], [210 300], []);
%!       assert (__h5chunks__ ().path, ifelse (t{1} == "3", "threads", "hdf5"));
%!       ## Six whole chunks on the workers, the edges through H5Dwrite.
%!       __h5write__ (w, loc, cast (Z(3:200, 7:199), cls{k}) + 1, [3 7], [198 193], []);
%!       r = __h5chunks__ ();
%!       if (strcmp (cls{k}, "double") && t{1} == "3")
%!         assert ([r.path ":" num2str(r.chunks)], "threads:6");
%!       endif
%!     endfor
%!     plain ();
%!     want = cast (Z, cls{k});
%!     want(3:200, 7:199) += 1;
%!     assert (__h5read__ (w, ["/" cls{k} "_3"], [], [], []), want);
%!   endfor
%!   out = h5py_run (sprintf (["f = h5py.File('%s', 'r')\n" ...
%!     "for c in ('double', 'single', 'int16', 'uint32', 'int64'):\n" ...
%!     "  a, b = f[c + '_1'], f[c + '_3']\n" ...
%!     "  same = all(a.id.read_direct_chunk(a.id.get_chunk_info(i).chunk_offset) ==\n" ...
%!     "             b.id.read_direct_chunk(a.id.get_chunk_info(i).chunk_offset)\n" ...
%!     "             for i in range(a.id.get_num_chunks()))\n" ...
%!     "  print(c, a.id.get_num_chunks(), same, np.array_equal(a[()], b[()]), b.shuffle, b.fletcher32, b.compression_opts, int(b.fillvalue))"], w));
%!   assert (out, strjoin (strcat ({"double", "single", "int16", "uint32", "int64"}, " 25 True True True True 5 3"), "\n"));
%!   ## h5dump decodes and verifies a small dataset written on the workers.
%!   threaded ();
%!   h5create (w, "/small", [100 100], "ChunkSize", [20 20], "Deflate", 9, "Fletcher32", true);
%!   __h5write__ (w, "/small", reshape (1:10000, 100, 100), [], [], []);
%!   assert (__h5chunks__ ().chunks, 25);
%!   [st, txt] = system (sprintf ("h5dump -d /small -w 0 %s", w));
%!   assert (st, 0);
%!   assert (! isempty (strfind (txt, "(99,0): 9901, 9902, 9903, ")));
%! unwind_protect_cleanup
%!   unsetenv ("TOLVANE_NUM_THREADS");
%!   unlink (w);
%! end_unwind_protect

%!error <__h5chunks__: wrong # of args> __h5chunks__ (1)
%!error <__h5create_ext__: wrong # of args> __h5create_ext__ (1)
