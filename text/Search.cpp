#include "text/Search.h"

#include <algorithm>
#include <cstdint>

#include "text/GbkChar.h"

namespace kestrova {

namespace {

std::int64_t Size(TextView text) {
    return static_cast<std::int64_t>(text.size());
}

// Whether sought stands at text[pos..]; the caller guarantees room for it.
// Without case only single-byte characters of sought are folded: a double-byte
// character compares exactly, so a trail byte that happens to be an ASCII
// letter is never folded.
bool StandsAt(TextView text, std::size_t pos, TextView sought, bool foldCase) {
    if (!foldCase) {
        return text[pos] == sought[0] && text.compare(pos, sought.size(), sought) == 0;
    }
    std::size_t k = 0;
    while (k < sought.size()) {
        const auto s = static_cast<unsigned char>(sought[k]);
        const auto t = static_cast<unsigned char>(text[pos + k]);
        const std::size_t width = GbkCharWidth(sought, k);
        if (width == 2) {
            if (s != t || sought[k + 1] != text[pos + k + 1]) {
                return false;
            }
        } else if (AsciiLower(s) != AsciiLower(t)) {
            return false;
        }
        k += width;
    }
    return true;
}

bool IsSpaceAt(TextView text, std::size_t i) {
    if (text[i] == ' ') {
        return true;
    }
    return static_cast<unsigned char>(text[i]) == 0xA1 && i + 1 < text.size() &&
           static_cast<unsigned char>(text[i + 1]) == 0xA1;
}

}  // namespace

int FindText(TextView text, TextView sought, int start, bool ignoreCase) {
    const std::int64_t from = std::max(start, 1);
    if (from > Size(text)) {
        return -1;  // also the empty text
    }
    if (sought.empty()) {
        return 1;
    }
    std::size_t pos = static_cast<std::size_t>(from - 1);
    while (pos + sought.size() <= text.size()) {
        if (StandsAt(text, pos, sought, ignoreCase)) {
            return static_cast<int>(pos + 1);
        }
        pos += IsGbkLead(static_cast<unsigned char>(text[pos])) ? 2 : 1;
    }
    return -1;
}

Text MidText(TextView text, int start, int count) {
    if (start < 1 || start > Size(text) || count <= 0) {
        return {};
    }
    const std::int64_t length = std::min<std::int64_t>(count, Size(text) - start + 1);
    return Text(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
}

Text LeftText(TextView text, int count) {
    if (count <= 0) {
        return {};
    }
    return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text RightText(TextView text, int count) {
    if (count <= 0) {
        return {};
    }
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(count));
    return Text(text.substr(text.size() - length));
}

int TextLength(TextView text) {
    return static_cast<int>(text.size());
}

Text ReplaceSubText(TextView text, TextView sought, TextView replacement, int start, int maxCount,
                    bool caseSensitive) {
    const std::int64_t from = std::max(start, 1);
    if (text.empty() || sought.empty() || from - 1 >= Size(text) || maxCount == 0) {
        return Text(text);
    }
    Text out;
    out.reserve(text.size());
    std::size_t pos = static_cast<std::size_t>(from - 1);
    out.append(text.substr(0, pos));
    int made = 0;
    while (text.size() - pos >= sought.size()) {
        if (StandsAt(text, pos, sought, !caseSensitive)) {
            out.append(replacement);
            pos += sought.size();
            ++made;
            // Any negative maximum means no limit, like kUnlimited.
            if (maxCount > 0 && made >= maxCount) {
                break;
            }
        } else {
            const std::size_t width = GbkCharWidth(text, pos);
            out.append(text.substr(pos, width));
            pos += width;
        }
    }
    out.append(text.substr(pos));
    return out;
}

TextArray SplitText(TextView text, TextView delimiter, int maxPieces) {
    TextArray pieces;
    if (text.empty()) {
        return pieces;
    }
    if (delimiter.empty()) {
        pieces.Append(Text(text));
        return pieces;
    }
    if (maxPieces == 0) {
        return pieces;
    }
    std::size_t cut = 0;
    std::size_t pos = 0;
    while (pos + delimiter.size() <= text.size()) {
        if (text.compare(pos, delimiter.size(), delimiter) == 0) {
            pieces.Append(Text(text.substr(cut, pos - cut)));
            pos += delimiter.size();
            cut = pos;
            if (maxPieces > 0 && pieces.Count() >= maxPieces) {
                return pieces;  // the rest is dropped
            }
        } else {
            pos += GbkCharWidth(text, pos);
        }
    }
    if (cut < text.size()) {
        pieces.Append(Text(text.substr(cut)));
    }
    return pieces;
}

Text TrimSpaces(TextView text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsSpaceAt(text, begin)) {
        begin += text[begin] == ' ' ? 1 : 2;
    }
    // Walk forward by characters so that an A1 trail byte of a real character
    // is never mistaken for half of a trailing full-width space.
    std::size_t end = begin;
    std::size_t pos = begin;
    while (pos < text.size()) {
        if (IsSpaceAt(text, pos)) {
            pos += text[pos] == ' ' ? 1 : 2;
        } else {
            pos += GbkCharWidth(text, pos);
            end = pos;
        }
    }
    return Text(text.substr(begin, end - begin));
}

Text ToUpper(TextView text) {
    Text out(text);
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t width = GbkCharWidth(out, pos);
        if (width == 1 && out[pos] >= 'a' && out[pos] <= 'z') {
            out[pos] = static_cast<char>(out[pos] - ('a' - 'A'));
        }
        pos += width;
    }
    return out;
}

}  // namespace kestrova
