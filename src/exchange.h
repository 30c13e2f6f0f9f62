// Data exchange: one Octave value bound to one HDF5 dataset or attribute.

#ifndef TOLVANE_EXCHANGE_H
#define TOLVANE_EXCHANGE_H

#include <octave/oct.h>

#include <map>
#include <string>
#include <vector>

#include "description.h"
#include "h5.h"

namespace tolvane {

// Text of the most recent failure of the module's own checks.
extern std::string lastError;

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

// The value of attribute NAME of a group or dataset; raises an Octave error
// for a missing or unrepresentable attribute.
template <typename Object>
octave_value
read_attr (const Object& obj, const std::string& name)
{
  if (! obj.hasAttribute (name))
    error ("h5readatt: attribute %s does not exist", name.c_str ());
  tolvane::data_exchange ex;
  tolvane::h5::Attribute attr = obj.getAttribute (name);
  if (! ex.assign (&attr))
    error ("h5readatt: attribute %s: %s", name.c_str (),
           tolvane::lastError.c_str ());
  return ex.read_attribute ();
}

#endif
