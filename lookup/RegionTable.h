#pragma once
// The administrative-division table: six-digit district codes to place names.

#include "text/Text.h"

namespace kestrova {

// The table as one text: rows `code:[escaped name,parent]` separated by CR LF,
// ending with "]};". Built on first use.
const Text& RegionTableText();

// The parent's name followed by the district's own name (110101 gives
// 北京市东城区, 110100 gives 北京北京市). A top-level code gives its own name
// alone; an empty code or one the table does not hold gives the empty text. The
// code is searched as written, followed by ":[", so a shorter code finds the
// first row whose code ends with it.
Text LookUpRegionName(TextView districtCode);

}  // namespace kestrova
