#include "web/ResponseHeaders.h"

#include "text/Search.h"
#include "web/Cookies.h"

namespace kestrova {

void ReadResponseHeaders(const Text& headerText, Text& redirectTarget, Text& receivedCookies) {
    receivedCookies.clear();
    const TextArray lines = SplitText(headerText, "\r\n");
    for (const Text& line : lines.Items()) {
        if (FindText(line, "Location:") >= 1) {
            redirectTarget = TrimSpaces(ReplaceSubText(line, "Location:", "", 1, 1, false));
        }
        if (FindText(line, "Set-Cookie") >= 1) {
            receivedCookies += TrimSpaces(TextBetween(line, "Set-Cookie:", ";"));
            receivedCookies += "; ";
        }
    }
}

}  // namespace kestrova
