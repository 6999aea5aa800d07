#pragma once
// Which pages each field of the window comes from. A field is fed by the
// page its value is cut from, by every page that gave that page's address,
// and, for a field the query works out from others (the counts, the
// verdicts), by every page that fed those. A lookup that did not get one of
// them shows in the field what the rules made of nothing, not the member.

#include <set>
#include <vector>

#include "form/Controls.h"
#include "lookup/PageNames.h"

namespace kestrova {

// Empty for a control the query never writes beyond clearing it.
const std::set<PageRef>& PagesFeeding(Ctl control);

// The control is fed by one of the pages.
bool FedByAnyOf(Ctl control, const std::vector<PageRef>& pages);

}  // namespace kestrova
