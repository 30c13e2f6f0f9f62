// Data exchange: typed transfers between Octave arrays and HDF5 datasets and
// attributes.  Every numeric transfer is one HDF5 call straight into or out
// of the Octave array's own storage; the dimension order is reversed instead
// of moving elements.

#include "exchange.h"
#include "chunks.h"
#include "headroom.h"

#include <octave/ov-cx-mat.h>
#include <octave/ov-flt-cx-mat.h>

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace tolvane {

std::string lastError;

// A corrupted file claiming a huge extent ends in an error, not in an
// allocation failure or the OOM killer.
void
ensure_allocatable (const dim_vector& dims, uint64_t elem_size,
                    const std::string& context)
{
  uint64_t bytes = elem_size;
  for (int k = 0; k < dims.ndims (); k++)
    {
      uint64_t d = static_cast<uint64_t> (dims(k));
      if (d == 0)
        return;
      if (bytes > std::numeric_limits<uint64_t>::max () / d)
        bytes = std::numeric_limits<uint64_t>::max ();
      else
        bytes *= d;
    }
  long pages = sysconf (_SC_PHYS_PAGES);
  long page_size = sysconf (_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0)
    return;
  uint64_t memory = static_cast<uint64_t> (pages) * static_cast<uint64_t> (page_size);
  if (bytes > memory)
    throw h5::DataSpaceException (context + ": " + std::to_string (bytes)
                                  + " bytes do not fit in this machine's memory");
}

bool
reclaim_vlen (const h5::DataType& type, const h5::DataSpace& space, void *buf)
{
#if H5_VERSION_GE(1, 12, 0)
  return H5Treclaim (type.getId (), space.getId (), H5P_DEFAULT, buf) >= 0;
#else
  return H5Dvlen_reclaim (type.getId (), space.getId (), H5P_DEFAULT, buf) >= 0;
#endif
}

namespace {

constexpr uint64_t max_index = std::numeric_limits<octave_idx_type>::max ();

// An Octave array of shape DIMS whose storage is allocated but not filled:
// the transfer that follows writes every element, so the usual zero fill
// would only add a pass over the memory.
template <typename Array_t>
Array_t
uninitialized_array (const dim_vector& dims)
{
#if defined (OCTAVE_HAVE_STD_PMR_POLYMORPHIC_ALLOCATOR)
  return Array_t (dims);
#else
  using E = typename Array_t::element_type;
  std::allocator<E> alloc;
  octave_idx_type n = dims.safe_numel ();
  E *buf = std::allocator_traits<std::allocator<E>>::allocate (alloc, n);
  return Array_t (Array<E> (buf, dims));
#endif
}

// The Octave value of a transferred array.  Complex arrays keep their class
// even when every imaginary part is zero, which octave_value's own
// constructor would narrow to a real array.
template <typename Array_t>
octave_value
value_of (const Array_t& array)
{
  return octave_value (array);
}

template <>
octave_value
value_of (const ComplexNDArray& array)
{
  return octave_value (new octave_complex_matrix (array));
}

template <>
octave_value
value_of (const FloatComplexNDArray& array)
{
  return octave_value (new octave_float_complex_matrix (array));
}

// Octave's storage for each element type.
template <typename T> struct octave_array;
template <> struct octave_array<double> { using type = NDArray; };
template <> struct octave_array<float> { using type = FloatNDArray; };
template <> struct octave_array<std::complex<double>> { using type = ComplexNDArray; };
template <> struct octave_array<std::complex<float>> { using type = FloatComplexNDArray; };
template <> struct octave_array<unsigned long> { using type = uint64NDArray; };
template <> struct octave_array<long> { using type = int64NDArray; };
template <> struct octave_array<unsigned int> { using type = uint32NDArray; };
template <> struct octave_array<int> { using type = int32NDArray; };
template <> struct octave_array<unsigned short> { using type = uint16NDArray; };
template <> struct octave_array<short> { using type = int16NDArray; };
template <> struct octave_array<unsigned char> { using type = uint8NDArray; };
template <> struct octave_array<signed char> { using type = int8NDArray; };
template <> struct octave_array<bool> { using type = boolNDArray; };

// The value's elements as an array of T, sharing the value's storage.
template <typename T> typename octave_array<T>::type elements_of (const octave_value& v);
template <> NDArray elements_of<double> (const octave_value& v) { return v.array_value (); }
template <> FloatNDArray elements_of<float> (const octave_value& v) { return v.float_array_value (); }
template <> ComplexNDArray elements_of<std::complex<double>> (const octave_value& v) { return v.complex_array_value (); }
template <> FloatComplexNDArray elements_of<std::complex<float>> (const octave_value& v) { return v.float_complex_array_value (); }
template <> uint64NDArray elements_of<unsigned long> (const octave_value& v) { return v.uint64_array_value (); }
template <> int64NDArray elements_of<long> (const octave_value& v) { return v.int64_array_value (); }
template <> uint32NDArray elements_of<unsigned int> (const octave_value& v) { return v.uint32_array_value (); }
template <> int32NDArray elements_of<int> (const octave_value& v) { return v.int32_array_value (); }
template <> uint16NDArray elements_of<unsigned short> (const octave_value& v) { return v.uint16_array_value (); }
template <> int16NDArray elements_of<short> (const octave_value& v) { return v.int16_array_value (); }
template <> uint8NDArray elements_of<unsigned char> (const octave_value& v) { return v.uint8_array_value (); }
template <> int8NDArray elements_of<signed char> (const octave_value& v) { return v.int8_array_value (); }
template <> boolNDArray elements_of<bool> (const octave_value& v) { return v.bool_array_value (); }

template <typename T> struct tag { using type = T; };

// Calls F (tag<T> ()) for the element type T of a numeric or logical type
// spec; returns false when SPEC names none.
template <typename F>
bool
dispatch_numeric (const std::string& spec, F&& f)
{
  if (spec == "double") f (tag<double> ());
  else if (spec == "single") f (tag<float> ());
  else if (spec == "double complex") f (tag<std::complex<double>> ());
  else if (spec == "single complex") f (tag<std::complex<float>> ());
  else if (spec == "uint64") f (tag<unsigned long> ());
  else if (spec == "int64") f (tag<long> ());
  else if (spec == "uint32") f (tag<unsigned int> ());
  else if (spec == "int32") f (tag<int> ());
  else if (spec == "uint16") f (tag<unsigned short> ());
  else if (spec == "int16") f (tag<short> ());
  else if (spec == "uint8") f (tag<unsigned char> ());
  else if (spec == "int8") f (tag<signed char> ());
  else if (spec == "logical") f (tag<bool> ());
  else return false;
  return true;
}

octave_idx_type
element_count (const dim_vector& dims)
{
  octave_idx_type n = 1;
  for (int k = 0; k < dims.ndims (); k++)
    n *= dims(k);
  return n;
}

// Fills STRINGS (already of the exchange's shape) with the elements that
// READ (buffer) transfers in the file's own string type TYPE of element size
// SIZE: one pointer per variable-length string, whose memory HDF5 allocates
// and this function reclaims, or SIZE bytes per fixed-length string, kept
// whole with their padding.  False when the reclaim failed.
template <typename Reader>
bool
read_strings (Array<std::string>& strings, const h5::DataType& type,
              uint64_t size, const std::string& context, Reader&& read)
{
  octave_idx_type count = strings.numel ();
  if (count == 0)
    return true;
  if (size == all_ones)
    {
      ensure_allocatable (strings.dims (), sizeof (char *), context);
      std::vector<char *> ptrs (count, nullptr);
      read (ptrs.data ());
      for (octave_idx_type i = 0; i < count; i++)
        strings(i) = ptrs[i] ? std::string (ptrs[i]) : std::string ();
      return reclaim_vlen (type, data_exchange::from_dim_vector (strings.dims ()),
                           ptrs.data ());
    }
  ensure_allocatable (strings.dims (), size, context);
  std::vector<char> bytes (count * size, '\0');
  read (bytes.data ());
  for (octave_idx_type i = 0; i < count; i++)
    strings(i) = std::string (bytes.data () + i * size, size);
  return true;
}

// Strings of the result: a char row for one element, otherwise a cell
// array of strings of the exchange's shape (empty when there is none).
octave_value
strings_value (const Array<std::string>& strings)
{
  if (strings.numel () == 1)
    return octave_value (strings(0), '\'');
  if (strings.numel () == 0)
    return octave_value (Cell (strings.dims ()));
  return octave_value (strings);
}

// An array of T of shape DIMS filled by READ (element type, storage) in one
// transfer; READ is not called for an empty shape.
template <typename T, typename Read>
octave_value
read_array (const dim_vector& dims, const std::string& context, Read&& read)
{
  using Array_t = typename octave_array<T>::type;
  ensure_allocatable (dims, sizeof (T), context);
  Array_t array = uninitialized_array<Array_t> (dims);
  if (array.numel () > 0)
    read (h5traits<T>::predType (), array.fortran_vec ());
  return value_of (array);
}

// Drops trailing singleton dimensions, keeping at least two.
dim_vector
trimmed (const dim_vector& dims)
{
  int n = dims.ndims ();
  while (n > 2 && dims(n - 1) == 1)
    n--;
  dim_vector out = dims;
  out.resize (n);
  return out;
}

} // namespace

octave_value
read_numeric (const std::string& spec, const dim_vector& dims,
              const std::string& context, const numeric_reader& read)
{
  octave_value result;
  dispatch_numeric (transfer_spec (spec), [&] (auto t)
                    { result = read_array<typename decltype (t)::type> (dims, context, read); });
  return result;
}

// ------------------------------------------------------------------ binding

data_exchange::data_exchange ()
  : dspace (h5::DataSpace::dataspace_null), octave_dims (0, 0)
{ }

void
data_exchange::reset ()
{
  lastError.clear ();
  value = octave_value ();
  dataset = nullptr;
  attribute = nullptr;
  dtype = h5::DataType ();
  dtype_info = dtype_info_t ();
  dspace = h5::DataSpace (h5::DataSpace::dataspace_null);
  dspace_info = dspace_info_t ();
  type_spec.clear ();
  new_extents.clear ();
  text_bytes.clear ();
}

bool
data_exchange::assign (h5::DataSet *ds)
{
  reset ();
  dataset = ds;
  h5::DataType type = ds->getDataType ();
  h5::DataSpace space = ds->getSpace ();
  if (! assign (type, space))
    return false;

  // A corrupted file can claim chunks larger than a fixed maximum extent;
  // HDF5 would then read and write past its chunk buffers.
  if (dspace_info.extent_type == "Simple")
    {
      std::size_t rank = dspace_info.dims.numel ();
      std::vector<hsize_t> max = dspace.getMaxDimensions ();
      std::vector<hsize_t> chunk = ds->getChunkDims (rank);
      for (std::size_t i = 0; i < chunk.size (); i++)
        if (chunk[i] < 1 || (max[i] != H5S_UNLIMITED && chunk[i] > max[i]))
          {
            lastError = "Unsupported chunk layout: chunks larger than the maximum extents";
            return false;
          }
    }
  return true;
}

bool
data_exchange::assign (const h5::Attribute *attr)
{
  reset ();
  attribute = attr;
  h5::DataType type = attr->getDataType ();
  h5::DataSpace space = attr->getSpace ();
  return assign (type, space);
}

bool
data_exchange::assign (const h5::DataType& type, const h5::DataSpace& space)
{
  dtype = type;
  dspace = space;
  dtype_info.assign (dtype);
  if (dtype_info.type_class.empty ())
    {
      lastError = "Invalid HDF5 datatype";
      return false;
    }
  if (dtype_info.octave_class.empty () && ! any_type)
    {
      lastError = "Unsupported datatype '" + dtype_info.type_class + "'";
      return false;
    }
  type_spec = dtype_info.octave_class;

  dspace_info.assign (dspace);
  if (dspace_info.extent_type.empty ()
      || (dspace_info.extent_type == "Empty" && ! any_type))
    {
      lastError = "Empty HDF5 dataspace";
      return false;
    }
  if (dspace_info.extent_type == "Empty")
    {
      octave_dims = dim_vector (0, 0);
      return true;
    }
  if (dspace_info.extent_type == "Scalar")
    {
      octave_dims = dim_vector (1, 1);
      return true;
    }

  octave_idx_type n = dspace_info.dims.numel ();
  for (octave_idx_type k = 0; k < n; k++)
    if (dspace_info.dims(k).value () > max_index)
      throw h5::DataSpaceException ("The dataspace's extents are too large for Octave");
  if (n == 0)
    octave_dims = dim_vector (1, 1);
  else if (n == 1)
    octave_dims = dim_vector (1, dspace_info.dims(0).value ());
  else
    {
      octave_dims = dim_vector ();
      octave_dims.resize (n);
      for (octave_idx_type k = 0; k < n; k++)
        octave_dims(k) = dspace_info.dims(k).value ();
    }
  return true;
}

h5::DataSpace
data_exchange::from_dim_vector (const dim_vector& dims)
{
  if (dims.ndims () == 2 && dims(0) == 1)
    {
      if (dims(1) == 1)
        return h5::DataSpace (h5::DataSpace::dataspace_scalar);
      return h5::DataSpace (std::vector<hsize_t> {static_cast<hsize_t> (dims(1))});
    }
  int n = dims.ndims ();
  std::vector<hsize_t> extents (n);
  for (int k = 0; k < n; k++)
    extents[n - 1 - k] = dims(k);
  return h5::DataSpace (extents);
}

// ------------------------------------------------------------ dataset reads

octave_value
data_exchange::read ()
{
  octave_value result;
  if (type_spec == "string")
    return read_string ();
  dispatch_numeric (transfer_spec (type_spec), [&] (auto t)
                    { result = read_impl<typename decltype (t)::type> (); });
  return result;
}

template <typename T>
octave_value
data_exchange::read_impl ()
{
  // Chunks whose filters the module applies itself are decoded on worker
  // threads; everything else is one H5Dread.
  return read_array<T> (octave_dims, "Unable to read the dataset",
                        [&] (const h5::DataType& type, void *buf)
                        {
                          if (! chunks::read (*dataset, dspace, type, buf))
                            dataset->read (type, from_dim_vector (octave_dims),
                                           dspace, buf);
                        });
}

octave_value
data_exchange::read_string ()
{
  Array<std::string> strings (octave_dims);
  bool reclaimed = read_strings (strings, dtype, dtype_info.size,
                                 "Unable to read the dataset",
                                 [&] (void *buf)
                                 {
                                   dataset->read (dtype, from_dim_vector (octave_dims),
                                                  dspace, buf);
                                 });
  if (! reclaimed)
    {
      lastError = "Error in call to H5Dvlen_reclaim";
      return octave_value ();
    }
  return strings_value (strings);
}

// --------------------------------------------------------------- hyperslabs

bool
data_exchange::selectHyperslab (uint64NDArray start, uint64NDArray count,
                                uint64NDArray stride, bool extend)
{
  if (dspace_info.extent_type == "Scalar")
    {
      lastError = "Hyperslab selection not possible for scalar datasets";
      return false;
    }
  if (dspace_info.extent_type == "Empty")
    {
      lastError = "Hyperslab selection not possible. Dataset is NULL";
      return false;
    }

  octave_idx_type rank = dspace_info.dims.numel ();
  std::size_t R = static_cast<std::size_t> (rank);
  bool has_stride = stride.numel () > 0;
  auto too_short = [&] (const uint64NDArray& v, const char *what)
  {
    lastError = std::string (what) + " has " + std::to_string (v.numel ())
                + " entries but the dataset has " + std::to_string (rank)
                + " dimensions";
  };
  if (start.numel () < rank)
    return too_short (start, "start"), false;
  if (count.numel () < rank)
    return too_short (count, "count"), false;
  if (has_stride && stride.numel () < rank)
    return too_short (stride, "stride"), false;

  std::vector<hsize_t> offset (R), cnt (R), step (R);
  std::vector<hsize_t> extents = dspace.getDimensions ();
  bool grow = false;
  for (std::size_t j = 0; j < R; j++)
    {
      std::size_t i = R - 1 - j;
      uint64_t s = start(j).value ();
      uint64_t c = count(j).value ();
      uint64_t t = has_stride ? stride(j).value () : 1;
      if (s == 0 || c == 0 || t == 0)
        {
          lastError = "start, count and stride entries must be at least 1";
          return false;
        }
      // needed = s + (c - 1) * t, the 1-based index of the last element.
      uint64_t span;
      if (__builtin_mul_overflow (c - 1, t, &span)
          || __builtin_add_overflow (s, span, &span) || span > max_index)
        {
          lastError = "the end index of the selection is too large";
          return false;
        }
      offset[i] = s - 1;
      cnt[i] = c;
      step[i] = t;
      uint64_t needed = span;
      if (needed <= extents[i])
        continue;
      if (! extend)
        {
          lastError = "hyperslab selection beyond the dataset's size";
          return false;
        }
      // An extent equal to a finite maximum is still allowed.
      if (needed > dspace_info.max_dims(j).value ())
        {
          lastError = "Hyperslab selection superseeds size of non-extensible dataset";
          return false;
        }
      extents[i] = needed;
      grow = true;
    }

  // The dataset itself grows in extend (), once the space for the write
  // has been set aside.
  if (grow)
    {
      new_extents = extents;
      h5::DataSpace grown (extents, dspace.getMaxDimensions ());
      dspace = grown.selectHyperslab (offset, cnt, step);
    }
  else
    dspace = dataset->getSpace ().selectHyperslab (offset, cnt, step);

  if (R == 1)
    octave_dims(1) = count(0).value ();
  else
    {
      octave_dims = dim_vector ();
      octave_dims.resize (rank);
      for (octave_idx_type k = 0; k < rank; k++)
        octave_dims(k) = count(k).value ();
    }
  return true;
}

void
data_exchange::extend ()
{
  if (new_extents.empty ())
    return;
  dataset->resize (new_extents);
  new_extents.clear ();
}

// ------------------------------------------------------------- value intake

bool
data_exchange::assign (octave_value v)
{
  reset ();
  if (v.islogical ())
    type_spec = "logical";
  else if (v.isinteger ())
    {
      if (v.is_uint64_type ()) type_spec = "uint64";
      else if (v.is_int64_type ()) type_spec = "int64";
      else if (v.is_uint32_type ()) type_spec = "uint32";
      else if (v.is_int32_type ()) type_spec = "int32";
      else if (v.is_uint16_type ()) type_spec = "uint16";
      else if (v.is_int16_type ()) type_spec = "int16";
      else if (v.is_uint8_type ()) type_spec = "uint8";
      else if (v.is_int8_type ()) type_spec = "int8";
    }
  else if (v.isreal ())
    {
      if (v.is_double_type ()) type_spec = "double";
      else if (v.is_single_type ()) type_spec = "single";
    }
  else if (v.iscomplex ())
    {
      if (v.is_double_type ()) type_spec = "double complex";
      else if (v.is_single_type ()) type_spec = "single complex";
    }
  else if (v.iscellstr ())
    type_spec = "string";

  if (type_spec.empty ())
    {
      lastError = "Unsupported Octave data of class '" + v.class_name () + "'";
      return false;
    }

  dtype = h5type_from_spec (type_spec);
  dspace = h5::DataSpace (h5::DataSpace::dataspace_scalar);
  octave_dims = v.dims ();
  int n = octave_dims.ndims ();
  if (element_count (octave_dims) > 1)
    {
      std::vector<hsize_t> extents (n);
      for (int k = 0; k < n; k++)
        extents[n - 1 - k] = octave_dims(k);
      dspace = h5::DataSpace (extents);
    }
  dspace_info.assign (dspace);
  value = v;
  return true;
}

std::vector<char>
data_exchange::raw_elements () const
{
  std::vector<char> bytes;
  dispatch_numeric (type_spec, [&] (auto t)
  {
    using T = typename decltype (t)::type;
    const auto array = elements_of<T> (value);
    const char *p = reinterpret_cast<const char *> (array.data ());
    bytes.assign (p, p + array.numel () * sizeof (T));
  });
  return bytes;
}

bool
data_exchange::assign_text (const Array<std::string>& strings, bool scalar,
                            bool utf8)
{
  reset ();
  octave_idx_type count = strings.numel ();
  if (count == 0 || (scalar && count != 1))
    {
      lastError = "the value has no elements to write";
      return false;
    }
  std::size_t size = 1;
  for (octave_idx_type i = 0; i < count; i++)
    {
      const std::string& s = strings(i);
      size = std::max (size, s.size ());
      for (unsigned char c : s)
        utf8 = utf8 || c >= 128;
    }
  text_bytes.assign (count * size, '\0');
  for (octave_idx_type i = 0; i < count; i++)
    std::copy (strings(i).begin (), strings(i).end (),
               text_bytes.begin () + i * size);

  type_spec = "string";
  dtype = h5::fixed_length_string (size, utf8);
  if (scalar)
    dspace = h5::DataSpace (h5::DataSpace::dataspace_scalar);
  else
    dspace = h5::DataSpace (std::vector<hsize_t> {static_cast<hsize_t> (count)});
  dspace_info.assign (dspace);
  octave_dims = scalar ? dim_vector (1, 1) : dim_vector (1, count);
  return true;
}

bool
data_exchange::isCompatible (const data_exchange& target)
{
  if (type_spec != target.type_spec)
    {
      lastError = "different datatype specs";
      return false;
    }
  if (dtype.getSize () != target.dtype.getSize ())
    {
      lastError = "different datatype size";
      return false;
    }

  // A value fits when both Octave shapes agree once trailing singleton
  // dimensions are dropped; a one-dimensional dataset also takes a column.
  dim_vector mine = trimmed (octave_dims);
  dim_vector theirs = trimmed (target.octave_dims);
  if (mine == theirs)
    return true;
  bool one_dimensional = target.dspace_info.extent_type == "Simple"
                         && target.dspace_info.dims.numel () == 1;
  if (one_dimensional && mine.ndims () == 2 && mine(1) == 1
      && mine(0) == theirs(1))
    return true;

  if (dspace_info.extent_type == "Scalar"
      || target.dspace_info.extent_type == "Scalar")
    lastError = "different dataspaces extent type";
  else if (mine.ndims () != theirs.ndims ())
    lastError = "different dataspace dimensionality";
  else
    lastError = "different number of elements";
  return false;
}

void
data_exchange::write (const data_exchange& target)
{
  if (type_spec == "string")
    {
      write_string (target);
      return;
    }
  dispatch_numeric (type_spec, [&] (auto t)
                    { write_impl<typename decltype (t)::type> (target); });
}

template <typename T>
void
data_exchange::write_impl (const data_exchange& target)
{
  // data () instead of fortran_vec (): the value's storage is shared with
  // the caller's variable and must not be copied on the way to HDF5.
  const auto array = elements_of<T> (value);
  h5::DataType mem_type = h5traits<T>::predType ();
  if (! chunks::write (*target.dataset, target.dspace, mem_type, array.data ()))
    target.dataset->write (mem_type, dspace, target.dspace, array.data ());
}

void
data_exchange::write_string (const data_exchange& target)
{
  Array<std::string> strings = value.cellstr_value ();
  std::vector<const char *> ptrs (strings.numel ());
  for (octave_idx_type i = 0; i < strings.numel (); i++)
    ptrs[i] = strings(i).c_str ();
  target.dataset->write (dtype, dspace, target.dspace,
                         ptrs.empty () ? nullptr : ptrs.data ());
}

// ------------------------------------------------------------ disk space

namespace {

// Bytes of the strings of a value headed for variable-length storage, with
// the heap overhead of each.
long double
string_bytes (const octave_value& v)
{
  long double bytes = 0;
  if (v.iscell ())
    {
      const Cell c = v.cell_value ();
      for (octave_idx_type i = 0; i < c.numel (); i++)
        bytes += c(i).numel () + 32;
    }
  else
    bytes = v.numel () + 32 * (v.ndims () > 1 ? v.rows () : 1);
  return bytes;
}

uint64_t
saturated (long double bytes)
{
  return bytes >= 1.8e19L ? UINT64_MAX : static_cast<uint64_t> (bytes);
}

} // namespace

uint64_t
data_exchange::storage_need (const data_exchange& target) const
{
  long double need = metadata_headroom;
  // A variable-length element is stored as a 16-byte heap reference.
  long double element = (target.dtype_info.size == all_ones)
                        ? 16 : static_cast<long double> (target.dtype_info.size);
  std::vector<hsize_t> dims = target.new_extents.empty ()
                              ? target.dspace.getDimensions ()
                              : target.new_extents;
  std::vector<hsize_t> chunk = target.dataset->getChunkDims (dims.size ());
  std::vector<hsize_t> lo, hi;
  if (! chunk.empty () && target.dspace.getSelectBounds (lo, hi))
    {
      // Every chunk the selection's bounding box touches may be new, plus
      // its index entry and some slack for compression that does not pay.
      long double chunks = 1, per_chunk = element;
      for (std::size_t i = 0; i < chunk.size (); i++)
        {
          chunks *= static_cast<long double> (hi[i] / chunk[i] - lo[i] / chunk[i] + 1);
          per_chunk *= chunk[i];
        }
      need += chunks * (per_chunk * (1 + 1.0L / 64) + 64);
    }
  else if (target.dataset->getStorageSize () == 0)
    {
      // Contiguous storage is allocated whole at the first write.
      long double elements = 1;
      for (hsize_t d : dims)
        elements *= d;
      need += elements * element;
    }
  if (type_spec == "string")
    need += string_bytes (value);
  return saturated (need);
}

uint64_t
data_exchange::attribute_need () const
{
  long double need = metadata_headroom;
  if (! text_bytes.empty ())
    need += text_bytes.size ();
  else
    need += (type_spec == "string") ? string_bytes (value)
                                    : static_cast<long double> (value.byte_size ());
  return saturated (need);
}

// -------------------------------------------------------- attribute reads

octave_value
data_exchange::read_attribute ()
{
  octave_value result;
  if (type_spec == "string")
    return read_string_attr ();
  dispatch_numeric (transfer_spec (type_spec), [&] (auto t)
                    { result = read_attr_impl<typename decltype (t)::type> (); });
  return result;
}

template <typename T>
octave_value
data_exchange::read_attr_impl ()
{
  // The native memory type of the element: HDF5 converts byte order and
  // width, so attributes of any byte order arrive with their true values.
  return read_array<T> (octave_dims, "Unable to read attribute",
                        [&] (const h5::DataType& type, void *buf)
                        { attribute->read (type, buf); });
}

octave_value
data_exchange::read_string_attr ()
{
  if (! attribute)
    {
      lastError = "Read requested from null attribute";
      return octave_value ();
    }
  Array<std::string> strings (octave_dims);
  bool reclaimed = read_strings (strings, dtype, dtype_info.size,
                                 "Unable to read attribute",
                                 [&] (void *buf) { attribute->read (dtype, buf); });
  if (! reclaimed)
    {
      lastError = "Error in call to H5Dvlen_reclaim";
      throw h5::AttributeException ("Failed to reclaim HDF5 internal memory");
    }
  return strings_value (strings);
}

// ------------------------------------------------------- attribute writes

bool
data_exchange::write_as_attribute (h5::Attribute& attr)
{
  if (type_spec == "string")
    write_string_attr (attr);
  else
    dispatch_numeric (type_spec, [&] (auto t)
                      { write_attr_impl<typename decltype (t)::type> (attr); });
  return true;
}

template <typename T>
void
data_exchange::write_attr_impl (h5::Attribute& attr)
{
  const auto array = elements_of<T> (value);
  attr.write (h5traits<T>::predType (), array.data ());
}

void
data_exchange::write_string_attr (h5::Attribute& attr)
{
  if (! text_bytes.empty ())
    {
      attr.write (dtype, text_bytes.data ());
      return;
    }
  Array<std::string> strings = value.cellstr_value ();
  std::vector<const char *> ptrs (strings.numel ());
  for (octave_idx_type i = 0; i < strings.numel (); i++)
    ptrs[i] = strings(i).c_str ();
  attr.write (dtype, ptrs.empty () ? nullptr : ptrs.data ());
}

} // namespace tolvane
