## Interoperability with h5py in both directions: what the module writes has
## the types, shapes and values h5py expects, and what h5py writes reads here.
## HDF5 extents are the Octave extents reversed, and the elements keep their
## storage order: an Octave r x c value is an h5py array of shape (c, r) whose
## element [j, i] is Octave element (i+1, j+1).

## Datasets created and written by the module, checked by h5py.
%!test
%! t = [tempname() ".h5"];
%! gruesse = char ([103 114 195 188 195 159 101]);   # "grüße" in UTF-8
%! m = [1 2 3; 4 5 6];
%! ints = {"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"};
%! cases = {
%!   "/double",   "double",         [2 3],   m
%!   "/single",   "single",         [2 3],   single(m)
%!   "/dcomplex", "double complex", [2 3],   [1+1i 2+4i 3+3i; 4+2i 5+5i 6+6i]
%!   "/scomplex", "single complex", [2 3],   single(m - 2i * m)
%!   "/logical",  "logical",        [2 3],   logical([1 0 1; 0 0 1])
%!   "/string",   "string",         [2 3],   {gruesse, "a", ""; "b", "cc", "ddd"}
%!   "/scalar",   "double",         [1 1],   7
%!   "/row",      "double",         [1 4],   1:4
%!   "/column",   "double",         [4 1],   (1:4)'
%!   "/nd",       "int16",          [2 3 4], reshape(int16(1:24), 2, 3, 4)
%! };
%! for k = 1:numel (ints)
%!   c = ints{k};
%!   cases(end+1,:) = {["/" c], c, [2 3], [intmin(c) 1 2; 3 4 intmax(c)]};
%! endfor
%! unwind_protect
%!   for k = 1:rows (cases)
%!     __h5create__ (t, k == 1, cases{k,1}, cases{k,3}, cases{k,2}, [], 0);
%!     __h5write__ (t, cases{k,1}, cases{k,4}, [], [], []);
%!   endfor
%!   ## An extensible dataset, grown by a write past its end.
%!   __h5create__ (t, false, "/ext", [3 Inf], "double", [3 2], 0);
%!   __h5write__ (t, "/ext", [1 4; 2 5; 3 6], [1 1], [3 2], []);
%!   out = h5py_run (sprintf ("%s\nf = h5py.File('%s', 'r')\n%s", "# -*- coding: utf-8 -*-", t, strjoin ({
%!     "bad = []"
%!     "def check(name, dtype, shape, want):"
%!     "    ds = f[name]"
%!     "    got = ds.asstr()[()] if h5py.check_string_dtype(ds.dtype) else ds[()]"
%!     "    if ds.dtype.str != dtype or ds.shape != shape or np.asarray(got).tolist() != want:"
%!     "        bad.append('%s: %s %s %r' % (name, ds.dtype.str, ds.shape, np.asarray(got).tolist()))"
%!     "    return ds.id.get_type()"
%!     "m = [[1, 4], [2, 5], [3, 6]]"
%!     "check('/double', '<f8', (3, 2), m)"
%!     "check('/single', '<f4', (3, 2), m)"
%!     "for c in ['int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32', 'int64', 'uint64']:"
%!     "    i = np.iinfo(c)"
%!     "    check('/' + c, np.dtype(c).str, (3, 2), [[int(i.min), 3], [1, 4], [2, int(i.max)]])"
%!     "for name, dtype, size, fmt in (('/dcomplex', '<c16', 16, 'f8'), ('/scomplex', '<c8', 8, 'f4')):"
%!     "    want = [[1+1j, 4+2j], [2+4j, 5+5j], [3+3j, 6+6j]] if name == '/dcomplex' else [[1-2j, 4-8j], [2-4j, 5-10j], [3-6j, 6-12j]]"
%!     "    t = check(name, dtype, (3, 2), want)"
%!     "    members = [(t.get_member_name(k), t.get_member_offset(k), t.get_member_type(k).dtype.str) for k in range(t.get_nmembers())]"
%!     "    half = size // 2"
%!     "    if t.get_class() != h5py.h5t.COMPOUND or t.get_size() != size or members != [(b'r', 0, '<' + fmt), (b'i', half, '<' + fmt)]:"
%!     "        bad.append('%s: members %r' % (name, members))"
%!     "t = check('/logical', '|b1', (3, 2), [[True, False], [False, False], [True, True]])"
%!     "members = [(t.get_member_name(k), t.get_member_value(k)) for k in range(t.get_nmembers())]"
%!     "base = t.get_super()"
%!     "if t.get_class() != h5py.h5t.ENUM or members != [(b'FALSE', 0), (b'TRUE', 1)] or base.get_size() != 1 or base.get_sign() != h5py.h5t.SGN_2:"
%!     "    bad.append('/logical: enum %r' % members)"
%!     "t = check('/string', '|O', (3, 2), [['grüße', 'b'], ['a', 'cc'], ['', 'ddd']])"
%!     "if not t.is_variable_str() or t.get_cset() != h5py.h5t.CSET_UTF8:"
%!     "    bad.append('/string: not variable-length UTF-8')"
%!     "check('/scalar', '<f8', (), 7.0)"
%!     "check('/row', '<f8', (4, 1), [[1.0], [2.0], [3.0], [4.0]])"
%!     "check('/column', '<f8', (1, 4), [[1.0, 2.0, 3.0, 4.0]])"
%!     "check('/nd', '<i2', (4, 3, 2), np.arange(1, 25).reshape(4, 3, 2).tolist())"
%!     "check('/ext', '<f8', (2, 3), [[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])"
%!     "e = f['/ext']"
%!     "if e.maxshape != (None, 3) or e.chunks != (2, 3):"
%!     "    bad.append('/ext: maxshape %r chunks %r' % (e.maxshape, e.chunks))"
%!     "print('\\n'.join(bad))"
%!   }, "\n")));
%!   assert (out, "");
%! unwind_protect_cleanup
%!   if (exist (t, "file"))
%!     unlink (t);
%!   endif
%! end_unwind_protect

## Attributes written by the module on the root, a group and a dataset, checked by h5py.
%!test
%! t = [tempname() ".h5"];
%! gruesse = char ([103 114 195 188 195 159 101]);   # "grüße" in UTF-8
%! values = {
%!   "double",  1.5
%!   "m",       int16([1 2 3; 4 5 6])
%!   "complex", [1+2i; 3-4i]
%!   "bool",    [true false]
%!   "u64",     intmax("uint64")
%!   "s1",      {gruesse}
%!   "s2",      {"a", "bb"}
%! };
%! unwind_protect
%!   __h5create__ (t, true, "/g/d", [2 2], "double", [], 0);
%!   for loc = {"/", "/g", "/g/d"}
%!     for k = 1:rows (values)
%!       __h5writeatt__ (t, loc{1}, values{k,:});
%!     endfor
%!   endfor
%!   out = h5py_run (sprintf ("%s\nf = h5py.File('%s', 'r')\n%s", "# -*- coding: utf-8 -*-", t, strjoin ({
%!     "bad = []"
%!     "for loc in ('/', '/g', '/g/d'):"
%!     "    obj = f[loc]"
%!     "    for name, dtype, shape, want in ("
%!     "            ('double', '<f8', (), 1.5),"
%!     "            ('m', '<i2', (3, 2), [[1, 4], [2, 5], [3, 6]]),"
%!     "            ('complex', '<c16', (1, 2), [[1+2j, 3-4j]]),"
%!     "            ('bool', '|b1', (2, 1), [[True], [False]]),"
%!     "            ('u64', '<u8', (), 2**64 - 1),"
%!     "            ('s1', '|O', (), 'grüße'),"
%!     "            ('s2', '|O', (2, 1), [['a'], ['bb']])):"
%!     "        aid = h5py.h5a.open(obj.id, name.encode())"
%!     "        got = np.asarray(obj.attrs[name]).tolist()"
%!     "        if aid.dtype.str != dtype or aid.shape != shape or got != want:"
%!     "            bad.append('%s %s: %s %s %r' % (loc, name, aid.dtype.str, aid.shape, got))"
%!     "        t = aid.get_type()"
%!     "        if name.startswith('s') and (not t.is_variable_str() or t.get_cset() != h5py.h5t.CSET_UTF8):"
%!     "            bad.append('%s %s: not variable-length UTF-8' % (loc, name))"
%!     "        if name == 'complex' and [t.get_member_name(k) for k in range(t.get_nmembers())] != [b'r', b'i']:"
%!     "            bad.append('%s complex: members' % loc)"
%!     "        if name == 'bool' and t.get_class() != h5py.h5t.ENUM:"
%!     "            bad.append('%s bool: not an enum' % loc)"
%!     "    if sorted(obj.attrs) != sorted(['double', 'm', 'complex', 'bool', 'u64', 's1', 's2']):"
%!     "        bad.append('%s: attributes %r' % (loc, sorted(obj.attrs)))"
%!     "print('\\n'.join(bad))"
%!   }, "\n")));
%!   assert (out, "");
%! unwind_protect_cleanup
%!   if (exist (t, "file"))
%!     unlink (t);
%!   endif
%! end_unwind_protect

## Datasets and attributes written by h5py at run time, in every numeric class,
## read here with the shape reversed and the elements in storage order.
%!test
%! t = [tempname() ".h5"];
%! classes = {"double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"};
%! dtypes  = {"f8", "f4", "i1", "u1", "i2", "u2", "i4", "u4", "i8", "u8"};
%! unwind_protect
%!   h5py_run (sprintf (strjoin ({
%!     "f = h5py.File('%s', 'w')"
%!     "for c in %s:"
%!     "    a = np.arange(12).reshape(3, 4).astype(c)"
%!     "    f['/' + c] = a"
%!     "    f.attrs[c] = a"
%!     "    f.attrs[c + '_be'] = a.astype('>' + c)"
%!     "f['/c16'] = f.attrs['c16'] = np.arange(6).reshape(2, 3) * (1 - 1j)"
%!     "f['/c8'] = f.attrs['c8'] = (np.arange(6).reshape(2, 3) * (1 + 2j)).astype('c8')"
%!     "f['/bool'] = f.attrs['bool'] = np.array([[True, False, False], [False, True, True]])"
%!     "f.attrs.create('strs', [['a', 'b'], ['c', 'dd']], dtype=h5py.string_dtype())"
%!     "f.create_dataset('strs', data=[['a', 'b'], ['c', 'dd']], dtype=h5py.string_dtype())"
%!     "f.close()"
%!   }, "\n"), t, ["['" strjoin(dtypes, "', '") "']"]));
%!   ## Name, value; the numeric classes also have a big-endian attribute.
%!   want = reshape (0:11, 4, 3);
%!   cases = [dtypes; cellfun(@(c) cast (want, c), classes, "UniformOutput", false)]';
%!   cases(end+1,:) = {"c16", reshape(0:5, 3, 2) * (1 - 1i)};
%!   cases(end+1,:) = {"c8", single(reshape (0:5, 3, 2) * (1 + 2i))};
%!   cases(end+1,:) = {"bool", logical([1 0; 0 1; 0 1])};
%!   cases(end+1,:) = {"strs", {"a", "c"; "b", "dd"}};
%!   bad = {};
%!   for k = 1:rows (cases)
%!     name = cases{k,1};
%!     reads = {@() __h5read__(t, ["/" name], [], [], []), @() __h5readatt__(t, "/", name)};
%!     if (k <= numel (dtypes))
%!       reads{end+1} = @() __h5readatt__ (t, "/", [name "_be"]);
%!     endif
%!     for r = reads
%!       try
%!         assert (r{1} (), cases{k,2});
%!       catch err
%!         bad{end+1} = [name ", " func2str(r{1}) ": " err.message];
%!       end_try_catch
%!     endfor
%!   endfor
%!   assert (bad, {});
%!   assert (open_fds (t), 0);
%! unwind_protect_cleanup
%!   if (exist (t, "file"))
%!     unlink (t);
%!   endif
%! end_unwind_protect
