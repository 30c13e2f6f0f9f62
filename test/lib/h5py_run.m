## -*- texinfo -*-
## @deftypefn {} {@var{out} =} h5py_run (@var{code})
## Run the Python snippet @var{code} with the system Python and h5py, and return
## what it printed, trimmed.  Fails the calling test when Python fails.
## @end deftypefn
function out = h5py_run (code)
  script = [tempname() ".py"];
  fid = fopen (script, "w");
  fprintf (fid, "import h5py, numpy as np\n%s\n", code);
  fclose (fid);
  [status, out] = system (sprintf ("/usr/bin/python3 %s 2>&1", script));
  unlink (script);
  if (status != 0)
    error ("h5py_run: python failed:\n%s", out);
  endif
  out = strtrim (out);
endfunction
