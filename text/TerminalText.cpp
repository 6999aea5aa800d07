#include "text/TerminalText.h"

#include <cstdint>
#include <cstdio>

namespace kestrova {
namespace {

// Length of the UTF-8 sequence that starts at `at` and its code point; 0 when
// the bytes there are not a valid, shortest-form sequence.
std::size_t Decode(std::string_view text, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool ShownAsCodePoint(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string TerminalText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char visible[16];
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[at]);
        if (c == '\t' || c == '\n' || (c >= 0x20 && c < 0x7F)) {
            out += static_cast<char>(c);
            ++at;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            out += '^';
            out += static_cast<char>(c == 0x7F ? '?' : c + 0x40);
            ++at;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = Decode(utf8, at, code);
        if (length == 0) {
            std::snprintf(visible, sizeof visible, "<0x%02X>", c);
            out += visible;
            ++at;
        } else if (ShownAsCodePoint(code)) {
            std::snprintf(visible, sizeof visible, "<U+%04X>", static_cast<unsigned>(code));
            out += visible;
            at += length;
        } else {
            out.append(utf8, at, length);
            at += length;
        }
    }
    return out;
}

}  // namespace kestrova
