#include "shell/PcxDecoder.h"

#include <cstddef>
#include <cstdint>

namespace kestrova {
namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 768;
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr int kMaxSide = 8192;

std::uint16_t Word(const ByteBuffer& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// Unpacks the run-length data into exactly `out.size()` bytes. A run may go on
// across the end of a line; writers differ on that, and nothing is lost by
// allowing it.
bool Unpack(const ByteBuffer& bytes, std::size_t begin, std::size_t end,
            std::vector<std::uint8_t>& out) {
    std::size_t in = begin;
    std::size_t filled = 0;
    while (filled < out.size()) {
        if (in >= end) {
            return false;
        }
        std::uint8_t value = bytes[in++];
        std::size_t count = 1;
        if ((value & 0xC0) == 0xC0) {
            count = value & 0x3F;
            if (in >= end) {
                return false;
            }
            value = bytes[in++];
        }
        for (; count > 0 && filled < out.size(); --count) {
            out[filled++] = value;
        }
    }
    return true;
}

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

    const std::size_t lineBytes = static_cast<std::size_t>(planes) * bytesPerLine;
    std::vector<std::uint8_t> pixels(lineBytes * height);
    if (!Unpack(bytes, kHeaderSize, dataEnd, pixels)) {
        return {};
    }

    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = pixels.data() + lineBytes * y;
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
