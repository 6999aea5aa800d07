#pragma once
// The account name into a query value, and JavaScript string escapes out.

#include "text/Text.h"

namespace kestrova {

// Byte by byte: the safe set * , - . / 0-9 @ A-Z _ a-z stays; every other byte
// becomes "%" and two upper-case hex digits.
Text UrlEncode(TextView text);

// Decodes the body of a double-quoted JavaScript string literal (\uXXXX, \xXX,
// \n \r \t \b \f \v, backslash before anything else gives that character) into
// GBK ("?" for characters GBK lacks). A text that is not a valid literal body
// (an unescaped quote or line break, a trailing lone backslash, a short \u or
// \x escape) comes back unchanged.
Text DecodeEscapes(TextView text);

}  // namespace kestrova
