#include "shell/PcxDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrova {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 768;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr int kMaxSide = 8192;

std::uint16_t Word(const ByteBuffer& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The longest run one pair of bytes can write; a byte alone writes one.
constexpr std::size_t kLongestRun = 63;

// Run-length data read line by line: a run may go on across the end of a
// line (writers differ on that, and nothing is lost by allowing it).
class Unpacker {
  public:
    Unpacker(const ByteBuffer& bytes, std::size_t begin, std::size_t end)
        : bytes_(bytes), in_(begin), end_(end) {}

    // Fills `line` whole; false when the data ends first.
    bool Next(std::vector<std::uint8_t>& line) {
        std::size_t filled = 0;
        while (filled < line.size()) {
            if (count_ == 0) {
                if (in_ >= end_) {
                    return false;
                }
                value_ = bytes_[in_++];
                count_ = 1;
                if ((value_ & 0xC0) == 0xC0) {
                    count_ = value_ & 0x3F;
                    if (in_ >= end_) {
                        return false;
                    }
                    value_ = bytes_[in_++];
                }
            }
            const std::size_t taken = std::min(count_, line.size() - filled);
            std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), taken, value_);
            filled += taken;
            count_ -= taken;
        }
        return true;
    }

  private:
    const ByteBuffer& bytes_;
    std::size_t in_;
    std::size_t end_;
    std::uint8_t value_ = 0;
    std::size_t count_ = 0;
};

}  // namespace

QImage DecodePcx(const ByteBuffer& bytes) {
    if (bytes.size() < kHeaderSize || bytes[0] != 0x0A || bytes[2] != 1 || bytes[3] != 8) {
        return {};
    }
    const int planes = bytes[65];
    if (planes != 1 && planes != 3) {
        return {};
    }
    const int xMin = Word(bytes, 4);
    const int yMin = Word(bytes, 6);
    const int xMax = Word(bytes, 8);
    const int yMax = Word(bytes, 10);
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    const int bytesPerLine = Word(bytes, 66);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        bytesPerLine < width) {
        return {};
    }

    std::size_t dataEnd = bytes.size();
    const std::uint8_t* palette = nullptr;
    if (planes == 1) {
        if (bytes.size() < kHeaderSize + kPaletteSize + 1 ||
            bytes[bytes.size() - kPaletteSize - 1] != kPaletteMarker) {
            return {};
        }
        dataEnd = bytes.size() - kPaletteSize - 1;
        palette = bytes.data() + dataEnd + 1;
    }

    // Checked before anything is allocated: the data present must be able to
    // hold what the header claims. Two bytes write at most 63, one alone one:
    // a few hundred bytes cannot make a picture of gigabytes.
    const std::size_t lineBytes = static_cast<std::size_t>(planes) * bytesPerLine;
    const std::size_t data = dataEnd - kHeaderSize;
    if (lineBytes * static_cast<std::size_t>(height) > data / 2 * kLongestRun + data % 2) {
        return {};
    }

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    std::vector<std::uint8_t> line(lineBytes);
    Unpacker unpacker(bytes, kHeaderSize, dataEnd);
    for (int y = 0; y < height; ++y) {
        if (!unpacker.Next(line)) {
            return {};
        }
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (palette != nullptr) {
                const std::uint8_t* rgb = palette + 3 * line[x];
                out[x] = qRgb(rgb[0], rgb[1], rgb[2]);
            } else {
                out[x] = qRgb(line[x], line[bytesPerLine + x], line[2 * bytesPerLine + x]);
            }
        }
    }
    return image;
}

}  // namespace kestrova
