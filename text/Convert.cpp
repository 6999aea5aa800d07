#include "text/Convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "text/DateTimeOps.h"
#include "text/Gbk.h"
#include "text/GbkChar.h"

namespace kestrova {

namespace {

// Formatting and parsing go through <charconv>, which ignores the process
// locale: the Qt front end switches LC_NUMERIC to the user's locale, where the
// C library would print and read a decimal comma.
template <typename Value, typename... Format>
Text FormatNumber(Value value, Format... format) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format...);
    return ec == std::errc() ? Text(buffer, end) : Text();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a decimal literal that from_chars found out of range: an
// overflow when its first significant digit stands left of the decimal point,
// else an underflow.
double OutOfRange(TextView digits, TextView mantissa, bool negative) {
    long long exponent = 0;
    const std::size_t e = digits.find_first_of("eE");
    if (e != TextView::npos) {
        bool expNegative = false;
        std::size_t i = e + 1;
        if (digits[i] == '+' || digits[i] == '-') {
            expNegative = digits[i] == '-';
            ++i;
        }
        for (; i < digits.size() && exponent < 1'000'000'000; ++i) {
            exponent = exponent * 10 + (digits[i] - '0');
        }
        exponent = expNegative ? -exponent : exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    const long long magnitude = first < point ? static_cast<long long>(point - first) - 1
                                              : -static_cast<long long>(first - point);
    const double result = magnitude + exponent >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -result : result;
}

}  // namespace

Text ToText(std::int32_t value) {
    return FormatNumber(value);
}
Text ToText(std::int64_t value) {
    return FormatNumber(value);
}
Text ToText(std::uint8_t value) {
    return FormatNumber(static_cast<unsigned>(value));
}
Text ToText(float value) {
    return FormatNumber(value, std::chars_format::general, 6);
}
Text ToText(double value) {
    return FormatNumber(value, std::chars_format::general, 13);
}

Text ToText(bool value) {
    static const Text kTrue = Gbk("真");
    static const Text kFalse = Gbk("假");
    return value ? kTrue : kFalse;
}

Text ToText(DateTime value) {
    static const Text kYear = Gbk("年");
    static const Text kMonth = Gbk("月");
    static const Text kDay = Gbk("日");
    static const Text kHour = Gbk("时");
    static const Text kMinute = Gbk("分");
    static const Text kSecond = Gbk("秒");

    const DateFields f = SplitDateTime(value);
    Text out = ToText(f.year) + kYear + ToText(f.month) + kMonth + ToText(f.day) + kDay;
    if (f.second != 0) {
        out += ToText(f.hour) + kHour + ToText(f.minute) + kMinute + ToText(f.second) + kSecond;
    } else if (f.minute != 0) {
        out += ToText(f.hour) + kHour + ToText(f.minute) + kMinute;
    } else if (f.hour != 0) {
        out += ToText(f.hour) + kHour;
    }
    return out;
}

Text ToText(TextView value) {
    return Text(value);
}
Text ToText(const char* value) {
    return value == nullptr ? Text() : Text(value);
}

Text ToText(const ByteBuffer& value) {
    return Text(ToTextView(value));
}

TextView ToTextView(const ByteBuffer& value) {
    std::size_t length = 0;
    while (length < value.size() && value[length] != 0) {
        ++length;
    }
    return TextView(reinterpret_cast<const char*>(value.data()), length);
}

double ToNumber(TextView text) {
    const Text folded = FoldFullWidth(text);
    const TextView s = folded;
    std::size_t i = 0;
    while (i < s.size() && IsCSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // Only the plain decimal form is read: no hexadecimal, "inf" or "nan".
    const std::size_t begin = i;
    std::size_t digitCount = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
        ++digitCount;
    }
    if (i < s.size() && s[i] == '.') {
        for (++i; i < s.size() && IsDigit(s[i]); ++i) {
            ++digitCount;
        }
    }
    if (digitCount == 0) {
        return 0.0;
    }
    const std::size_t mantissaEnd = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) {
                ++j;
            }
            i = j;  // an exponent without digits is not part of the number
        }
    }
    const TextView literal = s.substr(begin, i - begin);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        return OutOfRange(literal, s.substr(begin, mantissaEnd - begin), negative);
    }
    if (ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

double ToNumber(const char* text) {
    return text == nullptr ? 0.0 : ToNumber(TextView(text));
}
double ToNumber(bool value) {
    return value ? 1.0 : 0.0;
}
double ToNumber(std::int32_t value) {
    return value;
}
double ToNumber(double value) {
    return value;
}

std::int32_t TruncateToInt(double value) {
    const double whole = std::trunc(value);
    // Beyond the 64-bit range (and for NaN) the processor's conversion gives
    // the "integer indefinite" 0x8000000000000000, whose low 32 bits are 0;
    // we give the same instead of leaving it undefined.
    constexpr double kTwo63 = 9223372036854775808.0;
    if (!(whole >= -kTwo63 && whole < kTwo63)) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(whole)));
}

ByteBuffer ToBytes(TextView text) {
    return ByteBuffer(text.begin(), text.end());
}

Text FoldFullWidth(TextView text) {
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t width = GbkCharWidth(text, pos);
        if (width == 1) {
            out += text[pos++];
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[pos]);
        const auto trail = static_cast<unsigned char>(text[pos + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            out += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            out += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            out += '*';
        } else {
            out.append(text.substr(pos, 2));
        }
        pos += 2;
    }
    return out;
}

}  // namespace kestrova
