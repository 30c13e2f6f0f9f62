## Attributes of groups (the root "/" included) and datasets: __h5readatt__ and
## __h5writeatt__, their classes, shapes and messages.

%!shared f, w, nul
%! f = fixture ("attrs.h5");
%! nul = @(n) char (zeros (1, n));
%! ## A writable file with a group, a dataset and a committed datatype.
%! w = [tempname() ".h5"];
%! copyfile (f, w);

## Reads every (location, name, expected value) row; returns the mismatches.
%!function bad = check_reads (file, cases)
%!  bad = {};
%!  for k = 1:rows (cases)
%!    try
%!      assert (__h5readatt__ (file, cases{k,1}, cases{k,2}), cases{k,3});
%!    catch err
%!      bad{end+1} = [cases{k,1} " " cases{k,2} ": " err.message];
%!    end_try_catch
%!  endfor
%!endfunction

## Attributes written by h5py: every numeric class at its extreme values, on
## the root, a group and a dataset.
%!test
%! values = {
%!   "double",         1.5
%!   "single",         single(-2.25)
%!   "int8",           intmin("int8")
%!   "uint8",          intmax("uint8")
%!   "int16",          intmin("int16")
%!   "uint16",         intmax("uint16")
%!   "int32",          intmin("int32")
%!   "uint32",         intmax("uint32")
%!   "int64",          intmin("int64")
%!   "uint64",         intmax("uint64")
%!   "double_complex", complex(1, -2)
%!   "single_complex", single(complex(3, 4))
%!   "logical",        true
%! };
%! cases = {};
%! for loc = {"/", "/g", "/d"}
%!   cases = [cases; [repmat(loc, rows (values), 1), values]];
%! endfor
%! assert (check_reads (f, cases), {});

## Shapes, byte order, odd-sized integers and strings.  HDF5 extents (2, 3)
## read as 3x2; big-endian values arrive converted; 3/5/6/7-byte integers come
## through the next wider class; fixed-length strings keep their padding; a
## null string pointer reads as ""; no elements read as an empty array.
%!test
%! gruesse = char ([103 114 195 188 195 159 101]);   # "grüße" in UTF-8
%! cases = {
%!   "/g", "row5",      1:5
%!   "/g", "m23",       int32([1 4; 2 5; 3 6])
%!   "/g", "bool_row",  [true false true]
%!   "/g", "be_i4",     int32([1 -2 300000])
%!   "/g", "be_f8",     1.5
%!   "/g", "be_u2",     uint16([258 65534])
%!   "/g", "i24",       int32([-5 1000000 -8388608])
%!   "/g", "i24be",     int32([-5 70000])
%!   "/g", "u24",       uint32([16777215 7])
%!   "/g", "i40",       int64([-(2^35) 2^39-1])
%!   "/g", "u48",       uint64([2^48-1 2^47+5])
%!   "/g", "i56",       int64([-(2^55) 12345])
%!   "/g", "vs_scalar", "hello"
%!   "/g", "vs3",       {"x", "yy", "zzz"}
%!   "/g", "vs_utf8",   gruesse
%!   "/g", "vs_null",   {"", ""}
%!   "/g", "fs8",       ["abc" nul(5)]
%!   "/g", "fs_space",  {"ab  ", "cdef"}
%!   "/g", "vs_empty",  cell(1, 0)
%!   "/g", "num_empty", zeros(1, 0)
%! };
%! assert (check_reads (f, cases), {});
%! assert (open_fds (f), 0);

## Round trip of every type spec, on the root, a group and a dataset; a value
## of r x c is stored with HDF5 extents (c, r) and reads back as r x c.
%!test
%! t = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (t, true, "/g/d", [2 2], "double", [], 0);
%!   values = {
%!     "a_double",   [1.5 -2; 1e300 -Inf]
%!     "a_single",   single([1 2 3])
%!     "a_dcomplex", [1+2i; -3-4i]
%!     "a_scomplex", single(5-6i)
%!     "a_int8",     int8([-128 127])
%!     "a_uint8",    uint8([0 255])
%!     "a_int16",    int16([1 2 3; 4 5 -32768])
%!     "a_uint16",   uint16(65535)
%!     "a_int32",    int32([intmin("int32"); intmax("int32")])
%!     "a_uint32",   uint32(4294967295)
%!     "a_int64",    [intmin("int64") intmax("int64")]
%!     "a_uint64",   [intmax("uint64"); 0]
%!     "a_logical",  [true false; false true]
%!     "a_nd",       reshape(int16(1:24), 2, 3, 4)
%!     "a_string",   {"abc"}
%!     "a_strings",  {"a", "bb"; "", "dddd"}
%!   };
%!   cases = {};
%!   for loc = {"/", "/g", "/g/d"}
%!     for k = 1:rows (values)
%!       __h5writeatt__ (t, loc{1}, values{k,1}, values{k,2});
%!     endfor
%!     cases = [cases; [repmat(loc, rows (values), 1), values]];
%!   endfor
%!   cases(strcmp (cases(:,2), "a_string"), 3) = {"abc"};   # one string reads as a row
%!   assert (check_reads (t, cases), {});
%!   assert (open_fds (t), 0);
%! unwind_protect_cleanup
%!   if (exist (t, "file"))
%!     unlink (t);
%!   endif
%! end_unwind_protect

## Writing again replaces the attribute whatever its class and shape was.
%!test
%! for v = {1.5, int16([1 2 3; 4 5 6]), {"a", "b"}, single(3), {"one"}, true(3, 1)}
%!   __h5writeatt__ (w, "/g", "again", v{1});
%!   want = v{1};
%!   if (iscellstr (want) && numel (want) == 1)
%!     want = want{1};
%!   endif
%!   assert (__h5readatt__ (w, "/g", "again"), want);
%! endfor
%! names = h5py_run (sprintf ("print(sorted(h5py.File('%s','r')['/g'].attrs).count('again'))", w));
%! assert (names, "1");

## Values with no elements are refused and leave an attribute of the same name
## as it was; so are values of a class without type spec.
%!test
%! __h5writeatt__ (w, "/g", "keep", 7);
%! for v = {[], zeros(0, 3), int8([]), single(zeros(1, 0)), logical([]), {}, cell(0, 2), struct("a", 1), "text"}
%!   try
%!     __h5writeatt__ (w, "/g", "keep", v{1});
%!     err = "";
%!   catch e
%!     err = e.message;
%!   end_try_catch
%!   assert (strncmp (err, "h5writeatt: ", 12), ["no h5writeatt message for class " class(v{1}) ": " err]);
%!   assert (__h5readatt__ (w, "/g", "keep"), 7);
%! endfor
%!error <h5writeatt: > __h5writeatt__ (w, "/g", "fresh", []);
%!error <h5readatt: attribute fresh does not exist> __h5readatt__ (w, "/g", "fresh");
%!error <h5writeatt: > __h5writeatt__ (w, "/", "fresh", {});
%!error <h5readatt: attribute fresh does not exist> __h5readatt__ (w, "/", "fresh");

## Messages of __h5readatt__.
%!error <__h5readatt__: wrong # of args> __h5readatt__ (f, "/g");
%!error <__h5readatt__: wrong # of args> __h5readatt__ (f, "/g", "a", "b");
%!error <h5readatt: attribute nope does not exist> __h5readatt__ (f, "/g", "nope");
%!error <h5readatt: attribute nope does not exist> __h5readatt__ (f, "/", "nope");
%!error <h5readatt: attribute compound: Unsupported datatype 'compound'> __h5readatt__ (f, "/g", "compound");
%!error <h5readatt: attribute opaque: Unsupported datatype 'opaque'> __h5readatt__ (f, "/g", "opaque");
%!error <h5readatt: attribute null_space: Empty HDF5 dataspace> __h5readatt__ (f, "/g", "null_space");
%!error <h5readatt: location has unsupported object type> __h5readatt__ (f, "/t", "a");
%!error <h5readatt: dataset location should be specified as a full pathname with leading '/'> __h5readatt__ (f, "g", "double");
%!error <h5readatt: location '/nope/x' does not exist> __h5readatt__ (f, "/nope/x", "a");
%!error <h5readatt: location '/d/x' does not exist> __h5readatt__ (f, "/d/x", "a");

## Messages of __h5writeatt__; the value is examined before the location's kind.
%!error <__h5writeatt__: wrong # of args> __h5writeatt__ (w, "/g", "a");
%!error <__h5writeatt__: wrong # of args> __h5writeatt__ (w, "/g", "a", 1, 2);
%!error <h5writeatt: data value val: Unsupported Octave data of class 'struct'> __h5writeatt__ (w, "/g", "s", struct ("a", 1));
%!error <h5writeatt: data value val: Unsupported Octave data of class 'struct'> __h5writeatt__ (w, "/t", "s", struct ("a", 1));
%!error <h5writeatt: data value val: Unsupported Octave data of class 'char'> __h5writeatt__ (w, "/g", "s", "text");
%!error <h5writeatt: data value val: Unsupported Octave data of class 'cell'> __h5writeatt__ (w, "/g", "s", {1, 2});
%!error <h5writeatt: location has unsupported object type> __h5writeatt__ (w, "/t", "a", 1);
%!error <h5writeatt: dataset location should be specified as a full pathname with leading '/'> __h5writeatt__ (w, "g", "a", 1);
%!error <h5writeatt: location '/nope' does not exist> __h5writeatt__ (w, "/nope", "a", 1);
%!error <h5writeatt: location '/d/x' does not exist> __h5writeatt__ (w, "/d/x", "a", 1);

## A missing file is reported by the HDF5 layer and not created; no call, failed
## or not, leaves a descriptor open on the files it used.
%!test
%! missing = [tempname() ".h5"];
%! for call = {@() __h5writeatt__(missing, "/", "a", 1), @() __h5readatt__(missing, "/", "a"), ...
%!             @() __h5writeatt__(missing, "g", "a", 1), @() __h5readatt__(missing, "g", "a")}
%!   err = "";
%!   try
%!     call{1} ();
%!   catch e
%!     err = e.message;
%!   end_try_catch
%!   assert (! isempty (err));
%!   assert (isempty (strfind (err, "location")), err);   # the file comes first
%!   assert (exist (missing, "file"), 0);
%! endfor
%! assert (open_fds (f), 0);
%! assert (open_fds (w), 0);
%! unlink (w);

## __h5writeatt_text__: fixed-length NUL-terminated strings, a scalar for a
## character row, one per row of a character matrix (taken as it is) or per
## cell, each as long as the longest; ASCII unless asked for UTF-8 or a byte
## is not ASCII.  Read back with their NUL padding, and seen from h5py.
%!test
%! t = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (t, true, "/d", 2, "double", [], 0);
%!   cases = {
%!     "row",   "abc",              false, "abc"
%!     "empty", "",                 false, char(0)
%!     "utf8",  "abc",              true,  "abc"
%!     "mixed", "ü",                false, "ü"
%!     "mat",   ["ab "; "cde"],     false, {"ab ", "cde"}
%!     "cells", {"a"; "bcd"},       false, {["a" nul(2)], "bcd"}
%!   };
%!   for k = 1:rows (cases)
%!     __h5writeatt_text__ (t, "/d", cases{k,1}, cases{k,2}, cases{k,3});
%!   endfor
%!   for k = 1:rows (cases)
%!     assert (__h5readatt__ (t, "/d", cases{k,1}), cases{k,4});
%!   endfor
%!   out = h5py_run (sprintf (["A = h5py.File('%s', 'r')['d'].attrs\n" ...
%!     "for n in ('row', 'empty', 'utf8', 'mixed', 'mat', 'cells'):\n" ...
%!     "  a = A.get_id(n); ty = a.get_type()\n" ...
%!     "  print(n, ty.get_size(), ty.get_cset(), ty.get_strpad(), a.shape)"], t));
%!   assert (out, sprintf (["row 3 0 0 ()\nempty 1 0 0 ()\nutf8 3 1 0 ()\n" ...
%!                          "mixed 2 1 0 ()\nmat 3 0 0 (2,)\ncells 3 0 0 (2,)"]));
%!   fail ("__h5writeatt_text__ (t, '/d', 'x', 1, false)", "__h5writeatt_text__: TEXT must be a character array or a cell array of strings");
%!   fail ("__h5writeatt_text__ (t, '/d', 'x', {}, false)", "h5writeatt: data value val: the value has no elements to write");
%!   fail ("__h5writeatt_text__ (t, '/nope', 'x', 'a', false)", "h5writeatt: location '/nope' does not exist");
%!   assert (open_fds (t), 0);
%! unwind_protect_cleanup
%!   unlink (t);
%! end_unwind_protect
