// The account name into a query value, escapes out of a region name, cookie
// texts, and the header text of a response.

#include <vector>

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "text/Search.h"
#include "web/Cookies.h"
#include "web/ResponseHeaders.h"
#include "web/UrlCodec.h"

namespace kestrova::fuzz {
namespace {

// Merging as it was first written, comparing every received name with every
// item so far: slow, but plainly right, and the fast merge must agree with it.
Text SlowMergeCookies(TextView oldCookies, TextView newCookies) {
    const auto terminated = [](TextView cookies) {
        Text t = TrimSpaces(cookies);
        if (!t.empty() && t.back() != ';') {
            t += ';';
        }
        return t;
    };
    const auto itemName = [](TextView item) {
        return TrimSpaces(LeftText(item, FindText(item, "=") - 1));
    };
    const auto sameName = [](TextView a, TextView b) {
        return a.size() == b.size() && FindText(a, b, 1, true) == 1;
    };
    std::vector<Text> items = SplitText(terminated(oldCookies), ";").Items();
    const TextArray received = SplitText(terminated(newCookies), ";");
    for (const Text& item : received.Items()) {
        if (FindText(item, "=") < 1) {
            continue;
        }
        const Text name = itemName(item);
        bool replaced = false;
        for (Text& existing : items) {
            if (FindText(existing, "=") >= 1 && sameName(itemName(existing), name)) {
                existing = item;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            items.push_back(item);
        }
    }
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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

}  // namespace

int FuzzUrlCodec(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Text encoded = UrlEncode(bytes);
    // Only the safe set and %XX in upper-case hex, and it decodes back.
    Text decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            FuzzCheck(std::string_view("*,-./@_").find(encoded[i]) != std::string_view::npos ||
                          (encoded[i] >= '0' && encoded[i] <= '9') ||
                          (encoded[i] >= 'A' && encoded[i] <= 'Z') ||
                          (encoded[i] >= 'a' && encoded[i] <= 'z'),
                      "UrlEncode left an unsafe byte");
            decoded += encoded[i];
            continue;
        }
        FuzzCheck(i + 2 < encoded.size(), "UrlEncode wrote a short escape");
        const int high = HexDigit(encoded[i + 1]);
        const int low = HexDigit(encoded[i + 2]);
        FuzzCheck(high >= 0 && low >= 0, "UrlEncode wrote a bad escape");
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    FuzzCheck(decoded == bytes, "UrlEncode does not decode back to its input");

    const Text plain = DecodeEscapes(bytes);
    if (bytes.find_first_of(std::string_view("\\\"\r\n", 4)) == std::string_view::npos) {
        FuzzCheck(plain == bytes, "DecodeEscapes changed a text without escapes");
    }
    return 0;
}

int FuzzCookiesHeaders(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts =
        SplitParts(std::string_view(reinterpret_cast<const char*>(data), size));
    const Text& first = parts[0];
    const Text second = parts.size() > 1 ? parts[1] : Text();
    const Text third = parts.size() > 2 ? parts[2] : Text();

    const Text merged = MergeCookies(first, second);
    FuzzCheck(merged == SlowMergeCookies(first, second), "merging differs from the plain merge");
    FuzzCheck(merged.empty() || RightText(merged, 2) == "; ",
              "merged cookies not ending in \"; \"");
    const TextArray items = SplitText(merged, "; ");
    for (const Text& item : items.Items()) {
        FuzzCheck(!item.empty() && item.back() != '=' && RightText(item, 8) != "=deleted",
                  "merged cookies keep an empty or deleted item");
    }

    const Text between = TextBetween(first, second, third);
    FuzzCheck(first.find(between) != Text::npos, "TextBetween is not part of its text");

    Text target = "unchanged";
    Text cookies = "old";
    ReadResponseHeaders(first, target, cookies);
    FuzzCheck(cookies.empty() || RightText(cookies, 2) == "; ",
              "received cookies not ending in \"; \"");
    FuzzCheck(target == "unchanged" || FindText(first, "Location:") != -1,
              "a redirect target without a Location line");
    (void)MergeCookies(Text(), cookies);
    return 0;
}

}  // namespace kestrova::fuzz
