// Type and shape description: the type spec vocabulary, the classification
// of HDF5 datatypes and the description of HDF5 dataspaces in Octave order.

#ifndef TOLVANE_DESCRIPTION_H
#define TOLVANE_DESCRIPTION_H

#include <octave/oct.h>
#include <octave/oct-map.h>

#include <complex>
#include <string>

#include "h5.h"

namespace tolvane {

// The size that marks a variable-length string, and the maximum extent
// that marks an unlimited dimension: both the all-ones 64-bit value.
constexpr uint64_t all_ones = ~uint64_t (0);

// Classification of one HDF5 datatype.
struct dtype_info_t
{
  std::string type_class;    // "int", "float", "string", "compound", ...
  std::string octave_class;  // the type spec; empty when there is none
  uint64_t size = 0;         // bytes per element, all_ones for vlen strings
  std::string sign;          // integers: "signed" or "unsigned"
  std::string char_set;      // strings: "ascii" or "utf8"
  std::string padding;       // strings: "nullterm", "nullpad", "spacepad"

  void assign (const h5::DataType& type);
  octave_scalar_map oct_map () const;
};

// Description of one HDF5 dataspace, extents in Octave order.
struct dspace_info_t
{
  std::string extent_type;   // "Simple", "Scalar" or "Empty"
  uint64NDArray dims;        // 1 x rank, HDF5 extents reversed
  uint64NDArray max_dims;    // same shape; all_ones for unlimited

  dspace_info_t () : dims (dim_vector (0, 0)), max_dims (dim_vector (0, 0)) { }

  void assign (const h5::DataSpace& space);
  octave_scalar_map oct_map () const;
};

// The HDF5 memory datatype of each element type.
template <typename T> struct h5traits;

#define TOLVANE_NATIVE_TRAIT(T, NATIVE)                                       \
  template <> struct h5traits<T>                                              \
  {                                                                           \
    static h5::DataType predType () { return h5::copy_of (NATIVE); }          \
  }

TOLVANE_NATIVE_TRAIT (double, H5T_NATIVE_DOUBLE);
TOLVANE_NATIVE_TRAIT (float, H5T_NATIVE_FLOAT);
TOLVANE_NATIVE_TRAIT (unsigned long, H5T_NATIVE_ULONG);
TOLVANE_NATIVE_TRAIT (long, H5T_NATIVE_LONG);
TOLVANE_NATIVE_TRAIT (unsigned int, H5T_NATIVE_UINT);
TOLVANE_NATIVE_TRAIT (int, H5T_NATIVE_INT);
TOLVANE_NATIVE_TRAIT (unsigned short, H5T_NATIVE_USHORT);
TOLVANE_NATIVE_TRAIT (short, H5T_NATIVE_SHORT);
TOLVANE_NATIVE_TRAIT (unsigned char, H5T_NATIVE_UCHAR);
TOLVANE_NATIVE_TRAIT (signed char, H5T_NATIVE_SCHAR);

#undef TOLVANE_NATIVE_TRAIT

template <> struct h5traits<bool>
{
  static h5::DataType predType () { return h5::create_enum_boolean (); }
};

template <> struct h5traits<std::string>
{
  static h5::DataType predType () { return h5::variable_length_string (); }
};

// The complex types have no h5traits entry; their memory type is the
// compound of a real and an imaginary member.
template <typename T> struct h5traits<std::complex<T>>
{
  static h5::DataType predType () { return h5::complex_type<T> (); }
};

// Whether the bit layout of a number or bitfield TYPE (IS_FLOAT for a float)
// fits in SIZE bytes.  A corrupted file can describe precision, offset or
// float fields that reach past the element; HDF5's conversions would then
// write past their buffers.
bool sane_layout (const h5::DataType& type, std::size_t size, bool is_float);

// The datatype for a type spec; an invalid datatype for anything else.
h5::DataType h5type_from_spec (const std::string& spec);

// The type spec through which data of type spec SPEC are transferred:
// integers of 3, 5, 6 or 7 bytes ("int24", "uint48", ...) go through the
// next wider Octave class; every other spec is its own.
std::string transfer_spec (const std::string& spec);

} // namespace tolvane

#endif
