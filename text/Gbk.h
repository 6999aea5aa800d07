#pragma once
// The one place where GBK meets Unicode (iconv, "CP936").

#include <string>

#include "text/Text.h"

namespace kestrova {

// For display: a byte that is not part of a valid GBK character becomes U+FFFD.
std::string GbkToUtf8(TextView gbk);

// For input: a character GBK lacks becomes "?"; invalid UTF-8 bytes too.
Text Utf8ToGbk(std::string_view utf8);

// The program's own literals (markers, captions, messages) are written in UTF-8
// source and become GBK through this; the same conversion as Utf8ToGbk.
inline Text Gbk(std::string_view utf8Literal) {
    return Utf8ToGbk(utf8Literal);
}

// For the regular-expression helper: each byte b (0x80-0xFF) that is not part
// of a valid GBK character maps to the private-use code point U+F700 + b, so
// that GbkToUtf16 followed by Utf16ToGbk gives back the original bytes.
std::u16string GbkToUtf16(TextView gbk);
// A character GBK lacks becomes "?"; U+F780..U+F7FF become the byte again.
Text Utf16ToGbk(std::u16string_view utf16);

// The same two conversions through UTF-8 (with the same private-use mapping),
// for engines that work on UTF-8.
std::string GbkToUtf8Lossless(TextView gbk);
Text Utf8LosslessToGbk(std::string_view utf8);
// Whether `utf8` is exactly GbkToUtf8Lossless(gbk), found without making it:
// a walk that compares as it goes (a page's runs of markup at memcmp speed).
bool IsLosslessUtf8Of(std::string_view utf8, TextView gbk);

}  // namespace kestrova
