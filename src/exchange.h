// Data exchange: one Octave value bound to one HDF5 dataset or attribute.

#ifndef TOLVANE_EXCHANGE_H
#define TOLVANE_EXCHANGE_H

#include <octave/oct.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "description.h"
#include "h5.h"

namespace tolvane {

// Text of the most recent failure of the module's own checks.
extern std::string lastError;

// Refuses a transfer buffer of DIMS elements of ELEM_SIZE bytes that cannot
// exist in this machine's memory (the product saturates instead of
// overflowing); raises h5::DataSpaceException with CONTEXT.
void ensure_allocatable (const dim_vector& dims, uint64_t elem_size,
                         const std::string& context);

// Frees the variable-length memory HDF5 allocated in BUF for elements of
// TYPE laid out as SPACE; false when HDF5 could not.
bool reclaim_vlen (const h5::DataType& type, const h5::DataSpace& space,
                   void *buf);

// Receives the native memory type of the element and the array's storage.
using numeric_reader = std::function<void (const h5::DataType&, void *)>;

// An array of shape DIMS of the numeric or logical type spec SPEC (wider
// integer specs through their transfer class), filled by READ straight into
// its storage (READ is not called when DIMS has no elements); undefined when
// SPEC names no such class.
octave_value read_numeric (const std::string& spec, const dim_vector& dims,
                           const std::string& context,
                           const numeric_reader& read);

class data_exchange
{
public:
  octave_value value;
  h5::DataSet *dataset = nullptr;
  const h5::Attribute *attribute = nullptr;
  h5::DataType dtype;
  dtype_info_t dtype_info;
  h5::DataSpace dspace;
  dspace_info_t dspace_info;
  std::string type_spec;
  dim_vector octave_dims;
  // Extents a write must give the dataset first (HDF5 order); empty when
  // the selection fits.
  std::vector<hsize_t> new_extents;
  // Set before binding to accept datatypes without a type spec (type_spec
  // stays empty) and null dataspaces (octave_dims 0x0); kept by reset ().
  bool any_type = false;
  // The elements of a fixed-length string value, back to back; empty for
  // every other value.
  std::vector<char> text_bytes;

  data_exchange ();
  data_exchange (const data_exchange&) = delete;
  data_exchange& operator = (const data_exchange&) = delete;

  void reset ();

  // Binding to a dataset, an attribute, or a datatype and dataspace.
  bool assign (h5::DataSet *ds);
  bool assign (const h5::Attribute *attr);
  bool assign (const h5::DataType& type, const h5::DataSpace& space);

  // Memory dataspace of an Octave shape: 1x1 is scalar, 1xN rank one.
  static h5::DataSpace from_dim_vector (const dim_vector& dims);

  // Reading datasets.
  octave_value read ();
  template <typename T> octave_value read_impl ();
  octave_value read_string ();

  // Narrowing a dataset exchange to a regular hyperslab (1-based, Octave
  // order).  A selection past the extents is allowed when EXTEND is set and
  // the maximum extents admit it; extend () then grows the dataset.
  bool selectHyperslab (uint64NDArray start, uint64NDArray count,
                        uint64NDArray stride, bool extend);
  void extend ();

  // Value intake and writing datasets.
  bool assign (octave_value v);
  // Value intake of text stored as fixed-length NUL-terminated strings: one
  // string (a scalar) when SCALAR, else one per entry (one-dimensional).
  // Each is as long as the longest string's bytes, at least 1; the
  // character set is UTF-8 when UTF8 is set or a byte is not ASCII.
  bool assign_text (const Array<std::string>& strings, bool scalar, bool utf8);
  // The bound value's elements as bytes of dtype.
  std::vector<char> raw_elements () const;
  bool isCompatible (const data_exchange& target);
  void write (const data_exchange& target);
  template <typename T> void write_impl (const data_exchange& target);
  void write_string (const data_exchange& target);

  // Upper bounds of the file space writing this value allocates: into
  // TARGET's selection, or as an attribute; metadata included.
  uint64_t storage_need (const data_exchange& target) const;
  uint64_t attribute_need () const;

  // Reading attributes.
  octave_value read_attribute ();
  template <typename T> octave_value read_attr_impl ();
  octave_value read_string_attr ();

  // Writing attributes: an existing attribute of the name is replaced.
  template <typename Object>
  bool write_as_attribute (Object& obj, const std::string& name)
  {
    if (obj.hasAttribute (name))
      obj.deleteAttribute (name);
    h5::Attribute attr = obj.createAttribute (name, dspace, dtype);
    write_as_attribute (attr);
    return true;
  }
  bool write_as_attribute (h5::Attribute& attr);
  template <typename T> void write_attr_impl (h5::Attribute& attr);
  void write_string_attr (h5::Attribute& attr);
};

// All attributes of a group or dataset by name; an attribute that cannot
// be represented maps to an undefined value.
template <typename Object>
std::map<std::string, octave_value>
readAttributes (const Object& obj)
{
  std::map<std::string, octave_value> attrs;
  for (const std::string& name : obj.listAttributeNames ())
    {
      data_exchange ex;
      octave_value val;
      h5::Attribute attr = obj.getAttribute (name);
      if (ex.assign (&attr))
        val = ex.read_attribute ();
      attrs[name] = val;
    }
  return attrs;
}

} // namespace tolvane

// The value of attribute NAME of a group or dataset, read by READ from the
// exchange EX bound to it; raises an Octave error for a missing attribute or
// one EX cannot bind.
template <typename Object, typename Read>
octave_value
read_attr_with (const Object& obj, const std::string& name,
                tolvane::data_exchange& ex, Read&& read)
{
  if (! obj.hasAttribute (name))
    error ("h5readatt: attribute %s does not exist", name.c_str ());
  tolvane::h5::Attribute attr = obj.getAttribute (name);
  if (! ex.assign (&attr))
    error ("h5readatt: attribute %s: %s", name.c_str (),
           tolvane::lastError.c_str ());
  return read (ex);
}

#endif
