// File introspection: the records behind h5info, filled by a walk of the
// file and rendered as nested Octave structs.

#ifndef TOLVANE_INFO_H
#define TOLVANE_INFO_H

#include <octave/oct.h>
#include <octave/oct-map.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "description.h"
#include "h5.h"

// PARENT + "/" + NAME, with a single slash between them.
std::string h5_concat_path (const std::string& parent, const std::string& name);

namespace tolvane {

// One group's place on the path of a walk of the file.  ON_PATH holds the
// identities of the groups from the top of the walk down to the current one:
// a group already on it (reached again by a link back to an ancestor) is not
// entered again, and no group is entered below max_depth () levels.  An
// entered group is taken off the path when the entry ends.
class path_entry
{
public:
  enum status_t { entered, on_path, too_deep };

  path_entry (std::set<std::string>& on_path, const h5::Annotated& group);
  ~path_entry ();
  path_entry (const path_entry&) = delete;
  path_entry& operator = (const path_entry&) = delete;

  status_t status () const { return m_status; }

  // The deepest nesting of groups a walk enters.
  static std::size_t max_depth ();

private:
  std::set<std::string>& m_on_path;
  std::string m_key;
  status_t m_status = too_deep;
};

// A committed datatype met by the walk.
struct named_dtype_info_t
{
  std::string name;

  octave_scalar_map oct_map () const;
};

struct dset_info_t
{
  std::string name;
  dtype_info_t dtype_info;
  dspace_info_t dspace_info;
  uint64NDArray chunk_size = uint64NDArray (dim_vector (0, 0));
  std::map<std::string, octave_value> attributes;

  void assign (const h5::DataSet& dataset, const std::string& path);
  octave_scalar_map oct_map () const;
};

struct group_info_t
{
  std::string name;
  std::vector<group_info_t> groups;
  std::vector<dset_info_t> datasets;
  std::vector<named_dtype_info_t> datatypes;
  std::map<std::string, octave_value> attributes;

  void assign (const h5::Group& group, const std::string& path);
  octave_scalar_map oct_map () const;

private:
  // ON_PATH holds the groups from the top of the walk down to this one; a
  // link back to one of them is listed but not entered again.
  void walk (const h5::Group& group, const std::string& path,
             std::set<std::string>& on_path);
};

} // namespace tolvane

#endif
