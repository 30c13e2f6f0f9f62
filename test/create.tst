## Creating datasets with __h5create__: the dataspace of each size argument,
## chunking, the datatype of each element type, intermediate groups, and the
## messages in the order of their checks.  Shapes and types are checked by
## reading back and, independently, with h5py.

%!function check (got, want, what)
%!  try
%!    assert (got, want);
%!  catch err
%!    error ("%s: %s", what, err.message);
%!  end_try_catch
%!endfunction

## Describes every dataset directly under the root of FILE, one line each:
## "NAME SHAPE MAXSHAPE CHUNKS TYPE", TYPE from the HDF5 datatype itself.
%!function out = h5py_describe (file)
%!  code = {
%!    "from h5py import h5t"
%!    "def desc(t):"
%!    "    c = t.get_class()"
%!    "    if c in (h5t.INTEGER, h5t.FLOAT):"
%!    "        le = 'le' if t.get_order() == h5t.ORDER_LE else 'be'"
%!    "    if c == h5t.INTEGER:"
%!    "        return 'int%d%s%s' % (t.get_size(), 's' if t.get_sign() else 'u', le)"
%!    "    if c == h5t.FLOAT:"
%!    "        return 'float%d%s' % (t.get_size(), le)"
%!    "    if c == h5t.COMPOUND:"
%!    "        m = ['%s@%d:%s' % (t.get_member_name(i).decode(), t.get_member_offset(i), desc(t.get_member_type(i))) for i in range(t.get_nmembers())]"
%!    "        return 'compound%d{%s}' % (t.get_size(), ','.join(m))"
%!    "    if c == h5t.ENUM:"
%!    "        m = ['%s=%d' % (t.get_member_name(i).decode(), t.get_member_value(i)) for i in range(t.get_nmembers())]"
%!    "        return 'enum{%s:%s}' % (desc(t.get_super()), ','.join(m))"
%!    "    if c == h5t.STRING:"
%!    "        return 'string(%s,%s)' % ('vlen' if t.is_variable_str() else t.get_size(), 'utf8' if t.get_cset() == h5t.CSET_UTF8 else 'ascii')"
%!    "    return 'class%d' % c"
%!    sprintf("f = h5py.File('%s', 'r')", file)
%!    "for n in sorted(f):"
%!    "    d = f[n]"
%!    "    if isinstance(d, h5py.Dataset):"
%!    "        print(n, str(d.shape).replace(' ', ''), str(d.maxshape).replace(' ', ''), str(d.chunks).replace(' ', ''), desc(d.id.get_type()))"
%!  };
%!  out = strsplit (h5py_run (strjoin (code', "\n")), "\n")';
%!endfunction

## The dataspace table: size and chunk arguments (Octave order), the shape read
## back, and what h5py sees (HDF5 order; None = unlimited or no chunking).
%!test
%! big = intmax ("uint64");
%! cases = {
%!   "empty",   [],      [],       [1 1],   "() () None"
%!   "one",     [1],     [],       [1 1],   "() () None"
%!   "oneone",  [1 1],   [],       [1 1],   "() () None"
%!   "five",    [5],     [],       [1 5],   "(5,) (5,) None"
%!   "row",     [1 5],   [],       [1 5],   "(5,1) (5,1) None"
%!   "col",     [5 1],   [],       [5 1],   "(1,5) (1,5) None"
%!   "cube",    [3 4 2], [],       [3 4 2], "(2,4,3) (2,4,3) None"
%!   "ext",     [10 big], [10 100], [10 0], "(0,10) (None,10) (100,10)"
%!   "chunked", [4 6],   [2 3],    [4 6],   "(6,4) (6,4) (3,2)"
%!   "longchunk", [4 6], [2 3 7],  [4 6],   "(6,4) (6,4) (3,2)"
%!   "bothext", [big big], [4 8],  [0 0],   "(0,0) (None,None) (8,4)"
%! };
%! f = [tempname() ".h5"];
%! unwind_protect
%!   for i = 1:rows (cases)
%!     [name, sz, chunk, shape] = cases{i,1:4};
%!     __h5create__ (f, i == 1, ["/" name], uint64 (sz), "double", uint64 (chunk), 0);
%!     check (__h5read__ (f, ["/" name], [], [], []), zeros (shape), name);
%!   endfor
%!   want = strcat (cases(:,1), {" "}, cases(:,5), {" float8le"});
%!   assert (h5py_describe (f), sort (want));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Every element type gives its HDF5 datatype.
%!test
%! types = {
%!   "double",         "float8le"
%!   "single",         "float4le"
%!   "double complex", "compound16{r@0:float8le,i@8:float8le}"
%!   "single complex", "compound8{r@0:float4le,i@4:float4le}"
%!   "int8",   "int1sle";   "uint8",  "int1ule"
%!   "int16",  "int2sle";   "uint16", "int2ule"
%!   "int32",  "int4sle";   "uint32", "int4ule"
%!   "int64",  "int8sle";   "uint64", "int8ule"
%!   "logical", "enum{int1sle:FALSE=0,TRUE=1}"
%!   "string",  "string(vlen,utf8)"
%! };
%! f = [tempname() ".h5"];
%! unwind_protect
%!   for i = 1:rows (types)
%!     name = ["/" strrep(types{i,1}, " ", "_")];
%!     __h5create__ (f, i == 1, name, [2 3], types{i,1}, [], 0);
%!   endfor
%!   names = strrep (types(:,1), " ", "_");
%!   want = strcat (names, {" (3,2) (3,2) None "}, types(:,2));
%!   [~, order] = sort (names);
%!   assert (h5py_describe (f), want(order));
%!   ## Read back as the class the element type names, filled with zeros (Octave
%!   ## narrows a complex value whose imaginary parts are all zero to real).
%!   for i = 1:rows (types) - 1
%!     x = __h5read__ (f, ["/" names{i}], [], [], []);
%!     check (class (x), strtok (types{i,1}), types{i,1});
%!     check (x == 0, true (2, 3), types{i,1});
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Missing groups on the way are created; existing ones are used.
%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   __h5create__ (f, true, "/a/x", [2 2], "double", [], 0);
%!   __h5create__ (f, false, "/a/b/c", [3 1], "int8", [], 0);
%!   __h5create__ (f, false, "/p/q/r/s", [2], "single", [], 0);
%!   out = h5py_run (sprintf (["f = h5py.File('%s', 'r')\n" ...
%!     "print(sorted(f.keys()), sorted(f['a'].keys()), isinstance(f['a/b'], h5py.Group),\n" ...
%!     "      isinstance(f['p/q/r'], h5py.Group), f['a/b/c'].shape, f['p/q/r/s'].shape)"], f));
%!   assert (out, "['a', 'p'] ['b', 'x'] True True (1, 3) (2,)");
%!   assert (__h5read__ (f, "/a/b/c", [], [], []), zeros (3, 1, "int8"));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Messages, in the order of the checks.  /d is a dataset of the file.
%!shared f
%! f = [tempname() ".h5"];
%! __h5create__ (f, true, "/d", [2 2], "double", [], 0);
%!error <^__h5create__: wrong # of args$> __h5create__ (f, false, "/e", [2 2], "double", [])
%!error <^__h5create__: wrong # of args$> __h5create__ (f, false, "/e", [2 2], "double", [], 0, 0)
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5create__ ("missing.h5", false, "/d", [2 2], "double", [], 0);
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5create__ ("missing.h5", false, "no/slash", [2 2], "Double", [], 0);
%!error <^Unable to create file /nonexistent-dir/x\.h5 \(File accessibility\) Unable to open file$>
%! __h5create__ ("/nonexistent-dir/x.h5", true, "/d", [2 2], "double", [], 0);
%!test
%! assert (! exist ("missing.h5", "file"));
%!error <^h5create: dataset location should be specified as a full pathname with leading '/'$>
%! __h5create__ (f, false, "e", [2 2], "double", [], 0);
%!error <^h5create: dataset location should be specified as a full pathname with leading '/'$>
%! __h5create__ (f, false, "d", [2 2], "Double", [], 0);
%!error <^h5create: location '/d' already exists$>
%! __h5create__ (f, false, "/d", [2 2], "Double", [], 0);
%!error <^h5create: location '/' already exists$>
%! __h5create__ (f, false, "/", [2 2], "double", [], 0);
%!error <^h5create: location '/d/x' cannot be created\. Check that intermediate nodes are of type Group$>
%! __h5create__ (f, false, "/d/x", [2 2], "Double", [], 0);
%!error <^h5create: location '/d/x/y' cannot be created\. Check that intermediate nodes are of type Group$>
%! __h5create__ (f, false, "/d/x/y", [2 2], "double", [], 0);
## A element type outside the vocabulary leaves HDF5 an invalid datatype.
%!error <^Unable to create the dataset "/e": \(Invalid arguments to routine\) Inappropriate type$>
%! __h5create__ (f, false, "/e", [2 2], "Double", [], 0);
%!error <^Unable to create the dataset "/e": \(Invalid arguments to routine\) Inappropriate type$>
%! __h5create__ (f, false, "/e", [2 2], "", [], 0);
## Refused by HDF5: chunks on a scalar, an unlimited dimension without chunks.
%!error <^Unable to create the dataset "/e": \([^)]+\) .+$>
%! __h5create__ (f, false, "/e", [1], "double", [1], 0);
%!error <^Unable to create the dataset "/e": \([^)]+\) .+$>
%! __h5create__ (f, false, "/e", uint64 ([10 Inf]), "double", [], 0);
%!error <^Unable to create the dataset "/e": \([^)]+\) .+$>
%! __h5create__ (f, false, "/e", [4 6], "double", [5 6], 0);
## Fewer chunk entries than size entries.
%!error <^h5create: .+>
%! __h5create__ (f, false, "/e", [4 6], "double", [2], 0);
%!error <^h5create: .+>
%! __h5create__ (f, false, "/e", [4 6 2], "double", [2 2], 0);
## With the create flag, an existing file is opened read-only: the location
## checks run, and the creation itself is refused by HDF5.
%!error <^h5create: location '/d' already exists$>
%! __h5create__ (f, true, "/d", [2 2], "double", [], 0);
%!error <^Unable to create the dataset "/e": \([^)]+\) .+$>
%! __h5create__ (f, true, "/e", [2 2], "double", [], 0);
## None of the failures above left a dataset or a group behind, nor a
## descriptor on the file.
%!test
%! assert (h5py_run (sprintf ("print(list(h5py.File('%s', 'r').keys()))", f)), "['d']");
%! assert (open_fds (f), 0);
%! assert (__h5read__ (f, "/d", [], [], []), zeros (2, 2));
%!test
%! unlink (f);

## A file that the call created stays when a later check fails.
%!test
%! g = [tempname() ".h5"];
%! unwind_protect
%!   try
%!     __h5create__ (g, true, "no/slash", [2 2], "double", [], 0);
%!   catch
%!   end_try_catch
%!   assert (h5py_run (sprintf ("print(list(h5py.File('%s', 'r').keys()))", g)), "[]");
%! unwind_protect_cleanup
%!   unlink (g);
%! end_unwind_protect

## No descriptor stays open on the file after successful and failed calls.
%!test
%! g = [tempname() ".h5"];
%! unwind_protect
%!   calls = {@() __h5create__(g, true, "/a/b", [3 4], "int16", [], 0)
%!            @() __h5create__(g, false, "/a/c", uint64 ([2 Inf]), "single", [2 5], 0)
%!            @() __h5create__(g, false, "/a/b", [3 4], "int16", [], 0)
%!            @() __h5create__(g, false, "/a/b/c", [3 4], "int16", [], 0)
%!            @() __h5create__(g, false, "a", [3 4], "int16", [], 0)
%!            @() __h5create__(g, false, "/e", [3 4], "Int16", [], 0)
%!            @() __h5create__(g, false, "/e", [3 4], "int16", [3], 0)
%!            @() __h5create__(g, true, "/e", [3 4], "int16", [], 0)};
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
