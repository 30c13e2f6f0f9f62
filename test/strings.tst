## String datasets: variable- and fixed-length strings read as a character row
## (one element) or a cell array of strings of the selection's Octave shape;
## cell arrays of strings written into variable-length string datasets.

%!shared f, w, nul
%! f = fixture ("strings.h5");
%! nul = @(n) char (zeros (1, n));
%! ## A writable copy for the refused writes, so the fixture stays as generated.
%! w = [tempname() ".h5"];
%! copyfile (f, w);

## Whole datasets.  HDF5 element (i, j) of the (2, 3) dataset is Octave element
## (j+1, i+1); fixed-length strings keep all their bytes, padding included; a
## null pointer of a variable-length dataset reads as ""; a dataset with no
## elements reads as an empty cell array of its Octave shape.
%!test
%! gruesse = char ([103 114 195 188 195 159 101]);   # "grüße" in UTF-8
%! cases = {
%!   "/vscalar",  "abc"
%!   "/v1d",      {"a", "bb", "ccc"}
%!   "/v2d",      {"a", "d"; "b", "e"; "c", "f"}
%!   "/vnull",    {"x", "", "z"}
%!   "/vutf8",    gruesse
%!   "/fnul",     ["ab" nul(3)]
%!   "/fnul1d",   {["ab" nul(3)], ["cde" nul(2)], "fghij"}
%!   "/fspace",   {"ab   ", "xyz  "}
%!   "/vempty",   cell(1, 0)
%!   "/vempty2d", cell(3, 0)
%!   "/fempty",   cell(1, 0)
%! };
%! bad = {};
%! for k = 1:rows (cases)
%!   try
%!     assert (__h5read__ (f, cases{k,1}, [], [], []), cases{k,2});
%!   catch err
%!     bad{end+1} = [cases{k,1} ": " err.message];
%!   end_try_catch
%! endfor
%! assert (bad, {});
%! assert (open_fds (f), 0);

## Hyperslabs (start, count, stride in Octave order): one element is a
## character row, never a 1x1 cell; larger selections keep their shape.
%!test
%! cases = {
%!   "/v1d",   2,      1,      [],  "bb"
%!   "/fnul1d", 3,     1,      [],  "fghij"
%!   "/fnul1d", 1,     1,      [],  ["ab" nul(3)]
%!   "/v2d",   [2 1],  [1 1],  [],  "b"
%!   "/v2d",   [3 2],  [1 1],  [],  "f"
%!   "/v2d",   [1 2],  [3 1],  [],  {"d"; "e"; "f"}
%!   "/v2d",   [2 1],  [1 2],  [],  {"b", "e"}
%!   "/v1d",   1,      2,      2,   {"a", "ccc"}
%!   "/vnull", 2,      1,      [],  ""
%! };
%! bad = {};
%! for k = 1:rows (cases)
%!   try
%!     assert (__h5read__ (f, cases{k,1}, cases{k,2}, cases{k,3}, cases{k,4}), cases{k,5});
%!   catch err
%!     bad{end+1} = sprintf ("%s start %s: %s", cases{k,1}, mat2str (cases{k,2}), err.message);
%!   end_try_catch
%! endfor
%! assert (bad, {});

## Cell arrays of strings written into datasets made for them, read back.
%!test
%! t = [tempname() ".h5"];
%! unwind_protect
%!   cases = {
%!     "/s11", [1 1], {"hello"},                 "hello"
%!     "/s12", [1 2], {"ab", "cde"},             {"ab", "cde"}
%!     "/s21", [2 1], {"ab"; "cde"},             {"ab"; "cde"}
%!     "/s23", [2 3], {"a", "b", "c"; "d", "ee", ""}, {"a", "b", "c"; "d", "ee", ""}
%!     "/g/s", [2 2 2], reshape({"1","2","3","4","5","6","7","8"}, 2, 2, 2), ...
%!                      reshape({"1","2","3","4","5","6","7","8"}, 2, 2, 2)
%!   };
%!   for k = 1:rows (cases)
%!     __h5create__ (t, k == 1, cases{k,1}, cases{k,2}, "string", [], 0);
%!     __h5write__ (t, cases{k,1}, cases{k,3}, [], [], []);
%!   endfor
%!   for k = 1:rows (cases)
%!     assert (__h5read__ (t, cases{k,1}, [], [], []), cases{k,4});
%!   endfor
%!   ## Into a hyperslab: the element not written is a null pointer and reads as "".
%!   __h5create__ (t, false, "/part", [1 3], "string", [], 0);
%!   __h5write__ (t, "/part", {"p", "q"}, [1 2], [1 2], []);
%!   assert (__h5read__ (t, "/part", [], [], []), {"", "p", "q"});
%!   ## Written over: the new strings replace the old ones.
%!   __h5write__ (t, "/s12", {"longer text", "x"}, [], [], []);
%!   assert (__h5read__ (t, "/s12", [], [], []), {"longer text", "x"});
%!   assert (open_fds (t), 0);
%! unwind_protect_cleanup
%!   if (exist (t, "file"))
%!     unlink (t);
%!   endif
%! end_unwind_protect

## Only variable-length string datasets take cell arrays of strings; nothing
## else takes them either way round.
%!error <h5write: export of string data is supported only to variable size HDF5 string datasets>
%! __h5write__ (w, "/fnul", {"x"}, [], [], []);
%!error <h5write: export of string data is supported only to variable size HDF5 string datasets>
%! __h5write__ (w, "/fspace", {"a", "b"}, [], [], []);
%!error <h5write: export of string data is supported only to variable size HDF5 string datasets>
%! __h5write__ (w, "/num", {"a", "b", "c"}, [], [], []);
%!error <h5write: incompatible dataset and octave data: different datatype specs>
%! __h5write__ (w, "/vscalar", 1, [], [], []);
%!error <h5write: incompatible dataset and octave data: different number of elements>
%! __h5write__ (w, "/v2d", {"a", "b"; "c", "d"; "e", "f"}', [], [], []);
%!error <h5write: octave data: Unsupported Octave data of class 'char'>
%! __h5write__ (w, "/vscalar", "abc", [], [], []);
%!error <h5write: octave data: Unsupported Octave data of class 'cell'>
%! __h5write__ (w, "/vscalar", {1}, [], [], []);

## The refused writes left the copy as it was, and no descriptor open.
%!test
%! assert (__h5read__ (w, "/fnul", [], [], []), ["ab" nul(3)]);
%! assert (__h5read__ (w, "/fspace", [], [], []), {"ab   ", "xyz  "});
%! assert (__h5read__ (w, "/vscalar", [], [], []), "abc");
%! assert (__h5read__ (w, "/v2d", [], [], []), {"a", "d"; "b", "e"; "c", "f"});
%! assert (open_fds (w), 0);
%! unlink (w);
