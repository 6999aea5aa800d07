// District codes as a page may give them.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "lookup/RegionTable.h"

namespace kestrova::fuzz {

int FuzzRegionName(const std::uint8_t* data, std::size_t size) {
    const Text code = AsPageText(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text name = LookUpRegionName(code);
    // Two names of at most 99 escaped bytes each.
    FuzzCheck(name.size() <= 400, "a region name longer than two table names");
    FuzzCheck(!code.empty() || name.empty(), "an empty code gave a name");
    return 0;
}

}  // namespace kestrova::fuzz
