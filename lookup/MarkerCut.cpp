#include "lookup/MarkerCut.h"

#include "text/Search.h"

namespace kestrova {

Text MarkerCut(TextView text, TextView startMarker, int offset, int window, TextView endMarker,
               int trim) {
    const int p = FindText(text, startMarker);
    const Text w = MidText(text, p + offset, window);
    const int q = FindText(w, endMarker);
    return LeftText(w, q - trim);
}

Text MarkerCut(TextView text, TextView startMarker, int offset, int window, TextView endMarker,
               int trim, int searchWindow) {
    const int p = FindText(text, startMarker);
    const Text w = MidText(text, p + offset, window);
    const int q = FindText(MidText(text, p + offset, searchWindow), endMarker);
    return LeftText(w, q - trim);
}

}  // namespace kestrova
