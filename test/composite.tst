## Every datatype class through __h5read_any__ and __h5readatt_any__ (the
## back-ends of h5read and h5readatt), compared value for value, class and
## shape with what h5py reads (test/lib/h5expect.py): compound, enumeration,
## variable-length, array, opaque, bitfield, reference, null dataspace and
## fixed-length strings, from h5py, PyTables, netCDF-4 and the HDF5 C API.

%!shared f, tbl, nc, names, slabs, anames
%! f = fixture ("composite.h5");
%! tbl = fixture ("tables.h5");
%! nc = fixture ("netcdf.nc");
%! names = {"/cmp", "/cmp2d", "/cmp_scalar", "/cmp_empty", "/cmp_null", "/null", ...
%!          "/enum", "/enum_u8", "/vlen", "/vlen2d", "/vlen_cmp", "/array", ...
%!          "/array2d", "/array_scalar", "/array_str", "/opaque", "/opaque_scalar", ...
%!          "/bits8", "/bits16", "/bits32", "/bits64", "/fs_nullterm", "/fs_nullpad", ...
%!          "/fs_spacepad", "/fs1_nullterm", "/fs1_nullpad", "/fs1_spacepad", ...
%!          "/data", "/names", "/refs", "/regrefs", "/refs2d", "/refcmp"};
%! ## start count stride, 1-based, Octave order
%! slabs = {"/cmp 2 3 2", "/cmp2d 2,1 2,3 2,1", "/cmp2d 5,4 1,1 1,1", "/enum 1,2 2,1 2,1", ...
%!          "/vlen 2 2 2", "/vlen2d 1,2 3,1 1,1", "/vlen_cmp 3 1 1", "/array 1 3 2", ...
%!          "/array2d 2,1 1,2 1,2", "/array2d 1,1 2,3 1,1", "/array_str 2 1 1", ...
%!          "/opaque 2 2 2", "/bits16 1,2 3,1 1,1", "/bits64 2,1 2,2 1,1", ...
%!          "/fs_spacepad 1,1 1,2 1,1", "/fs_nullterm 2,2 1,1 1,1", "/refs 2 3 2", ...
%!          "/regrefs 1 2 2", "/refcmp 2 1 1", "/refs2d 1,2 2,1 1,1"};
%! anames = {"cmp", "cmp_scalar", "enum", "vlen", "array", "opaque", "refs", "regref", ...
%!           "null", "null_cmp", "plain", "bits8", "bits16", "bits32", "bits64", ...
%!           "fs_nullterm", "fs_nullpad", "fs_spacepad", "fs1_nullterm", "fs1_spacepad"};

## QUERIES are "D path", "D path start count stride" or "A path name"; the
## result lists the queries whose value differs from h5py's, with the reason.
%!function bad = mismatches (file, queries)
%!  E = h5py_expect (file, queries);
%!  bad = {};
%!  for k = 1:numel (queries)
%!    q = strsplit (queries{k}, " ");
%!    try
%!      if (strcmp (q{1}, "A"))
%!        v = __h5readatt_any__ (file, q{2}, strjoin (q(3:end), " "));
%!      elseif (numel (q) == 2)
%!        v = __h5read_any__ (file, q{2}, [], [], []);
%!      else
%!        u = @(s) uint64 (str2num (s));
%!        v = __h5read_any__ (file, q{2}, u(q{3}), u(q{4}), u(q{5}));
%!      endif
%!      assert (v, E{k});
%!      if (isstruct (v))
%!        assert (fieldnames (v), fieldnames (E{k}));
%!      endif
%!    catch err
%!      bad{end+1} = [queries{k} ": " err.message];
%!    end_try_catch
%!  endfor
%!endfunction

%!test
%! ## Whole datasets.
%! assert (mismatches (f, strcat ({"D "}, names)), {});
%! assert (open_fds (f), 0);

%!test
%! ## Hyperslabs, with strides.
%! assert (mismatches (f, strcat ({"D "}, slabs)), {});

%!test
%! ## Attributes of the root, a group and a committed datatype.
%! q = {};
%! for loc = {"/", "/g", "/t"}
%!   q = [q, strcat({["A " loc{1} " "]}, anames)];
%! endfor
%! assert (mismatches (f, q), {});
%! assert (open_fds (f), 0);

%!test
%! ## The mapping itself, spelled out for a few members.
%! s = __h5read_any__ (f, "/cmp", [], [], []);
%! assert (fieldnames (s), {"i"; "d"; "f"; "s"; "u"; "e"; "arr"; "nest"; "v"; "vs"; "c"; "ri"; "b"});
%! assert (s.i, int32 (0:-3:-18));
%! assert (s.s, {"", "s1", "s2s2", "", "s4", "s5s5", ""});
%! assert (s.e, {"RED", "GREEN", "BLUE", "", "RED", "GREEN", "BLUE"});
%! assert (size (s.arr), [3 2 7]);
%! assert (s.arr(:, :, 2), int16 ([6 9; 7 10; 8 11]));
%! assert (s.nest.y, -(0:6));
%! assert (s.v{3}, int32 ([2; 3]));
%! assert (s.c, complex (0:6, 0:6));
%! assert (fieldnames (s.ri), {"real"; "imag"});
%! assert (s.b, logical ([1 0 1 0 1 0 1]));
%! assert (size (__h5read_any__ (f, "/array", [], [], [])), [3 2 5]);
%! assert (size (__h5read_any__ (f, "/array2d", [], [], [])), [4 2 3]);
%! assert (__h5read_any__ (f, "/opaque_scalar", [], [], []), uint8 ([9; 8; 7; 6; 5]));
%! assert (__h5read_any__ (f, "/fs_spacepad", [], [], []), {"ab", ""; "cde", "fghij"});
%! assert (__h5read_any__ (f, "/fs1_nullpad", [], [], []), "one");
%! assert (__h5read_any__ (f, "/null", [], [], []), []);
%! r = __h5read_any__ (f, "/refs", [], [], []);
%! assert (r(2:4), {"/g", "/t", []});

%!test
%! ## h5read and h5readatt read through the new back-ends; h5read turns the
%! ## 1xN fields and cells of a one-dimensional dataset into columns.
%! w = __h5read_any__ (f, "/cmp", [], [], []);
%! for [v, k] = w
%!   if (isrow (v))
%!     w.(k) = v(:);
%!   endif
%! endfor
%! assert (h5read (f, "/cmp"), w);
%! assert (h5read (f, "/cmp2d", [2 1], [2 Inf], [2 1]),
%!         __h5read_any__ (f, "/cmp2d", uint64 ([2 1]), uint64 ([2 4]), uint64 ([2 1])));
%! ## Finite 2-D hyperslabs whose results do not show the selection's shape.
%! assert (h5read (f, "/cmp2d", [2 1], [2 3]),
%!         __h5read_any__ (f, "/cmp2d", uint64 ([2 1]), uint64 ([2 3]), []));
%! assert (h5read (f, "/array2d", [1 1], [2 3]),
%!         __h5read_any__ (f, "/array2d", uint64 ([1 1]), uint64 ([2 3]), []));
%! assert (h5read (f, "/vlen", 2, 2), __h5read_any__ (f, "/vlen", uint64 (2), uint64 (2), uint64 (1)).');
%! assert (h5readatt (f, "/t", "enum"), {"BLUE", "RED", ""});

%!test
%! ## PyTables: a Table, an Array and their string attributes.
%! q = {"D /detector/readout", "D /detector/readout 2 4 2", "D /detector/levels", ...
%!      "A / TITLE", "A / CLASS", "A / VERSION", "A / PYTABLES_FORMAT_VERSION", ...
%!      "A /detector TITLE", "A /detector CLASS", "A /detector/readout TITLE", ...
%!      "A /detector/readout CLASS", "A /detector/readout FIELD_0_NAME", ...
%!      "A /detector/readout NROWS", "A /detector/levels TITLE"};
%! assert (mismatches (tbl, q), {});
%! t = __h5read_any__ (tbl, "/detector/readout", [], [], []);
%! assert (t.name(1:2), {"part0", "part7"});
%! assert (t.idnumber(3), int64 (2 * 2^40));
%! assert (size (t.grid), [2 9]);
%! assert (__h5readatt_any__ (tbl, "/detector/readout", "CLASS"), "TABLE");

%!test
%! ## netCDF-4: groups, dimension scales, user types, strings; the
%! ## dimension lists are variable-length sequences of object references.
%! q = {"D /time", "D /cloud", "D /wind", "D /wind 2,1 2,3 1,1", "D /obs", "D /label", ...
%!      "D /forecast/temp", "D /forecast/code", "D /station", "A /time units", ...
%!      "A /cloud DIMENSION_LIST", "A /wind DIMENSION_LIST", "A /time REFERENCE_LIST", ...
%!      "A /forecast/temp DIMENSION_LIST", "A /station CLASS", "A /cloud _FillValue"};
%! assert (mismatches (nc, q), {});
%! assert (__h5read_any__ (nc, "/cloud", [], [], []), {"clear", "stratus", "cumulus", "clear"});
%! w = __h5read_any__ (nc, "/wind", [], [], []);
%! assert (w.dir(2, 1), int16 (30));

%!test
%! ## References, the time class and nested sequences written with the
%! ## HDF5 C API.
%! d = tempname ();
%! mkdir (d);
%! unwind_protect
%!   src = fullfile (fileparts (which ("fixture")), "..", "fixtures", "c_writer.c");
%!   exe = fullfile (d, "c_writer");
%!   [st, out] = system (sprintf ("gcc -o %s %s $(pkg-config --cflags --libs hdf5) 2>&1", exe, src));
%!   assert (st == 0, "%s", out);
%!   g = fullfile (d, "refs.h5");
%!   [st, out] = system ([exe " " g]);
%!   assert (st == 0, "%s", out);
%!   assert (mismatches (g, {"D /obj", "D /region", "D /data", "D /obj 2 2 2"}), {});
%!   o = __h5read_any__ (g, "/obj", [], [], []);
%!   assert (o, {__h5read__(g, "/data", [], [], []), "/g", "/t", []});
%!   r = __h5read_any__ (g, "/region", [], [], []);
%!   assert (r{2}, int16 ([50; -7; 26]));
%!   fail ("__h5read_any__ (g, '/time', [], [], [])", "h5read: unsupported datatype class 'time'");
%!   assert (__h5read_any__ (g, "/vv", [], [], []), {{int32([1; 2; 3]); int32(7)}, cell(0, 1)});
%!   vc = __h5read_any__ (g, "/vc", [], [], []);
%!   assert (vc, {struct("x", {int32([5; 6])}, "s", {{"five"; "six"}}), ...
%!                struct("x", {int32(5)}, "s", {{"five"}})});
%!   assert (__h5read_any__ (g, "/cv", [], [], []), struct ("v", {{int32([1; 2; 3]), int32(7)}}));
%!   assert (open_fds (g), 0);
%! unwind_protect_cleanup
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (d, "s");
%! end_unwind_protect

%!test
%! ## Errors of the new functions, and the old ones unchanged.
%! e = [];
%! fail ("__h5read_any__ (f, '/nothing', e, e, e)", "h5read: location /nothing does not exist");
%! fail ("__h5read_any__ (f, '/g', e, e, e)", "h5read: location '/g' is not a Dataset");
%! fail ("__h5read_any__ (f, 'cmp', e, e, e)", "h5read: dataset location should be specified as a full pathname with leading '/'");
%! fail ("__h5read_any__ (f, '/cmp', e, e)", "__h5read_any__: wrong # of args");
%! fail ("__h5read_any__ (f, '/null', uint64 (1), uint64 (1), e)", "h5read: hyperslab selection: Hyperslab selection not possible. Dataset is NULL");
%! fail ("__h5read_any__ (f, '/cmp', uint64 (5), uint64 (4), e)", "h5read: hyperslab selection: hyperslab selection beyond the dataset's size");
%! fail ("__h5read_any__ (f, '/self', e, e, e)", "h5read: references form a cycle through dataset '/self'");
%! fail ("__h5readatt_any__ (f, '/t', 'nothing')", "h5readatt: attribute nothing does not exist");
%! fail ("__h5readatt_any__ (f, '/nothing', 'a')", "h5readatt: location '/nothing' does not exist");
%! fail ("__h5readatt_any__ (f, '/')", "__h5readatt_any__: wrong # of args");
%! fail ("__h5read__ (f, '/cmp', e, e, e)", "h5read: dataset /cmp: Unsupported datatype 'compound'");
%! fail ("__h5read__ (f, '/null', e, e, e)", "h5read: dataset /null: Empty HDF5 dataspace");
%! fail ("__h5readatt__ (f, '/', 'enum')", "h5readatt: attribute enum: Unsupported datatype 'enum'");
%! fail ("__h5readatt__ (f, '/t', 'plain')", "h5readatt: location has unsupported object type");
%! assert (__h5read__ (f, "/fs_spacepad", e, e, e), {"ab   ", char(zeros (1, 5)); "cde  ", "fghij"});
%! assert (open_fds (f), 0);
