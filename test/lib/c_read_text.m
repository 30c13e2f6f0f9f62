## -*- texinfo -*-
## @deftypefn {} {@var{lines} =} c_read_text (@var{file}, @var{what})
## Read text attributes of the HDF5 file @var{file} with the HDF5 high-level C
## library's @code{H5LTget_attribute_string} into a zero-filled buffer of 256
## bytes: @var{what} is a cell array of pairs @code{@{@var{loc}, @var{name}@}}.
## Returns one string per pair, the value as C sees it up to its first NUL,
## or @qcode{"FAILED"}.  The reader
## @file{read_text.c} beside this file is compiled once per Octave session.
## @end deftypefn
function lines = c_read_text (file, what)
  persistent exe = "";
  if (isempty (exe) || ! isfile (exe))
    exe = [tempname() "-read_text"];
    src = fullfile (fileparts (mfilename ("fullpath")), "read_text.c");
    ## Debian unstable names the high-level library in its own pkg-config
    ## file; earlier releases have none and keep it beside libhdf5.
    flags = "$(pkg-config --cflags --libs hdf5_hl hdf5 2>/dev/null || echo $(pkg-config --cflags --libs hdf5) -lhdf5_hl)";
    [status, out] = system (sprintf ("gcc -o %s %s %s 2>&1", exe, src, flags));
    if (status != 0)
      exe = "";
      error ("c_read_text: compiling read_text.c failed:\n%s", out);
    endif
  endif
  args = "";
  for k = 1:numel (what)
    args = [args sprintf(" '%s'", what{k}{:})];
  endfor
  [status, out] = system (sprintf ("%s '%s'%s", exe, file, args));
  lines = strsplit (strtrim (out), "\n");
  lines = regexprep (lines, '^\[(.*)\]$', '$1');
endfunction
