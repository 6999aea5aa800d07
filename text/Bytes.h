#pragma once
// Byte-buffer operations; positions are 1-based.

#include <cstdint>

#include "text/Text.h"

namespace kestrova {

int BytesLength(const ByteBuffer& buffer);
// start clamps to 1..length+1, a negative count is 0.
ByteBuffer MidBytes(const ByteBuffer& buffer, int start, int count);
ByteBuffer RightBytes(const ByteBuffer& buffer, int count);
ByteBuffer ZeroBytes(int count);

// Type 3 (32-bit little-endian integer) is the one the program reads; missing
// bytes at the end read as zero. When position is given it advances past the
// value, and becomes -1 once the end of the buffer is reached; a position of
// -1 then reads 0 and stays -1, a position below 1 otherwise reads from 1.
// A type outside 1-10 raises the run-time fault "“欲取出数据的类型”参数值无效".
std::int32_t ReadBytesInt32(const ByteBuffer& buffer, int* position = nullptr);
void CheckBytesValueType(int type);

}  // namespace kestrova
