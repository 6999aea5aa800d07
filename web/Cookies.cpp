#include "web/Cookies.h"

#include <vector>

#include "text/Search.h"

namespace kestrova {
namespace {

// Trimmed, and ending in ";" unless empty.
Text Terminated(TextView cookies) {
    Text t = TrimSpaces(cookies);
    if (!t.empty() && t.back() != ';') {
        t += ';';
    }
    return t;
}

Text ItemName(TextView item) {
    const int equals = FindText(item, "=");
    return TrimSpaces(LeftText(item, equals - 1));
}

bool SameName(TextView a, TextView b) {
    return a.size() == b.size() && FindText(a, b, 1, true) == 1;
}

}  // namespace

Text TextBetween(TextView text, TextView startMarker, TextView endMarker) {
    const int start = FindText(text, startMarker, 1, true);
    if (start < 1) {
        return {};
    }
    const TextView rest = text.substr(start - 1 + startMarker.size());
    const int end = FindText(rest, endMarker, 1, true);
    if (end < 1) {
        return {};
    }
    return Text(rest.substr(0, end - 1));
}

Text MergeCookies(TextView oldCookies, TextView newCookies) {
    // The old text as its items; a received item replaces the old item of the
    // same name (whole names, ASCII case ignored) or is added at the end.
    std::vector<Text> items = SplitText(Terminated(oldCookies), ";").Items();
    const TextArray received = SplitText(Terminated(newCookies), ";");
    for (const Text& item : received.Items()) {
        if (FindText(item, "=") < 1) {
            continue;
        }
        const Text name = ItemName(item);
        bool replaced = false;
        for (Text& existing : items) {
            if (FindText(existing, "=") >= 1 && SameName(ItemName(existing), name)) {
                existing = item;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            items.push_back(item);
        }
    }
    // Cookies the server emptied or marked deleted are dropped.
    Text merged;
    for (const Text& item : items) {
        const Text trimmed = TrimSpaces(item);
        if (trimmed.empty() || trimmed.back() == '=' || RightText(trimmed, 8) == "=deleted") {
            continue;
        }
        merged += trimmed;
        merged += "; ";
    }
    return merged;
}

}  // namespace kestrova
