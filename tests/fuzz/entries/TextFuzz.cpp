// The value layer: searches and cuts with their edge rules, and the
// conversions of texts into numbers, dates and Unicode and back.

#include <cmath>
#include <cstring>

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"
#include "text/Search.h"

namespace kestrova::fuzz {
namespace {

bool FoldEqual(TextView a, TextView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

void CheckFind(const Text& text, const Text& sought, int start, bool ignoreCase) {
    const int at = FindText(text, sought, start, ignoreCase);
    if (at == -1) {
        return;
    }
    FuzzCheck(at >= 1 && (sought.empty() || at >= start), "FindText before its start");
    FuzzCheck(static_cast<std::size_t>(at - 1) + sought.size() <= text.size(),
              "FindText past the end");
    const TextView found = TextView(text).substr(static_cast<std::size_t>(at - 1), sought.size());
    FuzzCheck(ignoreCase ? FoldEqual(found, sought) : found == sought,
              "FindText at a place that does not hold the sought text");
}

void CheckCuts(const Text& text, int start, int count) {
    const auto size = static_cast<long long>(text.size());
    const Text mid = MidText(text, start, count);
    long long expected = 0;
    if (start >= 1 && start <= size && count > 0) {
        expected = std::min<long long>(count, size - start + 1);
    }
    FuzzCheck(static_cast<long long>(mid.size()) == expected, "MidText length");
    if (expected > 0) {
        FuzzCheck(mid == text.substr(static_cast<std::size_t>(start - 1), mid.size()),
                  "MidText bytes");
    }
    const Text left = LeftText(text, count);
    const Text right = RightText(text, count);
    const long long side = count <= 0 ? 0 : std::min<long long>(count, size);
    FuzzCheck(
        static_cast<long long>(left.size()) == side && text.compare(0, left.size(), left) == 0,
        "LeftText");
    FuzzCheck(static_cast<long long>(right.size()) == side &&
                  text.compare(text.size() - right.size(), right.size(), right) == 0,
              "RightText");
}

void CheckSplit(const Text& text, const Text& delimiter, int maxPieces) {
    const TextArray pieces = SplitText(text, delimiter);
    if (!delimiter.empty()) {
        // The pieces with their delimiters between them give the text back,
        // but for one trailing delimiter that makes no empty last piece.
        Text joined;
        for (int i = 1; i <= pieces.Count(); ++i) {
            if (i > 1) {
                joined += delimiter;
            }
            joined += pieces[i];
        }
        FuzzCheck(joined == text || joined + delimiter == text, "SplitText loses bytes");
    }
    if (maxPieces >= 0) {
        FuzzCheck(SplitText(text, delimiter, maxPieces).Count() <= maxPieces,
                  "SplitText beyond its maximum");
    }
}

void CheckReplace(const Text& text, const Text& sought, const Text& replacement, int start,
                  int maxCount, bool caseSensitive) {
    const Text replaced = ReplaceSubText(text, sought, replacement, start, maxCount, caseSensitive);
    if (sought.empty() || maxCount == 0) {
        FuzzCheck(replaced == text, "ReplaceSubText changed a text it must leave alone");
    }
    // Bytes before the start are never touched.
    const std::size_t kept = start <= 1 ? 0 : std::min<std::size_t>(start - 1, text.size());
    FuzzCheck(replaced.compare(0, kept, text, 0, kept) == 0, "ReplaceSubText before its start");
    FuzzCheck(ReplaceSubText(text, sought, sought, start, maxCount, true) == text,
              "replacing a text by itself changed it");
}

void CheckTrim(const Text& text) {
    const Text trimmed = TrimSpaces(text);
    FuzzCheck(text.find(trimmed) != Text::npos, "TrimSpaces is not a part of its text");
    FuzzCheck(TrimSpaces(trimmed) == trimmed, "TrimSpaces twice trims more");
    FuzzCheck(ToUpper(text).size() == text.size(), "ToUpper changed the length");
}

double DoubleFrom(std::string_view bytes) {
    double value = 0;
    if (!bytes.empty()) {
        std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
    }
    return value;
}

bool ValidUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (c >= 0x80) {
            if ((c >> 5) == 6) {
                n = 1;
            } else if ((c >> 4) == 14) {
                n = 2;
            } else if ((c >> 3) == 30) {
                n = 3;
            } else {
                return false;
            }
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n + 1;
    }
    return true;
}

}  // namespace

int FuzzTextSearch(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const int flags = in.Int16();
    const int start = in.Int16();
    const int count = in.Int16();
    int maxCount = in.Int16();
    if (maxCount < -1) {
        maxCount = kUnlimited;
    }
    const std::vector<std::string> parts = in.Parts();
    const Text& text = parts[0];
    const Text sought = parts.size() > 1 ? parts[1] : Text();
    const Text replacement = parts.size() > 2 ? parts[2] : Text();

    CheckFind(text, sought, start, (flags & 1) != 0);
    CheckFind(text, sought, start, (flags & 1) == 0);
    if (FindText(text, sought, start, false) != -1) {
        const int folded = FindText(text, sought, start, true);
        FuzzCheck(folded != -1 && folded <= FindText(text, sought, start, false),
                  "a case-folding search misses what an exact search finds");
    }
    CheckCuts(text, start, count);
    CheckSplit(text, sought.empty() ? Text(",") : sought, maxCount);
    CheckReplace(text, sought, replacement, start, maxCount, (flags & 2) != 0);
    CheckTrim(text);
    return 0;
}

int FuzzTextConvert(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Text text = AsPageText(bytes);

    const double number = ToNumber(text);
    (void)TruncateToInt(number);
    (void)ToText(number);
    (void)FoldFullWidth(text);

    const DateTime date = ToDateTime(text);
    FuzzCheck(date.days >= kMinDateTime.days && date.days <= kMaxDateTime.days,
              "ToDateTime outside the valid range");
    if (date != kMinDateTime) {
        FuzzCheck(ToDateTime(ToText(date)) == date, "a date does not read back as itself");
    }

    // Numbers and dates as they may come out of arithmetic on page values.
    const double raw = DoubleFrom(bytes);
    (void)TruncateToInt(raw);
    (void)ToText(raw);
    const DateTime other{DoubleFrom(bytes.size() > 8 ? bytes.substr(8) : std::string_view())};
    (void)ToText(DateTime{raw});
    for (int unit = 0; unit <= 9; ++unit) {
        (void)TimeDifference(DateTime{raw}, other, unit);
        (void)TimeDifference(NowTime(), date, unit);
    }

    FuzzCheck(ValidUtf8(GbkToUtf8(bytes)), "GbkToUtf8 gives invalid UTF-8");
    (void)Utf8ToGbk(bytes);
    FuzzCheck(Utf16ToGbk(GbkToUtf16(bytes)) == bytes, "GBK through UTF-16 is not lossless");
    FuzzCheck(Utf8LosslessToGbk(GbkToUtf8Lossless(bytes)) == bytes,
              "GBK through UTF-8 is not lossless");
    (void)Utf8LosslessToGbk(bytes);
    return 0;
}

}  // namespace kestrova::fuzz
