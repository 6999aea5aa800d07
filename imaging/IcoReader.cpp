#include "imaging/IcoReader.h"

#include <cstring>

#include "imaging/ByteCursor.h"
#include "imaging/PngDecoder.h"

namespace kestrova {
namespace {

constexpr std::size_t kBitmapHeaderSize = 40;

struct Directory {
    std::uint16_t reserved = 0, type = 0, count = 0;
};

struct Entry {
    std::uint8_t width = 0, height = 0, colours = 0, reserved = 0;
    std::uint16_t planes = 0, bits = 0;
    std::uint32_t bytes = 0, offset = 0;
};

bool ReadDirectory(ByteCursor& in, Directory& d) {
    return in.U16(d.reserved) && in.U16(d.type) && in.U16(d.count);
}

bool ReadEntry(ByteCursor& in, Entry& e) {
    return in.Byte(e.width) && in.Byte(e.height) && in.Byte(e.colours) && in.Byte(e.reserved) &&
           in.U16(e.planes) && in.U16(e.bits) && in.U32(e.bytes) && in.U32(e.offset);
}

bool IsIconType(const Directory& d) {
    return d.reserved == 0 && (d.type == 1 || d.type == 2);
}

std::optional<Entry> FirstEntry(const ByteBuffer& bytes) {
    ByteCursor in(bytes.data(), bytes.size());
    Directory directory;
    Entry entry;
    if (!ReadDirectory(in, directory) || !IsIconType(directory) || directory.count == 0 ||
        !ReadEntry(in, entry)) {
        return std::nullopt;
    }
    return entry;
}

std::uint32_t Premultiply(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    auto one = [a](std::uint32_t c) {
        const std::uint32_t t = c * a;
        return (t + (t >> 8) + 0x80) >> 8;
    };
    return (a << 24) | (one((argb >> 16) & 0xff) << 16) | (one((argb >> 8) & 0xff) << 8) |
           one(argb & 0xff);
}

std::optional<Raster> DecodeBitmapIcon(const ByteBuffer& bytes, const Entry& entry) {
    ByteCursor in(bytes.data(), bytes.size());
    std::uint32_t size, width, height, compression, skip, coloursUsed;
    std::uint16_t planes, bitCount;
    if (!in.Seek(entry.offset) || !in.U32(size) || !in.U32(width) || !in.U32(height) ||
        !in.U16(planes) || !in.U16(bitCount) || !in.U32(compression) || !in.U32(skip) ||
        !in.U32(skip) || !in.U32(skip) || !in.U32(coloursUsed) || !in.U32(skip)) {
        return std::nullopt;
    }
    // The colour table (or the pixels) follow a header taken to be 40 bytes.
    in.Seek(entry.offset + kBitmapHeaderSize);
    const int bits = bitCount != 0 ? bitCount : entry.bits;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32)) {
        return std::nullopt;  // 16 bits and odd depths are not icon depths
    }
    const int depth = bits >= 24 ? 32 : (bits == 1 ? 1 : 8);
    const std::uint32_t colours = depth == 32 ? 0 : (coloursUsed != 0 ? coloursUsed : 1u << bits);
    if (colours > 256) {
        return std::nullopt;
    }
    const long long w = entry.width != 0 ? entry.width : static_cast<std::int32_t>(width);
    const long long h = entry.height != 0 ? entry.height : static_cast<std::int32_t>(height) / 2;
    if (!PictureSideAllowed(w, h)) {
        return std::nullopt;
    }
    const std::size_t cols = static_cast<std::size_t>(w);
    // A one-bit picture with other than two colours is read a byte a pixel.
    const bool oneBitBytes = bits == 1 && colours != 2;
    const std::size_t rowBytes = oneBitBytes
                                     ? (cols + 3) & ~std::size_t{3}
                                     : ((cols * static_cast<std::size_t>(bits) + 31) / 32) * 4;
    const std::size_t maskRowBytes = ((cols + 31) / 32) * 4;
    const std::size_t needed =
        colours * 4 + (rowBytes + maskRowBytes) * static_cast<std::size_t>(h);
    if (in.Left() < needed) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> table(colours);
    for (std::uint32_t& colour : table) {
        std::uint8_t bgra[4] = {};
        in.Read(bgra, 4);
        colour =
            0xff000000u | (std::uint32_t{bgra[2]} << 16) | (std::uint32_t{bgra[1]} << 8) | bgra[0];
    }
    auto lookUp = [&](std::size_t index) {
        return index < table.size() ? table[index] : 0xff000000u;
    };
    Raster picture =
        Raster::Blank(static_cast<int>(w), static_cast<int>(h), PixelKind::Premultiplied);
    std::vector<std::uint8_t> row(rowBytes);
    for (long long stored = 0; stored < h; ++stored) {
        std::uint32_t* out = picture.Row(static_cast<int>(h - 1 - stored));
        in.Read(row.data(), rowBytes);
        for (std::size_t x = 0; x < cols; ++x) {
            std::uint32_t argb;
            if (oneBitBytes) {
                argb = lookUp(row[x]);
            } else if (bits == 1) {
                argb = lookUp((row[x / 8] >> (7 - x % 8)) & 1);
            } else if (bits == 4) {
                argb = lookUp(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0f);
            } else if (bits == 8) {
                argb = lookUp(row[x]);
            } else if (bits == 24) {
                const std::uint8_t* p = row.data() + 3 * x;
                argb =
                    0xff000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
            } else {
                const std::uint8_t* p = row.data() + 4 * x;
                argb = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) |
                       (std::uint32_t{p[1]} << 8) | p[0];
            }
            out[x] = Premultiply(argb);
        }
    }
    // The AND mask must be there; a set bit makes a palette pixel
    // transparent. Direct-colour pixels keep what they are.
    std::vector<std::uint8_t> mask(maskRowBytes);
    for (long long stored = 0; stored < h; ++stored) {
        std::uint32_t* out = picture.Row(static_cast<int>(h - 1 - stored));
        in.Read(mask.data(), maskRowBytes);
        for (std::size_t x = 0; x < cols && depth != 32; ++x) {
            if (((mask[x / 8] >> (7 - x % 8)) & 1) != 0) {
                out[x] = 0;
            }
        }
    }
    return picture;
}

}  // namespace

bool LooksLikeIcon(const ByteBuffer& bytes) {
    ByteCursor in(bytes.data(), bytes.size());
    Directory directory;
    Entry entry;
    if (!ReadDirectory(in, directory) || !ReadEntry(in, entry)) {
        return false;
    }
    const bool cursor = directory.type == 2;
    return directory.reserved == 0 && (directory.type == 1 || cursor) && entry.reserved == 0 &&
           (entry.planes <= 1 || cursor) && (entry.bits <= 32 || cursor) && entry.bytes >= 40;
}

std::optional<IcoSize> ReadIcoHeader(const ByteBuffer& bytes) {
    const std::optional<Entry> entry = FirstEntry(bytes);
    if (!entry) {
        return std::nullopt;
    }
    return IcoSize{entry->width != 0 ? entry->width : 256,
                   entry->height != 0 ? entry->height : 256};
}

std::optional<Raster> DecodeIco(const ByteBuffer& bytes) {
    const std::optional<Entry> entry = FirstEntry(bytes);
    if (!entry || entry->offset > bytes.size()) {
        return std::nullopt;
    }
    static constexpr std::uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    const std::size_t left = bytes.size() - entry->offset;
    if (left >= 8 && std::memcmp(bytes.data() + entry->offset, kPngSignature, 8) == 0) {
        // A PNG entry must arrive whole.
        if (entry->bytes > left) {
            return std::nullopt;
        }
        const std::size_t length = entry->bytes;
        const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(entry->offset);
        return DecodePng(ByteBuffer(start, start + static_cast<std::ptrdiff_t>(length)));
    }
    return DecodeBitmapIcon(bytes, *entry);
}

}  // namespace kestrova
