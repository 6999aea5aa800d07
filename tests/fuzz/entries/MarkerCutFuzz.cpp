// The shared cut rule, with parameters in the ranges the page steps use and
// beyond, over any text and markers.

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "lookup/MarkerCut.h"

namespace kestrova::fuzz {

int FuzzMarkerCut(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const int offset = in.Int16();
    const int window = in.Int16();
    const int trim = in.Int16();
    const int searchWindow = in.Int16();
    const std::vector<std::string> parts = in.Parts();
    const Text& text = parts[0];
    const Text start = parts.size() > 1 ? parts[1] : Text();
    const Text end = parts.size() > 2 ? parts[2] : Text();

    for (const Text& cut : {MarkerCut(text, start, offset, window, end, trim),
                            MarkerCut(text, start, offset, window, end, trim, searchWindow)}) {
        FuzzCheck(window > 0 || cut.empty(), "a cut from an empty window");
        FuzzCheck(static_cast<long long>(cut.size()) <= std::max(window, 0),
                  "a cut longer than its window");
        FuzzCheck(text.find(cut) != Text::npos, "a cut that is not part of its text");
    }
    return 0;
}

}  // namespace kestrova::fuzz
