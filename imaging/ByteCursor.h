#pragma once
// Little-endian reads from a byte span that never step past its end: a read
// that does not fit fails and leaves the position where it was.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kestrova {

class ByteCursor {
  public:
    ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t Position() const { return at_; }
    std::size_t Size() const { return size_; }
    std::size_t Left() const { return size_ - at_; }
    bool AtEnd() const { return at_ >= size_; }

    // Seeking past the end fails and keeps the position.
    bool Seek(std::size_t position) {
        if (position > size_) {
            return false;
        }
        at_ = position;
        return true;
    }
    bool Read(void* out, std::size_t count) {
        if (count > Left()) {
            return false;
        }
        std::memcpy(out, data_ + at_, count);
        at_ += count;
        return true;
    }
    // As many bytes as there are, up to count.
    std::size_t ReadSome(std::uint8_t* out, std::size_t count) {
        const std::size_t n = count < Left() ? count : Left();
        std::memcpy(out, data_ + at_, n);
        at_ += n;
        return n;
    }
    bool Byte(std::uint8_t& out) { return Read(&out, 1); }
    bool U16(std::uint16_t& out) {
        std::uint8_t b[2] = {};
        if (!Read(b, 2)) {
            return false;
        }
        out = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(std::uint32_t& out) {
        std::uint8_t b[4] = {};
        if (!Read(b, 4)) {
            return false;
        }
        out = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
              (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    bool I32(std::int32_t& out) {
        std::uint32_t u;
        if (!U32(u)) {
            return false;
        }
        out = static_cast<std::int32_t>(u);
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace kestrova
