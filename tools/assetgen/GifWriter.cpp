#include "tools/assetgen/GifWriter.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace kestrova::assetgen {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCode = (1 << kMaxCodeBits) - 1;

void PutWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

// Codes go out least significant bit first.
class CodeWriter {
  public:
    void Put(int code, int bits) {
        buffer_ |= static_cast<std::uint32_t>(code) << count_;
        count_ += bits;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xff));
            buffer_ >>= 8;
            count_ -= 8;
        }
    }
    std::vector<std::uint8_t> Finish() {
        if (count_ > 0)
            bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xff));
        buffer_ = 0;
        count_ = 0;
        return std::move(bytes_);
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t buffer_ = 0;
    int count_ = 0;
};

std::vector<std::uint8_t> CompressLzw(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    CodeWriter writer;
    std::unordered_map<std::uint32_t, int> dictionary;  // (prefix code << 8 | byte) -> code
    int codeSize = minCodeSize + 1;
    int lastCode = endCode;  // highest code in use

    writer.Put(clearCode, codeSize);
    int prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | pixels[i];
        if (auto found = dictionary.find(key); found != dictionary.end()) {
            prefix = found->second;
            continue;
        }
        writer.Put(prefix, codeSize);
        dictionary.emplace(key, ++lastCode);
        // The reader adds its entries one code behind the writer, so the width
        // grows once the newest code no longer fits in the current width.
        if (lastCode >= (1 << codeSize) && codeSize < kMaxCodeBits)
            ++codeSize;
        if (lastCode == kMaxCode) {
            writer.Put(clearCode, codeSize);
            dictionary.clear();
            codeSize = minCodeSize + 1;
            lastCode = endCode;
        }
        prefix = pixels[i];
    }
    writer.Put(prefix, codeSize);
    writer.Put(endCode, codeSize);
    return writer.Finish();
}

}  // namespace

std::vector<std::uint8_t> EncodeGif(const IndexedImage& image) {
    if (image.width < 1 || image.height < 1 || image.width > 0xffff || image.height > 0xffff) {
        throw std::invalid_argument("GIF sides must be 1 to 65535 pixels");
    }
    if (image.pixels.size() !=
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        throw std::invalid_argument("pixel count does not match the sides");
    }
    const int colours = static_cast<int>(image.palette.size());
    if (colours < 1 || colours > 256)
        throw std::invalid_argument("GIF palette needs 1 to 256 colours");
    for (const std::uint8_t index : image.pixels) {
        if (index >= colours)
            throw std::invalid_argument("pixel index outside the palette");
    }
    if (image.transparentIndex >= colours)
        throw std::invalid_argument("transparent index outside the palette");

    int tableBits = 1;
    while ((1 << tableBits) < colours)
        ++tableBits;

    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(out, image.width);
    PutWord(out, image.height);
    // Global table present, colour resolution and table size from the table.
    out.push_back(static_cast<std::uint8_t>(0x80 | ((tableBits - 1) << 4) | (tableBits - 1)));
    out.push_back(0);  // background index
    out.push_back(0);  // no aspect ratio
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb colour =
            i < colours ? image.palette[static_cast<std::size_t>(i)] : qRgb(0, 0, 0);
        out.push_back(static_cast<std::uint8_t>(qRed(colour)));
        out.push_back(static_cast<std::uint8_t>(qGreen(colour)));
        out.push_back(static_cast<std::uint8_t>(qBlue(colour)));
    }

    if (image.transparentIndex >= 0) {
        out.insert(out.end(), {0x21, 0xf9, 0x04, 0x01});  // extension, transparency flag only
        PutWord(out, 0);                                  // no delay
        out.push_back(static_cast<std::uint8_t>(image.transparentIndex));
        out.push_back(0);
    }

    out.push_back(0x2c);  // image descriptor at 0, 0, no local table, not interlaced
    PutWord(out, 0);
    PutWord(out, 0);
    PutWord(out, image.width);
    PutWord(out, image.height);
    out.push_back(0);

    const int minCodeSize = tableBits < 2 ? 2 : tableBits;
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    const std::vector<std::uint8_t> data = CompressLzw(image.pixels, minCodeSize);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), data.begin() + static_cast<long>(at),
                   data.begin() + static_cast<long>(at + length));
    }
    out.push_back(0);     // end of the data blocks
    out.push_back(0x3b);  // trailer
    return out;
}

}  // namespace kestrova::assetgen
