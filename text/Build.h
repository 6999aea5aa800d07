#pragma once
// Building texts from pieces, codes and numbers.

#include <cstdint>
#include <initializer_list>

#include "text/Text.h"

namespace kestrova {

Text ConcatText(std::initializer_list<TextView> parts);

// 0 if equal, else -1 or 1 by unsigned byte comparison (a prefix is less).
int CompareText(TextView a, TextView b);

// One-byte text holding the byte code & 0xFF; a zero byte gives the empty
// text, since texts hold no zero byte.
Text CharFromCode(int code);

// The byte at the 1-based position as a signed 8-bit value; 0 outside 1..length.
int CharCode(TextView text, int position = 1);

Text SpaceText(int count);

// Upper-case hex without leading zeros; a negative value prints its 32-bit
// two's-complement pattern.
Text ToHexText(std::int32_t value);

}  // namespace kestrova
