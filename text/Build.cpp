#include "text/Build.h"

#include <charconv>
#include <cstddef>

namespace kestrova {

Text ConcatText(std::initializer_list<TextView> parts) {
    std::size_t total = 0;
    for (TextView part : parts) {
        total += part.size();
    }
    Text out;
    out.reserve(total);
    for (TextView part : parts) {
        out.append(part);
    }
    return out;
}

int CompareText(TextView a, TextView b) {
    // std::string_view compares through char_traits<char>, which orders bytes
    // as unsigned char.
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

Text CharFromCode(int code) {
    const char byte = static_cast<char>(code & 0xFF);
    // A text holds no zero byte, so code 0 (or 256 ...) gives the empty text.
    return byte == '\0' ? Text() : Text(1, byte);
}

int CharCode(TextView text, int position) {
    if (position < 1 || static_cast<std::size_t>(position) > text.size()) {
        return 0;
    }
    return static_cast<signed char>(text[static_cast<std::size_t>(position - 1)]);
}

Text SpaceText(int count) {
    return count < 1 ? Text() : Text(static_cast<std::size_t>(count), ' ');
}

Text ToHexText(std::int32_t value) {
    char digits[8];
    const auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(value), 16);
    Text out(digits, end);
    for (char& c : out) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - ('a' - 'A'));
        }
    }
    return out;
}

}  // namespace kestrova
