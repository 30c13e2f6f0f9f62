## h5info: the description of files, groups and datasets as nested structs.

%!shared walk, cyc, deep
%! walk = fixture ("info_walk.h5");
%! cyc = fixture ("info_cycle.h5");
%! deep = fixture ("info_deep.h5");

## Asserts that got equals want, with the same field names in the same order at
## every level of nesting; an empty string matches any empty character array.
%!function assert_same (got, want, at = "info")
%!  if (isstruct (want))
%!    if (! isstruct (got))
%!      error ("%s: class %s, expected struct", at, class (got));
%!    elseif (! isequal (fieldnames (got), fieldnames (want)))
%!      error ("%s: fields {%s}, expected {%s}", at, strjoin (fieldnames (got)', ", "),
%!             strjoin (fieldnames (want)', ", "));
%!    elseif (! isequal (size (got), size (want)))
%!      error ("%s: size %s, expected %s", at, mat2str (size (got)), mat2str (size (want)));
%!    endif
%!    names = fieldnames (want);
%!    for i = 1:numel (want)
%!      for k = 1:numel (names)
%!        assert_same (got(i).(names{k}), want(i).(names{k}), sprintf ("%s(%d).%s", at, i, names{k}));
%!      endfor
%!    endfor
%!  elseif (ischar (want) && isempty (want))
%!    if (! (ischar (got) && isempty (got)))
%!      error ("%s: %s of class %s, expected an empty string", at, mat2str (size (got)), class (got));
%!    endif
%!  else
%!    try
%!      assert (got, want);
%!    catch err
%!      error ("%s: %s", at, err.message);
%!    end_try_catch
%!  endif
%!endfunction

## Expected records, fields in the order the module gives elements of arrays.
%!function s = group (name, groups, datasets, datatypes, attributes)
%!  s = struct ("Name", name, "Groups", groups, "Datasets", datasets,
%!              "Datatypes", datatypes, "Attributes", attributes);
%!endfunction
%!function s = dset (name, datatype, dataspace, chunk, attributes)
%!  s = struct ("Name", name, "Datatype", datatype, "Dataspace", dataspace,
%!              "ChunkSize", chunk, "Attributes", attributes);
%!endfunction
%!function s = simple (sz, maxsz = sz)
%!  s = struct ("ExtentType", "Simple", "MaxSize", maxsz, "Size", uint64 (sz));
%!endfunction
%!function s = scalar (kind = "Scalar")
%!  s = struct ("ExtentType", kind, "MaxSize", zeros (1, 0), "Size", zeros (0, 0, "uint64"));
%!endfunction
%!function s = none (kind)
%!  switch (kind)
%!    case "Groups"
%!      s = group ({}, {}, {}, {}, {});
%!    case "Datasets"
%!      s = dset ({}, {}, {}, {}, {});
%!    case "Datatypes"
%!      s = struct ("Name", {});
%!  endswitch
%!  s = reshape (s, 0, 1);
%!endfunction
%!function s = leaf (name, attributes = struct ())
%!  s = group (name, none ("Groups"), none ("Datasets"), none ("Datatypes"), attributes);
%!endfunction

## Runs code in a separate Octave that has the module, so that a crash or a
## runaway walk fails this test instead of ending the test run.
%!function [status, out] = in_child (code)
%!  oct = file_in_loadpath ("tolvane.oct");
%!  octave = fullfile (OCTAVE_HOME (), "bin", "octave");
%!  code = sprintf ("autoload (\"h5info\", \"%s\"); %s", oct, code);
%!  [status, out] = system (sprintf ("timeout 300 %s --no-gui --no-window-system --norc -q --eval '%s' 2>&1",
%!                                   octave, code));
%!endfunction

## A file with nothing in it: the root with empty 0x1 struct arrays that keep
## their field names; "/" is the default location.
%!test
%! f = fixture ("info_empty.h5");
%! want = orderfields (leaf ("/"));
%! assert_same (h5info (f), want);
%! assert_same (h5info (f, "/"), want);
%! assert (fieldnames (h5info (f)), {"Attributes"; "Datasets"; "Datatypes"; "Groups"; "Name"});

## Links and attributes are listed in byte-wise name order: B, a, b.
%!test
%! info = h5info (fixture ("info_order.h5"));
%! assert ({info.Groups.Name}, {"/B", "/a", "/b"});
%! assert_same (info.Groups(2).Attributes, struct ("B", int8 (2), "a", int8 (1), "b", int8 (0)));
%! assert ({info.Groups(3).Datasets.Name}, {"/b/B", "/b/a", "/b/b"});

## The whole walk of a file with datasets of many kinds, hard links to one group
## twice, a soft link to a dataset, committed datatypes, attribute names that
## are not identifiers and an attribute that cannot be represented ([]).
%!test
%! none_chunk = zeros (0, 0, "uint64");
%! i32 = struct ("Class", "int", "OctaveClass", "int32", "Sign", "signed", "Size", 4);
%! f64 = struct ("Class", "float", "OctaveClass", "double", "Size", 8);
%! d_attrs = struct ("a", [1 2], "b", uint8 (2), "cmp", [], "units", "m");
%! g_attrs = struct ("2nd", 2, "my attr", 1, "x-y", 3);
%! g = group ("/g", leaf ("/g/sub"),
%!            dset ("/g/d", i32, simple ([5 3]), none_chunk, d_attrs),
%!            struct ("Name", "/g/t"), g_attrs);
%! h = @(name) group (name, none ("Groups"),
%!                    dset ([name "/v"], f64, scalar (), none_chunk, struct ()),
%!                    none ("Datatypes"), struct ());
%! datasets = [
%!   dset("/c", struct ("Class", "float", "OctaveClass", "single", "Size", 4),
%!        simple ([4 100], [4 Inf]), uint64 ([4 10]), struct ())
%!   dset("/cmpd", struct ("Class", "compound", "OctaveClass", ""), simple (2), none_chunk, struct ())
%!   dset("/cx", struct ("Class", "compound", "OctaveClass", "double complex", "Size", 16),
%!        simple (2), none_chunk, struct ())
%!   dset("/e", f64, scalar ("Empty"), none_chunk, struct ())
%!   dset("/fs", struct ("Class", "string", "OctaveClass", "string", "Pading", "nullpad",
%!                       "Size", 10, "charSet", "ascii"), simple (2), none_chunk, struct ())
%!   dset("/lg", struct ("Class", "enum", "OctaveClass", "logical", "Size", 1),
%!        simple ([3 1]), none_chunk, struct ())
%!   dset("/s", i32, simple ([5 3]), none_chunk, d_attrs)
%!   dset("/vs", struct ("Class", "string", "OctaveClass", "string", "Pading", "nullterm",
%!                       "Size", "H5T_VARIABLE", "charSet", "utf8"), scalar (), none_chunk, struct ())
%! ];
%! want = orderfields (group ("/", [g; h("/h1"); h("/h2")], datasets,
%!                            struct ("Name", "/t"), struct ("r", int16 (7))));
%! info = h5info (walk);
%! assert_same (info, want);
%! ## A group or dataset asked for on its own has its fields in sorted order
%! ## and the location as given as its name; its children have single slashes.
%! assert_same (h5info (walk, "/g"), orderfields (g));
%! g.Name = "/g/";
%! assert_same (h5info (walk, "/g/"), orderfields (g));
%! assert_same (h5info (walk, "/s"), orderfields (datasets(7)));
%! d = datasets(7);
%! d.Name = "/g/d";
%! assert_same (h5info (walk, "/g/d"), orderfields (d));
%! assert_same (h5info (walk, "/c"), orderfields (datasets(1)));
%! ## The answer can be displayed.
%! shown = evalc ("info = h5info (walk)");
%! assert (! isempty (strfind (shown, "Attributes")));
%! assert (open_fds (walk), 0);

## Attributes in the description read as __h5readatt__ reads them, in name
## order; those the module cannot represent are [], and the answer displays.
%!test
%! f = fixture ("attrs.h5");
%! a = h5info (f, "/g").Attributes;
%! names = strsplit (h5py_run (sprintf ("print(' '.join(sorted(h5py.File('%s', 'r')['/g'].attrs)))", f)), " ");
%! assert (fieldnames (a), names');
%! for k = 1:numel (names)
%!   if (any (strcmp (names{k}, {"compound", "opaque", "null_space"})))
%!     assert_same (a.(names{k}), [], names{k});
%!   else
%!     assert_same (a.(names{k}), __h5readatt__ (f, "/g", names{k}), names{k});
%!   endif
%! endfor
%! assert (! isempty (evalc ("h5info (f)")));
%! assert (open_fds (f), 0);

## Hard links from a group to its ancestors end the walk there: such a group is
## listed with its name and attributes and nothing below it.  The same group
## reached on another path (not an ancestor there) is walked in full.
%!test
%! [status, out] = in_child (sprintf ("s = h5info (\"%s\"); printf (\"%%d\\n\", numel (s.Groups));", cyc));
%! assert (status == 0, "h5info in a child Octave: status %d: %s", status, out);
%! g_attrs = struct ("k", int32 (2));
%! r_attrs = struct ("r", int32 (1));
%! d = dset ("/g/d", struct ("Class", "float", "OctaveClass", "double", "Size", 8),
%!           scalar (), zeros (0, 0, "uint64"), struct ());
%! g = group ("/g", group ("/g/h", [leaf("/g/h/top", r_attrs); leaf("/g/h/up", g_attrs)],
%!                         none ("Datasets"), none ("Datatypes"), struct ()),
%!            d, none ("Datatypes"), g_attrs);
%! d.Name = "/other/again/d";
%! again = group ("/other/again",
%!                group ("/other/again/h", [leaf("/other/again/h/top", r_attrs); leaf("/other/again/h/up", g_attrs)],
%!                       none ("Datasets"), none ("Datatypes"), struct ()),
%!                d, none ("Datatypes"), g_attrs);
%! other = group ("/other", again, none ("Datasets"), none ("Datatypes"), struct ());
%! assert_same (h5info (cyc), orderfields (group ("/", [g; other], none ("Datasets"), none ("Datatypes"), r_attrs)));
%! ## Seen from /g/h, only /g/h itself is on the path: /g/h/up is walked.
%! up = h5info (cyc, "/g/h").Groups(2);
%! assert ({up.Name, up.Datasets.Name, up.Groups.Name}, {"/g/h/up", "/g/h/up/d", "/g/h/up/h"});
%! assert (size (up.Groups.Groups), [0 1]);
%! assert (open_fds (cyc), 0);

## A chain of 1000 nested groups.
%!test
%! [status, out] = in_child (sprintf ("s = h5info (\"%s\"); printf (\"%%d\\n\", numel (s.Groups));", deep));
%! assert (status == 0 && strcmp (strtok (out, "\n"), "1"), "h5info in a child Octave: status %d: %s", status, out);
%! s = h5info (deep);
%! for k = 1:1000
%!   assert (size (s.Groups), [1 1]);
%!   s = s.Groups;
%! endfor
%! assert (s.Name, repmat ("/g", 1, 1000));
%! assert (size (s.Groups), [0 1]);
%! assert ({s.Datasets.Name}, {[s.Name "/leaf"]});
%! assert (s.Datasets.Datatype.OctaveClass, "uint16");

## Messages.  Usage errors come from print_usage; the file is opened before the
## location is looked at.
%!error <Invalid call to h5info> h5info ();
%!error <Invalid call to h5info> h5info (walk, "/", "/");
%!error <Invalid call to h5info> h5info (1);
%!error <Invalid call to h5info> h5info (walk, 1);
%!error <Invalid call to h5info> h5info ({walk});
%!error <h5info: dataset location should be specified as a full pathname with leading '/'> h5info (walk, "g");
%!error <h5info: dataset location should be specified as a full pathname with leading '/'> h5info (walk, "");
%!error <h5info: dataset location should be specified as a full pathname with leading '/'> h5info (walk, "g/d");
%!error <h5info: location '/nope' does not exist> h5info (walk, "/nope");
%!error <h5info: location '/g/nope/d' does not exist> h5info (walk, "/g/nope/d");
%!error <h5info: location '/g/d/x' does not exist> h5info (walk, "/g/d/x");
%!error <h5info: location '/t' has unsupported object type> h5info (walk, "/t");
%!error <h5info: location '/g/t' has unsupported object type> h5info (walk, "/g/t");
%!test
%! missing = [tempname() ".h5"];
%! try
%!   h5info (missing, "g");
%!   error ("no error");
%! catch err
%!   assert (! any (strcmp (err.message, {"no error", ...
%!     "h5info: dataset location should be specified as a full pathname with leading '/'"})), err.message);
%! end_try_catch
%! assert (exist (missing, "file"), 0);
%! assert (open_fds (walk), 0);   # after the failed calls above

## A link that cannot be followed fails the walk with the HDF5 layer's own text
## (not an h5info message) and leaves no descriptor open; the rest of the file
## can still be described.
%!test
%! for name = {"info_dangling.h5", "info_external.h5"}
%!   f = fixture (name{1});
%!   err = "";
%!   try
%!     h5info (f);
%!   catch e
%!     err = e.message;
%!   end_try_catch
%!   assert (! isempty (err), [name{1} ": no error"]);
%!   assert (! strncmp (err, "h5info:", 7), err);
%!   assert (open_fds (f), 0);
%!   assert (h5info (f, "/ok").Name, "/ok");
%!   assert (open_fds (f), 0);
%! endfor
