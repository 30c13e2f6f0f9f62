// The walk behind h5disp: every link of a file listed without following
// those that do not resolve, and groups, datasets, committed datatypes and
// attributes described in full, as a tree of plain Octave structs.

#ifndef TOLVANE_WALK_H
#define TOLVANE_WALK_H

#include <octave/oct.h>
#include <octave/oct-map.h>

#include <string>

#include "h5.h"

namespace tolvane {

// The description of the object or link at LOCATION, a full path whose
// leading parts exist.  A link at LOCATION that resolves is described by
// the object it leads to.
octave_scalar_map walk_location (const h5::File& file,
                                 const std::string& location);

// The description of a datatype with the types nested in it.
octave_scalar_map describe_type (const h5::DataType& type);

} // namespace tolvane

#endif
