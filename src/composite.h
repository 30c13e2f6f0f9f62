// Composite datatypes: the Octave values of compound, enumeration,
// variable-length, array, opaque, bitfield and reference data, and of null
// dataspaces, for data_exchange bindings made with any_type set.

#ifndef TOLVANE_COMPOSITE_H
#define TOLVANE_COMPOSITE_H

#include <octave/oct.h>

#include <string>

#include "exchange.h"

namespace tolvane {

// The value of what EX is bound to: the selection of its dataset or its
// whole attribute.  Types with a type spec read as data_exchange reads them,
// except that fixed-length strings lose their padding.  PREFIX ("h5read",
// "h5readatt") heads the messages of the errors raised.
octave_value read_any (data_exchange& ex, const std::string& prefix);

} // namespace tolvane

#endif
