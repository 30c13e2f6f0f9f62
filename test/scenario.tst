## A simulation toolbox that writes its input files from MATLAB code: the code
## below is written as such a toolbox writes it, and runs unchanged here.  Its
## 3-D single datasets of size [Nx Ny 1] are created chunked by whole planes
## and deflate-compressed, filled from 2-D arrays; its index lists are
## one-dimensional uint64 datasets; text attributes on the file and on each
## dataset describe them.  Everything is read back, the layout and the
## compression are checked from outside with h5py, and every text attribute
## is read back with the HDF5 high-level C library as a C program sees it.

%!function write_input_file (f, fields, scalars, indices, Nx, Ny)
%!  names = fieldnames (fields);
%!  for i = 1:numel (names)
%!    ds = ["/" names{i}];
%!    h5create (f, ds, [Nx Ny 1], "Datatype", "single", ...
%!              "ChunkSize", [Nx Ny 1], "Deflate", 4);
%!    h5write (f, ds, single (fields.(names{i})));
%!    h5writeatt (f, ds, "data_type", "float");
%!    h5writeatt (f, ds, "domain_type", "real");
%!  endfor
%!  names = fieldnames (scalars);
%!  for i = 1:numel (names)
%!    ds = ["/" names{i}];
%!    h5create (f, ds, [1 1 1], "Datatype", "uint64");
%!    h5write (f, ds, scalars.(names{i}));
%!    h5writeatt (f, ds, "data_type", "long");
%!    h5writeatt (f, ds, "domain_type", "real");
%!  endfor
%!  names = fieldnames (indices);
%!  for i = 1:numel (names)
%!    ds = ["/" names{i}];
%!    h5create (f, ds, numel (indices.(names{i})), "Datatype", "uint64");
%!    h5write (f, ds, uint64 (indices.(names{i})));
%!    h5writeatt (f, ds, "data_type", "long");
%!    h5writeatt (f, ds, "domain_type", "real");
%!  endfor
%!  h5writeatt (f, "/", "created_by", "toolbox 1.4");
%!  h5writeatt (f, "/", "creation_date", "10-Dec-2026 12:00:00");
%!  h5writeatt (f, "/", "file_description", ["2-D homogeneous medium"; ...
%!                                           "point source"]);
%!  h5writeatt (f, "/", "file_type", "input");
%!  h5writeatt (f, "/", "major_version", "1");
%!  h5writeatt (f, "/", "minor_version", "2");
%!endfunction

%!shared f, fields, scalars, indices, Nx, Ny
%! Nx = 64;
%! Ny = 48;
%! [X, Y] = ndgrid (1:Nx, 1:Ny);
%! fields.c0 = 1500 + 10 * sin (X / 7) .* cos (Y / 5);
%! fields.rho0 = 1000 * ones (Nx, Ny);
%! fields.p0_source_input = exp (-((X - 32) .^ 2 + (Y - 24) .^ 2) / 20);
%! scalars.Nx = Nx;
%! scalars.Ny = Ny;
%! scalars.Nz = 1;
%! scalars.Nt = 1200;
%! ## Linear indices of the sensor and source points, as columns.
%! indices.sensor_mask_index = find (X == 40 | Y == 10);
%! indices.p_source_index = uint64 (sub2ind ([Nx Ny], [32; 33], [24; 24]));
%! f = [tempname() ".h5"];
%! write_input_file (f, fields, scalars, indices, Nx, Ny);

%!test
%! ## Every dataset and attribute reads back as written.
%! for name = fieldnames (fields).'
%!   ds = ["/" name{1}];
%!   data = h5read (f, ds);
%!   assert (class (data), "single");
%!   assert (data, single (fields.(name{1})));
%!   assert (h5read (f, ds, [1 Ny 1], [Inf 1 1]), single (fields.(name{1})(:, Ny)));
%!   assert (h5readatt (f, ds, "data_type"), "float");
%!   assert (h5readatt (f, ds, "domain_type"), "real");
%! endfor
%! for name = fieldnames (scalars).'
%!   ds = ["/" name{1}];
%!   assert (h5read (f, ds), uint64 (scalars.(name{1})));
%!   assert (h5readatt (f, ds, "data_type"), "long");
%! endfor
%! for name = fieldnames (indices).'
%!   ds = ["/" name{1}];
%!   idx = uint64 (indices.(name{1}));
%!   assert (h5read (f, ds), idx);
%!   assert (h5read (f, ds, 2, Inf), idx(2:end));
%!   assert (h5read (f, ds, numel (idx), 1), idx(end));
%!   assert (h5readatt (f, ds, "data_type"), "long");
%! endfor
%! assert (h5readatt (f, "/", "created_by"), "toolbox 1.4");
%! assert (h5readatt (f, "/", "file_description"), ...
%!         {"2-D homogeneous medium", "point source"});
%! assert (h5readatt (f, "/", "file_type"), "input");
%! assert (h5readatt (f, "/", "major_version"), "1");
%! assert (h5readatt (f, "/", "minor_version"), "2");

%!test
%! ## The description: sizes, chunks and attributes of every dataset.
%! info = h5info (f);
%! assert ({info.Datasets.Name}, {"/Nt", "/Nx", "/Ny", "/Nz", "/c0", ...
%!                                "/p0_source_input", "/p_source_index", ...
%!                                "/rho0", "/sensor_mask_index"});
%! for i = 1:numel (info.Datasets)
%!   d = info.Datasets(i);
%!   if (any (strcmp (d.Name, {"/p_source_index", "/sensor_mask_index"})))
%!     n = numel (indices.(d.Name(2:end)));
%!     assert (d.Dataspace.Size, uint64 (n));
%!     assert (d.Datatype.OctaveClass, "uint64");
%!   elseif (any (strcmp (d.Name, {"/Nt", "/Nx", "/Ny", "/Nz"})))
%!     assert (d.Dataspace.Size, uint64 ([1 1 1]));
%!     assert (d.Datatype.OctaveClass, "uint64");
%!     assert (d.ChunkSize, zeros (0, 0, "uint64"));
%!   else
%!     assert (d.Dataspace.Size, uint64 ([Nx Ny 1]));
%!     assert (d.Dataspace.MaxSize, [Nx Ny 1]);
%!     assert (d.Datatype.OctaveClass, "single");
%!     assert (d.ChunkSize, uint64 ([Nx Ny 1]));
%!   endif
%!   assert (d.Attributes.domain_type, "real");
%! endfor
%! assert (fieldnames (info.Attributes), {"created_by"; "creation_date"; ...
%!   "file_description"; "file_type"; "major_version"; "minor_version"});

%!test
%! ## Seen from h5py: layout, element type, the deflate filter at level 4, and
%! ## the stored size of the compressible fields below their raw size.
%! out = h5py_run (sprintf (["F = h5py.File('%s', 'r')\n" ...
%!   "for n in ('c0', 'p0_source_input', 'rho0'):\n" ...
%!   "  d = F[n]\n" ...
%!   "  print(n, d.shape, d.chunks, d.dtype, d.compression, d.compression_opts,\n" ...
%!   "        d.id.get_storage_size() < d.nbytes, d.attrs['data_type'].decode())\n" ...
%!   "d = F['Nt']\n" ...
%!   "print(d.shape, d.dtype, d.compression, int(d[0, 0, 0]))\n" ...
%!   "print(F['rho0'][0, 5, 7], F['p0_source_input'][0, 23, 31] == np.float32(1))\n" ...
%!   "print(F.attrs['file_type'].decode(), F.attrs['file_description'].shape)\n" ...
%!   "d = F['sensor_mask_index']\n" ...
%!   "print(d.shape, d.dtype, int(d[0]))"], f));
%! assert (strsplit (out, "\n"), {
%!   "c0 (1, 48, 64) (1, 48, 64) float32 gzip 4 True float"
%!   "p0_source_input (1, 48, 64) (1, 48, 64) float32 gzip 4 True float"
%!   "rho0 (1, 48, 64) (1, 48, 64) float32 gzip 4 True float"
%!   "(1, 1, 1) uint64 None 1200"
%!   "1000.0 True"
%!   "input (2,)"
%!   sprintf("(%d,) uint64 %d", numel (indices.sensor_mask_index), indices.sensor_mask_index(1))}.');

%!test
%! ## Every text attribute as a C program reads it with H5LTget_attribute_string:
%! ## fixed-length, NUL-terminated, the text whole.
%! what = {{"/", "created_by"}, {"/", "creation_date"}, ...
%!         {"/", "file_type"}, {"/", "major_version"}, ...
%!         {"/", "minor_version"}};
%! want = {"toolbox 1.4", "10-Dec-2026 12:00:00", "input", "1", "2"};
%! for name = [fieldnames(fields); fieldnames(scalars); fieldnames(indices)].'
%!   ds = ["/" name{1}];
%!   what(end+(1:2)) = {{ds, "data_type"}, {ds, "domain_type"}};
%!   if (isfield (fields, name{1}))
%!     want(end+(1:2)) = {"float", "real"};
%!   else
%!     want(end+(1:2)) = {"long", "real"};
%!   endif
%! endfor
%! assert (c_read_text (f, what), want);
%! out = h5py_run (sprintf (["F = h5py.File('%s', 'r')\n" ...
%!   "t = F.attrs.get_id('file_description').get_type()\n" ...
%!   "print(t.is_variable_str(), t.get_size(), t.get_strpad() == h5py.h5t.STR_NULLTERM)"], f));
%! assert (out, "False 22 True");

%!test
%! ## A second run of the toolbox on the existing file: the file is opened,
%! ## not replaced; a field is overwritten and a new one added.
%! h5write (f, "/rho0", 1200 * ones (Nx, Ny));
%! h5create (f, "/alpha_coeff", [Nx Ny 1], "Datatype", "single", ...
%!           "ChunkSize", [Nx Ny 1], "Deflate", 4);
%! h5write (f, "/alpha_coeff", 0.75 * ones (Nx, Ny));
%! h5writeatt (f, "/", "minor_version", "3");
%! assert (h5read (f, "/rho0"), single (1200 * ones (Nx, Ny)));
%! assert (h5read (f, "/alpha_coeff"), single (0.75 * ones (Nx, Ny)));
%! assert (h5read (f, "/c0"), single (fields.c0));
%! assert (h5readatt (f, "/", "minor_version"), "3");
%! assert (numel (h5info (f).Datasets), 10);
%! assert (open_fds (f), 0);

%!test
%! unlink (f);
