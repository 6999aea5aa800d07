#pragma once
// Conversions between texts, numbers, bools, dates and byte buffers.

#include <cstdint>

#include "text/Text.h"

namespace kestrova {

Text ToText(std::int32_t value);       // "%d"
Text ToText(std::int64_t value);       // decimal
Text ToText(std::uint8_t value);       // "%u"
Text ToText(float value);              // "%.6g"
Text ToText(double value);             // "%.13g"
Text ToText(bool value);               // "真" or "假" (GBK)
Text ToText(DateTime value);           // "2009年3月7日14时5分9秒" and its shortenings
Text ToText(TextView value);           // itself
Text ToText(const char* value);        // itself (guards against the bool overload)
Text ToText(const ByteBuffer& value);  // bytes up to the first zero byte
// The same text as a view of the bytes, without a copy.
TextView ToTextView(const ByteBuffer& value);

// Full-width folding, then a leading decimal number; 0 when there is none.
double ToNumber(TextView text);
double ToNumber(const char* text);
double ToNumber(bool value);
double ToNumber(std::int32_t value);
double ToNumber(double value);

// Truncation toward zero, then the low 32 bits of the 64-bit result. Beyond
// the 64-bit range, and for NaN, the result is 0 (as the processor's
// conversion gives).
std::int32_t TruncateToInt(double value);

// Text bytes without a terminating zero; the empty text gives the empty buffer.
ByteBuffer ToBytes(TextView text);

// GBK full-width characters that have a single-byte form replaced by it
// (A3 A1-FE, A1 A1, A1 AB, A1 EE, A1 EF). Shared by ToNumber and ToDateTime.
Text FoldFullWidth(TextView text);

}  // namespace kestrova
