#include "web/Cookies.h"

#include <unordered_map>
#include <vector>

#include "text/GbkChar.h"
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

// Names compare with ASCII case ignored in their single-byte characters; a
// double-byte character compares exactly (its trail byte may look like a
// letter). Two names are the same exactly when their keys are equal, so a
// lookup table can stand in for comparing every pair.
Text NameKey(TextView name) {
    Text key(name);
    for (std::size_t i = 0; i < key.size(); i += GbkCharWidth(key, i)) {
        if (GbkCharWidth(key, i) == 1) {
            key[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(key[i])));
        }
    }
    return key;
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
    // A server may send thousands of cookies with one page: each name is
    // looked up in a table of the names so far, not compared with every item.
    std::vector<Text> items = SplitText(Terminated(oldCookies), ";").Items();
    std::unordered_map<Text, std::size_t> firstOfName;
    // An empty name is the same as no other, not even another empty one.
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Text key = FindText(items[i], "=") >= 1 ? NameKey(ItemName(items[i])) : Text();
        if (!key.empty()) {
            firstOfName.emplace(key, i);
        }
    }
    const TextArray received = SplitText(Terminated(newCookies), ";");
    for (const Text& item : received.Items()) {
        if (FindText(item, "=") < 1) {
            continue;
        }
        const Text key = NameKey(ItemName(item));
        if (key.empty()) {
            items.push_back(item);
            continue;
        }
        const auto [at, added] = firstOfName.emplace(key, items.size());
        if (added) {
            items.push_back(item);
        } else {
            items[at->second] = item;
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
