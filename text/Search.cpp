#include "text/Search.h"

#include <string.h>

#include <algorithm>
#include <cstdint>

#include "text/GbkChar.h"
#include "text/RuntimeFault.h"

namespace kestrova {

namespace {

std::int64_t Size(TextView text) {
    return static_cast<std::int64_t>(text.size());
}

// Whether sought stands at text[pos..] with ASCII letters folded; the caller
// guarantees room for it. Only single-byte characters of sought are folded: a
// double-byte character compares exactly, so a trail byte that happens to be
// an ASCII letter is never folded.
bool StandsAtFolded(TextView text, std::size_t pos, TextView sought) {
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

// The searches walk the text from their start position, stepping two bytes
// over a lead byte and one over anything else, and match only where the walk
// lands. Rather than take every step, they let memmem find the candidates and
// then ask whether the walk lands there.

// Whether the walk lands on pos, given known <= pos where it is known to land.
// Behind a byte that is not a lead byte the walk always lands (it either
// stepped onto that byte or over it as a trail byte); from there a run of lead
// bytes is walked in pairs. So only the run of lead bytes before pos matters.
bool WalkLandsOn(TextView text, std::size_t known, std::size_t pos) {
    std::size_t p = pos;
    while (p > known && IsGbkLead(static_cast<unsigned char>(text[p - 1]))) {
        --p;
    }
    return (pos - p) % 2 == 0;
}

// The first position where the walk from `from` lands and sought stands, or
// npos. sought is not empty.
std::size_t FindOnWalk(TextView text, TextView sought, std::size_t from) {
    std::size_t known = from;
    std::size_t pos = from;
    while (pos < text.size()) {
        const void* hit =
            memmem(text.data() + pos, text.size() - pos, sought.data(), sought.size());
        if (hit == nullptr) {
            return TextView::npos;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (WalkLandsOn(text, known, at)) {
            return at;
        }
        // The walk steps over at as the trail byte of the lead byte before it.
        known = at - 1;
        pos = at + 1;
    }
    return TextView::npos;
}

// The same with ASCII letters folded, one step at a time (the folded searches
// run over short texts only).
std::size_t FindOnWalkFolded(TextView text, TextView sought, std::size_t from) {
    std::size_t pos = from;
    while (pos + sought.size() <= text.size()) {
        if (StandsAtFolded(text, pos, sought)) {
            return pos;
        }
        pos += GbkCharWidth(text, pos);
    }
    return TextView::npos;
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
    const auto begin = static_cast<std::size_t>(from - 1);
    const std::size_t at =
        ignoreCase ? FindOnWalkFolded(text, sought, begin) : FindOnWalk(text, sought, begin);
    return at == TextView::npos ? -1 : static_cast<int>(at + 1);
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
    for (;;) {
        const std::size_t at =
            caseSensitive ? FindOnWalk(text, sought, pos) : FindOnWalkFolded(text, sought, pos);
        if (at == TextView::npos) {
            break;
        }
        out.append(text.substr(pos, at - pos));
        out.append(replacement);
        pos = at + sought.size();  // the walk goes on behind the replaced text
        ++made;
        // Any negative maximum means no limit, like kUnlimited.
        if (maxCount > 0 && made >= maxCount) {
            break;
        }
    }
    out.append(text.substr(pos));
    return out;
}

namespace {

// The walk SplitText makes: onPiece(start, length) for each piece in order.
template <typename OnPiece>
void WalkSplit(TextView text, TextView delimiter, int maxPieces, OnPiece onPiece) {
    if (text.empty()) {
        return;
    }
    if (delimiter.empty()) {
        onPiece(0, text.size());
        return;
    }
    if (maxPieces == 0) {
        return;
    }
    std::size_t cut = 0;
    int made = 0;
    for (;;) {
        const std::size_t at = FindOnWalk(text, delimiter, cut);
        if (at == TextView::npos) {
            break;
        }
        onPiece(cut, at - cut);
        ++made;
        cut = at + delimiter.size();  // the walk goes on behind the delimiter
        if (maxPieces > 0 && made >= maxPieces) {
            return;  // the rest is dropped
        }
    }
    if (cut < text.size()) {
        onPiece(cut, text.size() - cut);
    }
}

}  // namespace

TextArray SplitText(TextView text, TextView delimiter, int maxPieces) {
    TextArray pieces;
    WalkSplit(text, delimiter, maxPieces, [&](std::size_t start, std::size_t length) {
        pieces.Append(Text(text.substr(start, length)));
    });
    return pieces;
}

PieceArray PieceArray::Split(TextView text, TextView delimiter) {
    PieceArray array;
    array.delimiter_ = Text(delimiter);
    WalkSplit(text, delimiter, kUnlimited, [&](std::size_t start, std::size_t length) {
        if (array.kept_.size() < kKept) {
            array.kept_.push_back({start, length});
        }
        ++array.count_;
    });
    return array;
}

TextView PieceArray::Piece(TextView text, int index) const {
    if (index < 1) {
        RaiseIndexBelowOne();
    }
    if (index > Count()) {
        RaiseIndexAboveCount();
    }
    const auto k = static_cast<std::size_t>(index);
    if (k <= kept_.size()) {
        return text.substr(kept_[k - 1].start, kept_[k - 1].length);
    }
    if (laterIndex_ == 0 || laterIndex_ > index) {
        laterIndex_ = static_cast<int>(kept_.size());
        later_ = kept_.back();
    }
    // Beyond the kept places the text is split by the delimiter, the last
    // piece ending at the end of the text, as WalkSplit cuts it.
    while (laterIndex_ < index) {
        const std::size_t cut = later_.start + later_.length + delimiter_.size();
        const std::size_t at = FindOnWalk(text, delimiter_, cut);
        later_ = {cut, (at == TextView::npos ? text.size() : at) - cut};
        ++laterIndex_;
    }
    return text.substr(later_.start, later_.length);
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
