## -*- texinfo -*-
## @deftypefn {} {@var{E} =} h5py_expect (@var{file}, @var{queries})
## What h5py reads for each query of the cell array @var{queries} ("D path",
## "D path start count stride", "A path name"; see h5expect.py beside this
## file), in the shapes and classes of h5read and h5readatt.
## @end deftypefn
function E = h5py_expect (file, queries)
  script = fullfile (fileparts (mfilename ("fullpath")), "h5expect.py");
  args = cellfun (@(q) ["'" q "'"], queries, "UniformOutput", false);
  [status, out] = system (sprintf ("/usr/bin/python3 %s '%s' %s 2>&1", script, file,
                                   strjoin (args, " ")));
  if (status != 0)
    error ("h5py_expect: python failed:\n%s", out);
  endif
  E = cell (1, numel (queries));
  eval (out);
endfunction
