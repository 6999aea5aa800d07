#pragma once
// The value kinds every layer above works with.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// GBK bytes (code page 936). Positions are 1-based byte positions; a Chinese
// character takes two bytes. An absent text and the empty text are the same.
using Text = std::string;
using TextView = std::string_view;

// Raw bytes of known length: response bodies, pictures, embedded constants.
using ByteBuffer = std::vector<std::uint8_t>;

// The automation date: days since 1899-12-30 00:00, the fraction being the
// time of day. Valid from 100-01-01 (-657434.0) to 9999-12-31 (2958465.0).
struct DateTime {
    double days = 0.0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace kestrova
