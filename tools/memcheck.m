## Calls every function of the module with successful and failing calls of each
## kind; run by tools/memcheck.sh under valgrind.  MEMCHECK_DIR holds the
## fixture file types.h5 and receives the files written here; MEMCHECK_VERBOSE
## set prints the message of every failing call.
1;

function r = try_call (fn, varargin)
  global ok_calls err_calls
  r = [];
  try
    if (nargout > 0)
      r = fn (varargin{:});
    else
      fn (varargin{:});
    endif
    ok_calls++;
  catch err
    err_calls++;
    if (! isempty (getenv ("MEMCHECK_VERBOSE")))
      printf ("%s: %s\n", func2str (fn), err.message);
    endif
  end_try_catch
endfunction

global ok_calls err_calls
ok_calls = 0;
err_calls = 0;
top = fileparts (fileparts (mfilename ("fullpath")));
addpath (fullfile (top, "src"));
addpath (fullfile (top, "inst"));
dir = getenv ("MEMCHECK_DIR");
types = fullfile (dir, "types.h5");
f = fullfile (dir, "made.h5");
missing = fullfile (dir, "missing.h5");
e = zeros (1, 0, "uint64");
u = @(x) uint64 (x);

## Dataset creation: every element type, scalar, vector, matrix, chunked, deflated,
## unlimited; then the refusals.
specs = {"double", "single", "double complex", "single complex", "int8", "uint8", ...
         "int16", "uint16", "int32", "uint32", "int64", "uint64", "logical", "string"};
try_call (@__h5create__, f, true, "/first", u([2 3]), "double", e, 0);       # new file
try_call (@__h5create__, f, true, "/second", u([2 3]), "double", e, 0);      # read-only open
for i = 1:numel (specs)
  s = strrep (specs{i}, " ", "_");
  try_call (@__h5create__, f, false, ["/s/" s], u(1), specs{i}, e, 0);
  try_call (@__h5create__, f, false, ["/m/" s], u([3 4]), specs{i}, e, 0);
  try_call (@__h5create__, f, false, ["/c/" s], u([6 4]), specs{i}, u([3 2]), 4);
endfor
try_call (@__h5create__, f, false, "/ext", u([4 Inf]), "double", u([4 2]), 0);
try_call (@__h5create__, f, false, "/v", u(5), "int32", e, 0);
try_call (@__h5create__, f, false, "/ext", u([4 Inf]), "double", u([4 2]), 0);      # exists
try_call (@__h5create__, f, false, "/v/x", u(2), "double", e, 0);                # under a dataset
try_call (@__h5create__, f, false, "nolead", u(2), "double", e, 0);
try_call (@__h5create__, f, false, "/bad", u(2), "Double", e, 0);                # unknown type name
try_call (@__h5create__, f, false, "/bad", u(1), "double", u([1 1]), 0);         # chunk on scalar
try_call (@__h5create__, f, false, "/bad", u([2 Inf]), "double", e, 0);          # unlimited, no chunk
try_call (@__h5create__, f, false, "/bad", u([4 4]), "double", u(2), 0);         # short chunk
try_call (@__h5create__, f, false, "/bad", u([4 4]), "double", e, 5);            # deflate, no chunk
try_call (@__h5create__, missing, false, "/a", u(2), "double", e, 0);
try_call (@__h5create__, f, false, "/a", u(2), "double", e);                      # wrong # of args
try_call (@__h5create__, f, false, "/a", {1}, "double", e, 0);                    # no conversion

## Writing: whole datasets of every class, hyperslabs, extension; refusals.
vals = {pi, single(2), 1+2i, single(1-1i), int8(-3), uint8(3), int16(-3), uint16(3), ...
        int32(-3), uint32(3), int64(-3), uint64(3), true, {"one"}};
for i = 1:numel (specs)
  s = strrep (specs{i}, " ", "_");
  v = vals{i};
  try_call (@__h5write__, f, ["/s/" s], v, e, e, e);
  try_call (@__h5write__, f, ["/m/" s], repmat (v, 3, 4), e, e, e);
  try_call (@__h5write__, f, ["/c/" s], repmat (v, 2, 2), u([2 1]), u([2 2]), u([2 1]));
  try_call (@__h5write__, f, ["/m/" s], repmat (v, 4, 3), e, e, e);           # wrong shape
endfor
try_call (@__h5write__, f, "/ext", magic (4), u([1 1]), u([4 4]), e);
try_call (@__h5write__, f, "/ext", ones (4, 2), u([1 7]), u([4 2]), u([1 1]));  # extends
try_call (@__h5write__, f, "/ext", ones (4, 3), u([1 9]), u([4 2]), e);        # extends, wrong shape
try_call (@__h5write__, f, "/v", int32 (1:5), e, e, e);
try_call (@__h5write__, f, "/v", 1:5, e, e, e);                                # wrong class
try_call (@__h5write__, f, "/v", int32 (1:2), u(9), u(2), e);                   # past a fixed end
try_call (@__h5write__, f, "/v", int32 (1:2), u([1 1]), u([1 2]), e);           # wrong rank
try_call (@__h5write__, f, "/v", int32 (1:2), u(1), u(2), u(0));                # zero stride
try_call (@__h5write__, f, "/v", int32 (1), u(0), u(1), e);                     # zero start
try_call (@__h5write__, f, "/v", struct ("a", 1), e, e, e);
try_call (@__h5write__, f, "/v", "text", e, e, e);
try_call (@__h5write__, f, "/v", {1, 2}, e, e, e);
try_call (@__h5write__, f, "/m/double", {"a"}, e, e, e);                         # cellstr, numeric
try_call (@__h5write__, f, "/s", 1, e, e, e);                                    # a group
try_call (@__h5write__, f, "/nothing", 1, e, e, e);
try_call (@__h5write__, f, "nolead", 1, e, e, e);
try_call (@__h5write__, missing, "/v", 1, e, e, e);
try_call (@__h5write__, types, "/fixed_str", {"ab", "cd", "ef"}, e, e, e);
try_call (@__h5write__, f, "/v", 1, e, e);

## Reading: whole, hyperslabs with strides, refusals.
for i = 1:numel (specs)
  s = strrep (specs{i}, " ", "_");
  try_call (@__h5read__, f, ["/s/" s], e, e, e);
  try_call (@__h5read__, f, ["/m/" s], e, e, e);
  try_call (@__h5read__, f, ["/c/" s], u([1 1]), u([3 2]), u([2 2]));
  try_call (@__h5read__, f, ["/s/" s], u(1), u(1), e);                          # scalar
endfor
try_call (@__h5read__, f, "/ext", e, e, e);
try_call (@__h5read__, f, "/ext", u([2 2]), u([2 3]), u([1 2]));
try_call (@__h5read__, f, "/v", u(4), u(5), e);                                 # beyond
try_call (@__h5read__, f, "/v", u([1 1]), u([1 1]), e);                         # wrong rank
try_call (@__h5read__, f, "/v", u(1), u([1 2]), e);                             # mismatched
try_call (@__h5read__, f, "/v", u(1), u(2), u([1 2 3]));
try_call (@__h5read__, f, "/v", u(1), u(0), e);                                 # zero count
try_call (@__h5read__, f, "/", e, e, e);
try_call (@__h5read__, f, "/nothing/deeper", e, e, e);
try_call (@__h5read__, f, "nolead", e, e, e);
try_call (@__h5read__, missing, "/v", e, e, e);
try_call (@__h5read__, f, "/v", e, e);
names = {"/vlen_str", "/vlen_str_scalar", "/fixed_str", "/fixed_str_scalar", ...
         "/compound", "/half", "/enum", "/vlen_int", "/ref", "/opaque", "/array", ...
         "/bitfield", "/int24", "/null", "/bool", "/complex", "/be_double", ...
         "/dt", "/soft", "/dangling", "/external", "/g", "/g/inner"};
for i = 1:numel (names)
  try_call (@__h5read__, types, names{i}, e, e, e);
  try_call (@__h5read__, types, names{i}, u(1), u(1), u(1));
endfor

## Every datatype class: the same datasets whole and by hyperslab, and
## attributes of groups, datasets and a committed datatype.
any_names = [names, {"/cmpx", "/regref", "/selfref", "/vlen_cmp"}];
for i = 1:numel (any_names)
  try_call (@__h5read_any__, types, any_names{i}, e, e, e);
  try_call (@__h5read_any__, types, any_names{i}, u(2), u(1), u(1));
  try_call (@__h5read_any__, types, any_names{i}, u(1), u(2), u(2));
endfor
capi = fullfile (dir, "c_api.h5");
for loc = {"/obj", "/region", "/vv", "/vc", "/cv", "/time"}
  try_call (@__h5read_any__, capi, loc{1}, e, e, e);
  try_call (@__h5read_any__, capi, loc{1}, u(2), u(1), u(1));
endfor
try_call (@__h5read_any__, types, "/cmpx", e, e);                                 # wrong # of args
try_call (@__h5read_any__, missing, "/cmpx", e, e, e);
try_call (@__h5readatt_any__, types, "/dt", "on_type");
try_call (@__h5readatt_any__, types, "/dt", "nothing");
try_call (@__h5readatt_any__, types, "/");

## Attributes.
avals = {pi, single([1 2]), [1+2i 3], int8([1 2; 3 4]), uint64(7), true(2, 2), ...
         {"a", "bb"}, {"single"}, 1:0, reshape(1:24, 2, 3, 4)};
for i = 1:numel (avals)
  name = sprintf ("a%d", i);
  try_call (@__h5writeatt__, f, "/", name, avals{i});
  try_call (@__h5writeatt__, f, "/m/double", name, avals{i});
  try_call (@__h5writeatt__, f, "/m/double", name, avals{i});                   # replaces
  try_call (@__h5readatt__, f, "/", name);
  try_call (@__h5readatt__, f, "/m/double", name);
endfor
try_call (@__h5writeatt__, f, "/", "s", struct ("a", 1));
try_call (@__h5writeatt__, f, "/", "c", "chars");
try_call (@__h5writeatt__, f, "/", "c", {1});
try_call (@__h5writeatt__, f, "/nothing", "x", 1);
try_call (@__h5writeatt__, f, "nolead", "x", 1);
try_call (@__h5writeatt__, missing, "/", "x", 1);
try_call (@__h5writeatt__, types, "/dt", "x", 1);
try_call (@__h5writeatt__, f, "/", "x");
try_call (@__h5readatt__, f, "/", "nothing");
try_call (@__h5readatt__, f, "/nothing", "x");
try_call (@__h5readatt__, f, "nolead", "x");
try_call (@__h5readatt__, missing, "/", "x");
try_call (@__h5readatt__, types, "/dt", "x");
try_call (@__h5readatt__, f, "/");
tvals = {"text", "", "Grüße", ["ab "; "cde"], {"x"; "yyy"}};
for i = 1:numel (tvals)
  name = sprintf ("t%d", i);
  try_call (@__h5writeatt_text__, f, "/", name, tvals{i}, false);
  try_call (@__h5writeatt_text__, f, "/m/double", name, tvals{i}, true);
  try_call (@__h5readatt__, f, "/m/double", name);
endfor
try_call (@__h5writeatt_text__, f, "/", "t", 1, false);
try_call (@__h5writeatt_text__, f, "/", "t", {}, false);
try_call (@__h5writeatt_text__, f, "/nothing", "t", "x", false);
try_call (@__h5writeatt_text__, missing, "/", "t", "x", false);
try_call (@__h5writeatt_text__, f, "/", "t", "x");
anames = {"vstr", "fstr", "vlist", "flist", "compound", "half", "enum", "vlen_int", ...
          "ref", "scalar", "null", "big_endian", "with space"};
for i = 1:numel (anames)
  try_call (@__h5readatt__, types, "/", anames{i});
  try_call (@__h5readatt__, types, "/g", anames{i});
  try_call (@__h5readatt_any__, types, "/", anames{i});
  try_call (@__h5readatt_any__, types, "/g", anames{i});
endfor

## Extents.
for loc = {"/ext", "/v", "/m/double", "/m", "/nothing", "nolead"}
  try_call (@__h5dims__, f, loc{1});
endfor
try_call (@__h5dims__, missing, "/v");
try_call (@__h5dims__, f);

## File information.
try_call (@h5info, f);
try_call (@h5info, f, "/m");
try_call (@h5info, f, "/m/double");
try_call (@h5info, f, "/m/");
try_call (@h5info, types, "/g");
try_call (@h5info, types);                      # dangling and external links fail
try_call (@h5info, types, "/dt");
try_call (@h5info, types, "/nothing");
try_call (@h5info, types, "nolead");
try_call (@h5info, missing);
try_call (@h5info, fullfile (dir, "cycle.h5"));
try_call (@h5info, fullfile (dir, "truncated.h5"));
try_call (@h5info, fullfile (dir, "not_hdf5.h5"));
try_call (@h5info);
try_call (@h5info, f, "/", 3);

## The walk behind h5disp: links that do not resolve are listed, not followed.
try_call (@__h5walk__, types, "/");
try_call (@__h5walk__, types, "/g");
try_call (@__h5walk__, types, "/dangling");
try_call (@__h5walk__, types, "/external");
try_call (@__h5walk__, types, "/soft");
try_call (@__h5walk__, f, "/");
try_call (@__h5walk__, fullfile (dir, "cycle.h5"), "/");
try_call (@__h5walk__, fullfile (dir, "truncated.h5"), "/");
try_call (@__h5walk__, types, "/nothing");
try_call (@__h5walk__, types, "nolead");
try_call (@__h5walk__, missing, "/");
try_call (@__h5walk__, types);
## The threaded chunk pipeline: encoded writes, decoded reads (whole,
## strided, never-written chunks), a damaged chunk, the extra back-ends.
setenv ("TOLVANE_NUM_THREADS", "3");
p = fullfile (dir, "pipeline.h5");
try_call (@__h5create_ext__, p, true, "/gsf", u([120 100]), "double", u([30 25]), 4, true, true, 2.5);
try_call (@__h5create_ext__, p, false, "/i16", u([120 300]), "int16", u([40 50]), 1, true, false, int16 (-1));
try_call (@__h5create_ext__, p, false, "/bad", u([4 4]), "double", e, 0, true, false, []);
try_call (@__h5create_ext__, p, false, "/bad", u([4 4]), "double", e, 0, false, false, int8 (1));
try_call (@__h5create_ext__, p, false, "/bad", u([4 4]), "double", e, 0);
try_call (@__h5write__, p, "/gsf", reshape (1:12000, 120, 100), e, e, e);
try_call (@__h5write__, p, "/gsf", ones (100, 80), u([11 11]), u([100 80]), e);
try_call (@__h5write__, p, "/i16", int16 (ones (120, 200)), u([1 1]), u([120 200]), e);
try_call (@__h5read__, p, "/gsf", e, e, e);
try_call (@__h5read__, p, "/gsf", u([2 3]), u([50 30]), u([2 3]));
try_call (@__h5read__, p, "/i16", e, e, e);
try_call (@__h5chunks__);
try_call (@__h5chunks__, 1);
## Damage the middle of the file and read again.
fid = fopen (p, "r+");
fseek (fid, 0, "eof");
fseek (fid, floor (ftell (fid) / 2), "bof");
fwrite (fid, uint8 ([90 165 90 165]));
fclose (fid);
try_call (@__h5read__, p, "/gsf", e, e, e);
try_call (@__h5read__, p, "/i16", e, e, e);
unsetenv ("TOLVANE_NUM_THREADS");

printf ("memcheck.m: %d calls succeeded, %d failed\n", ok_calls, err_calls);
printf ("MEMCHECK DONE\n");
