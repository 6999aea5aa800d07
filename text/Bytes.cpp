#include "text/Bytes.h"

#include <algorithm>

#include "text/Gbk.h"
#include "text/RuntimeFault.h"

namespace kestrova {

namespace {

// The run-time error number shown for a value type outside 1-10.
constexpr int kBadValueTypeError = 2;

std::int64_t Size(const ByteBuffer& buffer) {
    return static_cast<std::int64_t>(buffer.size());
}

ByteBuffer Slice(const ByteBuffer& buffer, std::int64_t begin, std::int64_t end) {
    return ByteBuffer(buffer.begin() + begin, buffer.begin() + end);
}

}  // namespace

int BytesLength(const ByteBuffer& buffer) {
    return static_cast<int>(buffer.size());
}

ByteBuffer MidBytes(const ByteBuffer& buffer, int start, int count) {
    const std::int64_t begin = std::clamp<std::int64_t>(start, 1, Size(buffer) + 1) - 1;
    const std::int64_t end = std::min(begin + std::max(count, 0), Size(buffer));
    return Slice(buffer, begin, end);
}

ByteBuffer RightBytes(const ByteBuffer& buffer, int count) {
    const std::int64_t length = std::clamp<std::int64_t>(count, 0, Size(buffer));
    return Slice(buffer, Size(buffer) - length, Size(buffer));
}

ByteBuffer ZeroBytes(int count) {
    return count <= 0 ? ByteBuffer() : ByteBuffer(static_cast<std::size_t>(count), 0);
}

std::int32_t ReadBytesInt32(const ByteBuffer& buffer, int* position) {
    constexpr std::int64_t kWidth = 4;
    if (position != nullptr && *position == -1) {
        return 0;  // the end was reached by an earlier read
    }
    const std::int64_t at = position == nullptr ? 1 : std::max(*position, 1);
    std::uint32_t value = 0;
    for (std::int64_t k = 0; k < kWidth; ++k) {
        const std::int64_t index = at - 1 + k;
        if (index < Size(buffer)) {
            value |= static_cast<std::uint32_t>(buffer[static_cast<std::size_t>(index)]) << (8 * k);
        }
    }
    if (position != nullptr) {
        const std::int64_t next = at + kWidth;
        *position = next > Size(buffer) ? -1 : static_cast<int>(next);
    }
    return static_cast<std::int32_t>(value);
}

void CheckBytesValueType(int type) {
    if (type < 1 || type > 10) {
        throw RuntimeFault(kBadValueTypeError, Gbk("“欲取出数据的类型”参数值无效"));
    }
}

}  // namespace kestrova
