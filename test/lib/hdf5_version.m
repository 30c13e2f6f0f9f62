## -*- texinfo -*-
## @deftypefn {} {@var{v} =} hdf5_version ()
## Version of the HDF5 library, e.g. "1.10.8", as Debian's h5py reports it;
## h5py and the module link the same system library.
## @end deftypefn
function v = hdf5_version ()
  persistent cached = "";
  if (isempty (cached))
    cached = h5py_run ("print(h5py.version.hdf5_version)");
  endif
  v = cached;
endfunction
