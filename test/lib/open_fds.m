## -*- texinfo -*-
## @deftypefn {} {@var{n} =} open_fds (@var{file})
## Number of file descriptors of this process that are open on @var{file}.
## @end deftypefn
function n = open_fds (file)
  target = canonicalize_file_name (file);
  if (isempty (target))
    target = file;
  endif
  n = 0;
  ## readdir, not dir: dir would stat the descriptor of its own listing,
  ## which is closed by then.
  names = readdir ("/proc/self/fd");
  for i = 1:numel (names)
    [link, err] = readlink (fullfile ("/proc/self/fd", names{i}));
    if (err == 0 && strcmp (link, target))
      n++;
    endif
  endfor
endfunction
