#include "history/MarkEntry.h"

#include <array>
#include <cstdint>

namespace kestrova {
namespace {

constexpr std::array<std::pair<MarkKind, std::string_view>, 4> kNames = {{
    {MarkKind::kBlacklist, "blacklist"},
    {MarkKind::kTrusted, "trusted"},
    {MarkKind::kClear, "clear"},
    {MarkKind::kNote, "note"},
}};

// The next code point of well-formed UTF-8 at `at`, or nullopt (overlong
// forms, surrogates and cut sequences included).
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    int more = 0;
    char32_t point = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, point = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + static_cast<std::size_t>(more) >= text.size()) {
        return std::nullopt;  // cut short
    }
    for (int k = 1; k <= more; ++k) {
        const std::uint8_t next = byte(at + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    at += static_cast<std::size_t>(more) + 1;
    return point;
}

bool Unwanted(char32_t point) {
    return point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F) || point == 0x061C ||
           point == 0x200E || point == 0x200F || (point >= 0x2028 && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

}  // namespace

std::string_view MarkKindName(MarkKind kind) {
    for (const auto& [k, name] : kNames) {
        if (k == kind) {
            return name;
        }
    }
    return "note";
}

std::optional<MarkKind> MarkKindFromName(std::string_view name) {
    for (const auto& [kind, n] : kNames) {
        if (n == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ProblemWithText(std::string_view utf8) {
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::optional<char32_t> point = NextCodePoint(utf8, at);
        if (!point) {
            return "it is not valid UTF-8";
        }
        if (Unwanted(*point)) {
            return *point == '\n' || *point == '\r'
                       ? "it holds a line break (one line only)"
                       : "it holds a control character or an invisible direction mark";
        }
    }
    return std::nullopt;
}

std::chrono::system_clock::time_point NowForHistory() {
    return std::chrono::time_point_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now());
}

}  // namespace kestrova
