## Writing datasets with __h5write__: round trips of every numeric and logical
## element type, the shape rule, hyperslab writes, extension of extensible
## datasets, and the messages in the order of their checks.

%!function check (got, want, what)
%!  try
%!    assert (got, want);
%!  catch err
%!    error ("%s: %s", what, err.message);
%!  end_try_catch
%!endfunction

## A value of class TYPE and size SHAPE with distinct elements and, for the
## integers, both extremes.
%!function v = sample (type, shape)
%!  base = reshape (1:prod (shape), shape);
%!  switch (type)
%!    case "double"
%!      v = base / 4 - 3;
%!    case "single"
%!      v = single (base / 4 - 3);
%!    case "double complex"
%!      v = complex (base / 4, -base);
%!    case "single complex"
%!      v = single (complex (base / 4, -base));
%!    case "logical"
%!      v = mod (base, 3) == 1;
%!    otherwise
%!      v = cast (base, type);
%!      v(end) = intmax (type);
%!      if (numel (v) > 1)
%!        v(1) = intmin (type);
%!      endif
%!  endswitch
%!endfunction

%!function x = rd (f, loc)
%!  x = __h5read__ (f, loc, [], [], []);
%!endfunction

%!function msg = error_of (fn)
%!  try
%!    fn ();
%!    msg = "<no error>";
%!  catch err
%!    msg = err.message;
%!  end_try_catch
%!endfunction

## Round trips: every element type, as a scalar, a one-dimensional dataset, a
## matrix and a three-dimensional array.
%!test
%! types = {"double", "single", "double complex", "single complex", "int8", "uint8", ...
%!          "int16", "uint16", "int32", "uint32", "int64", "uint64", "logical"};
%! sizes = {[1], [1 1]; [5], [1 5]; [3 4], [3 4]; [2 3 4], [2 3 4]};   # size, value shape
%! f = [tempname() ".h5"];
%! unwind_protect
%!   for i = 1:numel (types)
%!     for j = 1:rows (sizes)
%!       loc = sprintf ("/%s/%d", strrep (types{i}, " ", "_"), j);
%!       __h5create__ (f, i == 1 && j == 1, loc, sizes{j,1}, types{i}, [], 0);
%!       v = sample (types{i}, sizes{j,2});
%!       __h5write__ (f, loc, v, [], [], []);
%!       check (rd (f, loc), v, loc);
%!     endfor
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## The element order in the file, seen by h5py: Octave (i,j) is HDF5 [j,i].
%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (f, true, "/m", [2 3], "int16", [], 0);
%!   __h5write__ (f, "/m", int16 ([1 2 3; 4 5 6]), [], [], []);
%!   out = h5py_run (sprintf ("print(h5py.File('%s', 'r')['m'][()].tolist())", f));
%!   assert (out, "[[1, 4], [2, 5], [3, 6]]");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## The shape rule: size and element type of the new dataset, the value, start and
## count (empty: whole dataset), and the message after "h5write: incompatible
## dataset and octave data: ", or the dataset read back after the write.
%!test
%! cases = {
%!   [5],     "double", 1:5,             [],    [],    1:5
%!   [5],     "double", (1:5)',          [],    [],    1:5
%!   [1 5],   "double", 1:5,             [],    [],    1:5
%!   [5 1],   "double", (1:5)',          [],    [],    (1:5)'
%!   [1],     "double", 7,               [],    [],    7
%!   [1 1 1], "double", 7,               [],    [],    7
%!   [3 4 1], "double", magic(4)(1:3,:), [],    [],    magic(4)(1:3,:)
%!   [3 4],   "double", 7,               [2 3], [1 1], [0 0 0 0; 0 0 7 0; 0 0 0 0]
%!   [5],     "double", 7,               [4],   [1],   [0 0 0 7 0]
%!   [5],     "double", [7; 8],          [2],   [2],   [0 7 8 0 0]
%!   [3 4],   "double", ones(4, 3),      [],    [],    "different number of elements"
%!   [1 5],   "double", (1:5)',          [],    [],    "different number of elements"
%!   [5 1],   "double", 1:5,             [],    [],    "different number of elements"
%!   [5],     "double", 1:6,             [],    [],    "different number of elements"
%!   [3 4],   "double", ones(1, 4),      [1 1], [2 2], "different number of elements"
%!   [2 3 4], "double", ones(2, 3),      [],    [],    "different dataspace dimensionality"
%!   [3 4],   "double", ones(3, 4, 2),   [],    [],    "different dataspace dimensionality"
%!   [1],     "double", ones(2, 2),      [],    [],    "different dataspaces extent type"
%!   [5],     "double", 7,               [],    [],    "different dataspaces extent type"
%!   [3 4],   "double", 7,               [],    [],    "different dataspaces extent type"
%!   [3 4],   "int32",  ones(3, 4),      [],    [],    "different datatype specs"
%!   [3 4],   "int8",   int16(ones(3, 4)), [],  [],    "different datatype specs"
%!   [3 4],   "double", single(ones(3, 4)), [], [],    "different datatype specs"
%!   [3 4],   "double", complex(ones(3, 4), 1), [], [], "different datatype specs"
%!   [3 4],   "logical", ones(3, 4),     [],    [],    "different datatype specs"
%!   [1],     "string", 1,               [],    [],    "different datatype specs"
%! };
%! f = [tempname() ".h5"];
%! unwind_protect
%!   for i = 1:rows (cases)
%!     [sz, type, v, start, count, want] = cases{i,:};
%!     loc = sprintf ("/d%d", i);
%!     __h5create__ (f, i == 1, loc, sz, type, [], 0);
%!     msg = error_of (@() __h5write__ (f, loc, v, start, count, []));
%!     what = sprintf ("case %d (%s into size %s)", i, mat2str (size (v)), mat2str (sz));
%!     if (ischar (want))
%!       check (msg, ["h5write: incompatible dataset and octave data: " want], what);
%!     else
%!       check (msg, "<no error>", what);
%!       check (rd (f, loc), want, what);
%!     endif
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Hyperslab writes change only the selected elements.
%!test
%! cases = {
%!   [5 5],   [2 3],   [2 2],   [],      [1 2; 3 4]
%!   [5 5],   [1 1],   [2 3],   [3 2],   [1 2 3; 4 5 6]
%!   [5 5],   [5 5],   [1 1],   [],      9
%!   [3 4 2], [1 2 2], [3 1 1], [],      [1; 2; 3]
%!   [3 4 2], [2 1 1], [1 2 2], [1 3 1], reshape(1:4, [1 2 2])
%!   [6],     [2],     [3],     [2],     [1 2 3]
%! };
%! f = [tempname() ".h5"];
%! unwind_protect
%!   for i = 1:rows (cases)
%!     [sz, start, count, stride, v] = cases{i,:};
%!     loc = sprintf ("/h%d", i);
%!     __h5create__ (f, i == 1, loc, sz, "double", [], 0);
%!     __h5write__ (f, loc, v, start, count, stride);
%!     want = zeros ([sz 1]);
%!     if (isscalar (sz)) want = zeros (1, sz); endif
%!     if (isempty (stride)) stride = ones (size (start)); endif
%!     idx = arrayfun (@(k) start(k) + (0:count(k)-1) * stride(k), 1:numel (start), ...
%!                     "UniformOutput", false);
%!     if (isscalar (sz)) idx = [{1}, idx]; endif
%!     want(idx{:}) = v;
%!     check (rd (f, loc), want, sprintf ("case %d", i));
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Extension of extensible datasets to exactly the last selected index, and
## refusal at a maximum, leaving the dataset as it was.
%!test
%! big = intmax ("uint64");
%! f = [tempname() ".h5"];
%! unwind_protect
%!   A = reshape (1:40, 10, 4);
%!   B = -A;
%!   ## One unlimited dimension.
%!   __h5create__ (f, true, "/ext", [10 big], "double", [10 100], 0);
%!   __h5write__ (f, "/ext", A, [1 1], [10 4], []);
%!   assert (rd (f, "/ext"), A);
%!   __h5write__ (f, "/ext", B, [1 5], [10 4], []);
%!   assert (rd (f, "/ext"), [A B]);
%!   __h5write__ (f, "/ext", [A(:,1) B(:,1)], [1 10], [10 2], [1 3]);
%!   assert (rd (f, "/ext"), [A B zeros(10, 1) A(:,1) zeros(10, 2) B(:,1)]);
%!   ## A one-dimensional unlimited dataset.
%!   __h5create__ (f, false, "/ext1", [big], "int16", [4], 0);
%!   __h5write__ (f, "/ext1", int16 ([1 2 3]), [1], [3], []);
%!   __h5write__ (f, "/ext1", int16 ([4; 5]), [5], [2], [2]);
%!   assert (rd (f, "/ext1"), int16 ([1 2 3 0 4 0 5]));
%!   ## Two unlimited dimensions, grown in one call.
%!   __h5create__ (f, false, "/ext2", [big big], "double", [4 4], 0);
%!   __h5write__ (f, "/ext2", [1 2 3; 4 5 6], [3 2], [2 3], []);
%!   assert (rd (f, "/ext2"), [zeros(2, 4); 0 1 2 3; 0 4 5 6]);
%!   ## A fixed size refuses to grow; the data stay.
%!   __h5create__ (f, false, "/fix", [10 4], "double", [], 0);
%!   __h5write__ (f, "/fix", A, [1 1], [10 4], []);
%!   assert (error_of (@() __h5write__ (f, "/fix", B, [1 5], [10 4], [])), ...
%!           "h5write: hyperslab selection: Hyperslab selection superseeds size of non-extensible dataset");
%!   assert (rd (f, "/fix"), A);
%!   ## An empty start writes the whole dataset; entries past its rank are unused.
%!   __h5write__ (f, "/fix", B, [], [99 99], [0 0]);
%!   assert (rd (f, "/fix"), B);
%!   __h5write__ (f, "/fix", A, [1 1 5], [10 4 7], [1 1 0]);
%!   assert (rd (f, "/fix"), A);
%!   ## One dimension may grow, the other may not: neither grows.
%!   __h5create__ (f, false, "/half", [big 4], "double", [5 4], 0);
%!   __h5write__ (f, "/half", ones (3, 4), [1 1], [3 4], []);
%!   assert (error_of (@() __h5write__ (f, "/half", 2 * ones (2, 3), [3 3], [2 3], [])), ...
%!           "h5write: hyperslab selection: Hyperslab selection superseeds size of non-extensible dataset");
%!   assert (rd (f, "/half"), ones (3, 4));
%!   ## The extension stays when the value then does not fit the selection.
%!   __h5create__ (f, false, "/kept", [10 big], "double", [10 100], 0);
%!   assert (error_of (@() __h5write__ (f, "/kept", ones (10, 3), [1 1], [10 4], [])), ...
%!           "h5write: incompatible dataset and octave data: different number of elements");
%!   assert (rd (f, "/kept"), zeros (10, 4));
%!   ## A scalar dataset takes no hyperslab.
%!   __h5create__ (f, false, "/s", [1], "double", [], 0);
%!   assert (error_of (@() __h5write__ (f, "/s", 1, [1], [1], [])), ...
%!           "h5write: hyperslab selection: Hyperslab selection not possible for scalar datasets");
%!   assert (rd (f, "/s"), 0);
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## A finite maximum above the current extent: growth up to the maximum
## itself, never past it.
%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5py_run (sprintf (["f = h5py.File('%s', 'w')\n" ...
%!     "f.create_dataset('d', shape=(2, 4), maxshape=(6, 4), chunks=(2, 4), dtype='<f8')"], f));
%!   __h5write__ (f, "/d", ones (4, 3), [1 3], [4 3], []);
%!   assert (rd (f, "/d"), [zeros(4, 2) ones(4, 3)]);
%!   __h5write__ (f, "/d", 2 * ones (4, 1), [1 6], [4 1], []);
%!   assert (rd (f, "/d"), [zeros(4, 2) ones(4, 3) 2 * ones(4, 1)]);
%!   assert (error_of (@() __h5write__ (f, "/d", ones (4, 1), [1 7], [4 1], [])), ...
%!           "h5write: hyperslab selection: Hyperslab selection superseeds size of non-extensible dataset");
%!   assert (rd (f, "/d"), [zeros(4, 2) ones(4, 3) 2 * ones(4, 1)]);
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Malformed hyperslab arguments are refused with a message of their own and
## never extend the dataset: too few entries, a zero entry, an index beyond
## 2^64 - 1.
%!test
%! big = intmax ("uint64");
%! cases = {
%!   "too few start",   [1],       [10 1],     []
%!   "too few count",   [1 5],     [10],       []
%!   "too few stride",  [1 5],     [10 1],     [1]
%!   "zero start",      [1 0],     [10 1],     []
%!   "zero count",      [1 5],     [10 0],     []
%!   "zero stride",     [1 5],     [10 2],     [1 0]
%!   "wrapping start",  [1 big],   [10 2],     []
%!   "wrapping stride", [1 5],     [10 2],     [1 big]
%!   "wrapping count",  [1 5],     [10 big],   [1 2]
%! };
%! f = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (f, true, "/ext", uint64 ([10 Inf]), "double", [10 100], 0);
%!   __h5write__ (f, "/ext", ones (10, 4), [1 1], [10 4], []);
%!   for i = 1:rows (cases)
%!     [what, start, count, stride] = cases{i,:};
%!     msg = error_of (@() __h5write__ (f, "/ext", 2 * ones (10, 1), uint64 (start), ...
%!                                      uint64 (count), uint64 (stride)));
%!     assert (! isempty (regexp (msg, '^h5write: hyperslab selection: .+', "once")), ...
%!             "%s: %s", what, msg);
%!     if (i <= 6)
%!       assert (isempty (strfind (msg, "superseeds")), "%s says nothing of its fault: %s", what, msg);
%!     endif
%!     check (rd (f, "/ext"), ones (10, 4), what);
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Values without elements are refused and nothing is written.
%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (f, true, "/s", [1], "double", [], 0);
%!   __h5create__ (f, false, "/m", [3 4], "double", [], 0);
%!   __h5create__ (f, false, "/i", [3 4], "int8", [], 0);
%!   __h5write__ (f, "/s", 5, [], [], []);
%!   __h5write__ (f, "/m", magic (4)(1:3,:), [], [], []);
%!   cases = {"/s", [], [], []
%!            "/s", zeros(1, 0), [], []
%!            "/m", zeros(0, 4), [], []
%!            "/m", zeros(3, 0), [1 1], [3 1]
%!            "/i", int8(zeros(3, 0)), [], []
%!            "/s", single([]), [], []
%!            "/s", logical([]), [], []};
%!   for i = 1:rows (cases)
%!     [loc, v, start, count] = cases{i,:};
%!     msg = error_of (@() __h5write__ (f, loc, v, start, count, []));
%!     assert (! isempty (regexp (msg, '^h5write: .+', "once")), "case %d: %s", i, msg);
%!   endfor
%!   assert (rd (f, "/s"), 5);
%!   assert (rd (f, "/m"), magic (4)(1:3,:));
%!   assert (rd (f, "/i"), zeros (3, 4, "int8"));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Messages, in the order of the checks, on a copy of the core fixture.
%!shared f, orig
%! f = [tempname() ".h5"];
%! copyfile (fixture ("core.h5"), f);
%! orig = __h5read__ (f, "/num/double", [], [], []);
%!error <^__h5write__: wrong # of args$> __h5write__ (f, "/num/double", 1, [], [])
%!error <^__h5write__: wrong # of args$> __h5write__ (f, "/num/double", 1, [], [], [], [])
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5write__ ("missing.h5", "/d", 1, [], [], []);
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5write__ ("missing.h5", "no/slash", "abc", [1], [1], []);
%!test
%! assert (! exist ("missing.h5", "file"));
%!error <^h5write: dataset location should be specified as a full pathname with leading '/'$>
%! __h5write__ (f, "num/double", "abc", [], [], []);
%!error <^h5write: location /nope does not exist$>
%! __h5write__ (f, "/nope", "abc", [], [], []);
%!error <^h5write: location /num/double/x does not exist$>
%! __h5write__ (f, "/num/double/x", "abc", [], [], []);
%!error <^h5write: location '/g' is not a Dataset$>
%! __h5write__ (f, "/g", "abc", [], [], []);
%!error <^h5write: location '/' is not a Dataset$>
%! __h5write__ (f, "/", 1, [], [], []);
%!error <^h5write: location '/named' is not a Dataset$>
%! __h5write__ (f, "/named", 1, [], [], []);
%!error <^h5write: dataset /bad/cnames: Unsupported datatype 'compound'$>
%! __h5write__ (f, "/bad/cnames", "abc", [], [], []);
%!error <^h5write: dataset /bad/null: Empty HDF5 dataspace$>
%! __h5write__ (f, "/bad/null", "abc", [], [], []);
%!error <^h5write: octave data: Unsupported Octave data of class 'char'$>
%! __h5write__ (f, "/num/double", "abc", [9 9], [9 9], []);
%!error <^h5write: octave data: Unsupported Octave data of class 'struct'$>
%! __h5write__ (f, "/num/double", struct ("a", 1), [], [], []);
%!error <^h5write: octave data: Unsupported Octave data of class 'cell'$>
%! __h5write__ (f, "/num/double", {1, 2}, [], [], []);
%!error <^h5write: octave data: Unsupported Octave data of class 'function_handle'$>
%! __h5write__ (f, "/num/double", @sin, [], [], []);
%!error <^h5write: export of string data is supported only to variable size HDF5 string datasets$>
%! __h5write__ (f, "/num/double", {"a", "b"; "c", "d"}, [9 9], [9 9], []);
%!error <^h5write: export of string data is supported only to variable size HDF5 string datasets$>
%! __h5write__ (f, "/shape/scalar", {"a"}, [], [], []);
%!error <^h5write: hyperslab selection: Hyperslab selection superseeds size of non-extensible dataset$>
%! __h5write__ (f, "/num/double", ones (5, 5), [3 2], [2 1], []);
%!error <^h5write: hyperslab selection: Hyperslab selection not possible for scalar datasets$>
%! __h5write__ (f, "/shape/scalar", ones (5, 5), [1 1], [1 1], []);
%!error <^h5write: incompatible dataset and octave data: different number of elements$>
%! __h5write__ (f, "/num/double", ones (2, 3), [], [], []);
%!error <^h5write: incompatible dataset and octave data: different datatype specs$>
%! __h5write__ (f, "/num/int32", ones (3, 2), [], [], []);
%!error <^h5write: incompatible dataset and octave data: different datatype specs$>
%! __h5write__ (f, "/odd/int24", int32 (1:5), [], [], []);
## Datasets written by another library: other byte order, the boolean
## enumeration and the complex compound of h5py.
%!test
%! cases = {"/be/i32",     int32([-7 8; 9 -10; intmin("int32") intmax("int32")])
%!          "/be/f64",     [1 -2; 3.5 NaN; -Inf 1e-300]
%!          "/num/logical", [false true; true false; true true]
%!          "/num/cdouble", [1i 2; 3 -4i; 5+5i 6-6i]
%!          "/num/csingle", single([1i 2; 3 -4i; 5+5i 6-6i])};
%! for i = 1:rows (cases)
%!   __h5write__ (f, cases{i,1}, cases{i,2}, [], [], []);
%!   got = __h5read__ (f, cases{i,1}, [], [], []);
%!   assert (isequaln (got, cases{i,2}) && strcmp (class (got), class (cases{i,2})), cases{i,1});
%! endfor
%! out = h5py_run (sprintf ("d = h5py.File('%s', 'r')['be/i32']\nprint(d.dtype.str, d[()].tolist())", f));
%! assert (out, ">i4 [[-7, 9, -2147483648], [8, -10, 2147483647]]");
## None of them changed the data or left a descriptor open.
%!test
%! assert (__h5read__ (f, "/num/double", [], [], []), orig);
%! assert (size (__h5read__ (f, "/num/int32", [], [], [])), [3 2]);
%! assert (open_fds (f), 0);
%!test
%! unlink (f);

## No descriptor stays open on the file after successful and failed calls.
%!test
%! g = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (g, true, "/m", [3 4], "double", [], 0);
%!   __h5create__ (g, false, "/e", uint64 ([3 Inf]), "int8", [3 2], 0);
%!   calls = {@() __h5write__(g, "/m", ones (3, 4), [], [], [])
%!            @() __h5write__(g, "/m", 7, [2 2], [1 1], [])
%!            @() __h5write__(g, "/e", int8 (ones (3, 2)), [1 2], [3 2], [])
%!            @() __h5write__(g, "m", 1, [], [], [])
%!            @() __h5write__(g, "/x/y", 1, [], [], [])
%!            @() __h5write__(g, "/", 1, [], [], [])
%!            @() __h5write__(g, "/m", "abc", [], [], [])
%!            @() __h5write__(g, "/m", {"a"}, [], [], [])
%!            @() __h5write__(g, "/m", 1, [9 9], [1 1], [])
%!            @() __h5write__(g, "/m", ones (4, 3), [], [], [])
%!            @() __h5write__(g, "/m", [], [], [], [])
%!            @() __h5write__(g, "/e", int8 (1), [1 9], [1 0], [])};
%!   for i = 1:numel (calls)
%!     try
%!       calls{i} ();
%!     catch
%!     end_try_catch
%!     assert (open_fds (g) == 0, "descriptor left open after %s", func2str (calls{i}));
%!   endfor
%! unwind_protect_cleanup
%!   unlink (g);
%! end_unwind_protect

## Complex data keep their class when every imaginary part is zero.
%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (f, true, "/z", [1 2], "double complex", [], 0);
%!   __h5write__ (f, "/z", complex ([1 2]), [], [], []);
%!   z = __h5read__ (f, "/z", [], [], []);
%!   assert (iscomplex (z) && isa (z, "double"));
%!   assert (z, complex ([1 2]));
%!   __h5writeatt__ (f, "/", "a", complex (single ([1 2])));
%!   a = __h5readatt__ (f, "/", "a");
%!   assert (iscomplex (a) && isa (a, "single"));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect
