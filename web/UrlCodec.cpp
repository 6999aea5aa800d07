#include "web/UrlCodec.h"

#include <optional>
#include <string>

#include "text/Build.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

bool IsSafeByte(int c) {
    return c == '*' || c == ',' || c == '-' || c == '.' || c == '/' || (c >= '0' && c <= '9') ||
           c == '@' || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z');
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// The value of `digits` hex digits at position i, or nothing when they are not there.
std::optional<char16_t> HexAt(const std::u16string& s, std::size_t i, int digits) {
    if (i + digits > s.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (int k = 0; k < digits; ++k) {
        const int d = HexValue(s[i + k]);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * 16 + d;
    }
    return static_cast<char16_t>(value);
}

bool IsLineTerminator(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029;
}

// The characters a double-quoted script string literal with this body stands
// for; nothing when the body would not make a valid literal.
std::optional<std::u16string> DecodeLiteralBody(const std::u16string& body) {
    std::u16string out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char16_t c = body[i];
        if (c == u'"' || IsLineTerminator(c)) {
            return std::nullopt;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= body.size()) {
            return std::nullopt;
        }
        const char16_t e = body[i];
        switch (e) {
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            case u't':
                out += u'\t';
                break;
            case u'b':
                out += u'\b';
                break;
            case u'f':
                out += u'\f';
                break;
            case u'v':
                out += u'\v';
                break;
            case u'u':
            case u'x': {
                const int digits = e == u'u' ? 4 : 2;
                const std::optional<char16_t> code = HexAt(body, i + 1, digits);
                if (!code) {
                    return std::nullopt;
                }
                out += *code;
                i += digits;
                break;
            }
            default:
                if (IsLineTerminator(e)) {
                    return std::nullopt;
                }
                out += e;
                break;
        }
    }
    return out;
}

}  // namespace

Text UrlEncode(TextView text) {
    Text out;
    out.reserve(text.size() * 3);
    for (int i = 1; i <= static_cast<int>(text.size()); ++i) {
        int c = CharCode(text, i);
        if (c < 0) {
            c += 256;
        }
        if (IsSafeByte(c)) {
            out += CharFromCode(c);
            continue;
        }
        const Text hex = ToHexText(c);
        out += hex.size() < 2 ? "%0" + hex : "%" + hex;
    }
    return out;
}

Text DecodeEscapes(TextView text) {
    const std::optional<std::u16string> decoded = DecodeLiteralBody(GbkToUtf16(text));
    if (!decoded) {
        return Text(text);
    }
    return Utf16ToGbk(*decoded);
}

}  // namespace kestrova
