#pragma once
// Stepping through GBK bytes one character at a time: a lead byte 0x81-0xFE
// starts a two-byte character, every other byte stands alone.

#include <cstddef>

#include "text/Text.h"

namespace kestrova {

inline bool IsGbkLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Bytes taken by the character at index i: 2 at a lead byte, else 1; a lead
// byte at the very end of the text takes only itself.
inline std::size_t GbkCharWidth(TextView text, std::size_t i) {
    return IsGbkLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

inline unsigned char AsciiLower(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Byte by byte with ASCII letters folded: for the words of the protocols
// (schemes, header names), which are ASCII.
inline bool EqualsAsciiNoCase(TextView a, TextView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(static_cast<unsigned char>(a[i])) !=
            AsciiLower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace kestrova
