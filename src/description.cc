// Type and shape description.

#include "description.h"

#include <map>

namespace tolvane {

bool
sane_layout (const h5::DataType& type, std::size_t size, bool is_float)
{
  hid_t id = type.getId ();
  std::size_t bits = size * 8;
  std::size_t precision = H5Tget_precision (id);
  int offset = H5Tget_offset (id);
  if (precision == 0 || offset < 0 || precision + offset > bits)
    return false;
  if (! is_float)
    return true;
  std::size_t spos, epos, esize, mpos, msize;
  if (H5Tget_fields (id, &spos, &epos, &esize, &mpos, &msize) < 0)
    return false;
  return spos < bits && epos + esize <= bits && mpos + msize <= bits
         && esize > 0 && msize > 0;
}

void
dtype_info_t::assign (const h5::DataType& type)
{
  switch (type.getClass ())
    {
    case h5::DataTypeClass::Time:
      type_class = "time";
      break;

    case h5::DataTypeClass::Integer:
      type_class = "int";
      sign = (H5Tget_sign (type.getId ()) == H5T_SGN_NONE) ? "unsigned" : "signed";
      size = type.getSize ();
      if (size <= 8 && sane_layout (type, size, false))
        octave_class = (sign == "unsigned" ? "uint" : "int")
                       + std::to_string (size * 8);
      break;

    case h5::DataTypeClass::Float:
      type_class = "float";
      size = type.getSize ();
      if (! sane_layout (type, size, true))
        break;
      if (size == 4)
        octave_class = "single";
      else if (size == 8)
        octave_class = "double";
      break;

    case h5::DataTypeClass::String:
      {
        type_class = "string";
        h5::StringType str = type.asStringType ();
        size = str.isVariableStr () ? all_ones : str.getSize ();
        switch (str.getCharacterSet ())
          {
          case h5::CharacterSet::Ascii: char_set = "ascii"; break;
          case h5::CharacterSet::Utf8: char_set = "utf8"; break;
          default: break;
          }
        switch (str.getPadding ())
          {
          case h5::StringPadding::NullTerminated: padding = "nullterm"; break;
          case h5::StringPadding::NullPadded: padding = "nullpad"; break;
          case h5::StringPadding::SpacePadded: padding = "spacepad"; break;
          default: break;
          }
        // A variable-length string stores one-byte characters.
        if (sane_layout (type, str.isVariableStr () ? 1 : str.getSize (), false))
          octave_class = "string";
      }
      break;

    case h5::DataTypeClass::BitField:
      type_class = "bitfield";
      break;

    case h5::DataTypeClass::Opaque:
      type_class = "opaque";
      break;

    case h5::DataTypeClass::Compound:
      type_class = "compound";
      if (type == h5::complex_type<double> ())
        {
          octave_class = "double complex";
          size = type.getSize ();
        }
      else if (type == h5::complex_type<float> ())
        {
          octave_class = "single complex";
          size = type.getSize ();
        }
      break;

    case h5::DataTypeClass::Reference:
      type_class = "reference";
      break;

    case h5::DataTypeClass::Enum:
      type_class = "enum";
      if (type == h5traits<bool>::predType ())
        {
          octave_class = "logical";
          size = type.getSize ();
        }
      break;

    case h5::DataTypeClass::VarLen:
      type_class = "vlen";
      break;

    case h5::DataTypeClass::Array:
      type_class = "array";
      break;

    case h5::DataTypeClass::Invalid:
      break;
    }
}

void
dspace_info_t::assign (const h5::DataSpace& space)
{
  switch (space.getExtentType ())
    {
    case H5S_SCALAR:
      extent_type = "Scalar";
      break;

    case H5S_NULL:
      extent_type = "Empty";
      break;

    case H5S_SIMPLE:
      {
        extent_type = "Simple";
        std::size_t rank = space.getNumberDimensions ();
        octave_idx_type n = static_cast<octave_idx_type> (rank);
        dims = uint64NDArray (dim_vector (1, n));
        max_dims = uint64NDArray (dim_vector (1, n));
        std::vector<hsize_t> cur = space.getDimensions ();
        std::vector<hsize_t> max = space.getMaxDimensions ();
        for (std::size_t k = 0; k < rank; k++)
          {
            dims(k) = cur[rank - 1 - k];
            max_dims(k) = max[rank - 1 - k];
          }
      }
      break;

    default:
      break;
    }
}

octave_scalar_map
dtype_info_t::oct_map () const
{
  std::map<std::string, octave_value> fields;
  fields["Class"] = type_class;
  fields["OctaveClass"] = octave_class;
  if (size == all_ones)
    fields["Size"] = "H5T_VARIABLE";
  else if (size != 0)
    fields["Size"] = static_cast<double> (size);
  if (! sign.empty ())
    fields["Sign"] = sign;
  if (! char_set.empty ())
    fields["charSet"] = char_set;
  if (! padding.empty ())
    fields["Pading"] = padding;
  return octave_scalar_map (fields);
}

octave_scalar_map
dspace_info_t::oct_map () const
{
  std::map<std::string, octave_value> fields;
  fields["ExtentType"] = extent_type;
  fields["Size"] = dims;
  octave_idx_type n = max_dims.numel ();
  RowVector max (n);
  for (octave_idx_type k = 0; k < n; k++)
    {
      uint64_t m = max_dims(k).value ();
      max(k) = (m == all_ones) ? octave_Inf : static_cast<double> (m);
    }
  fields["MaxSize"] = max;
  return octave_scalar_map (fields);
}

h5::DataType
h5type_from_spec (const std::string& spec)
{
  if (spec == "int64") return h5traits<long>::predType ();
  if (spec == "double complex") return h5::complex_type<double> ();
  if (spec == "single complex") return h5::complex_type<float> ();
  if (spec == "double") return h5traits<double>::predType ();
  if (spec == "single") return h5traits<float>::predType ();
  if (spec == "uint64") return h5traits<unsigned long>::predType ();
  if (spec == "uint32") return h5traits<unsigned int>::predType ();
  if (spec == "int32") return h5traits<int>::predType ();
  if (spec == "uint16") return h5traits<unsigned short>::predType ();
  if (spec == "int16") return h5traits<short>::predType ();
  if (spec == "uint8") return h5traits<unsigned char>::predType ();
  if (spec == "int8") return h5traits<signed char>::predType ();
  if (spec == "logical") return h5traits<bool>::predType ();
  if (spec == "string") return h5traits<std::string>::predType ();
  return h5::DataType ();
}

std::string
transfer_spec (const std::string& spec)
{
  static const std::map<std::string, std::string> wider = {
    {"int24", "int32"}, {"uint24", "uint32"},
    {"int40", "int64"}, {"uint40", "uint64"},
    {"int48", "int64"}, {"uint48", "uint64"},
    {"int56", "int64"}, {"uint56", "uint64"},
  };
  auto it = wider.find (spec);
  return it == wider.end () ? spec : it->second;
}

} // namespace tolvane
