#include "imaging/BmpReader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "imaging/ByteCursor.h"

namespace kestrova {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kOs2Old = 12;
constexpr std::uint32_t kWindows3 = 40;
constexpr std::uint32_t kOs2New = 64;
constexpr std::uint32_t kWindows4 = 108;
constexpr std::uint32_t kWindows5 = 124;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

struct InfoHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
};

struct Headers {
    std::uint32_t pixelOffset = 0;
    InfoHeader info;
};

bool ReadInfoHeader(ByteCursor& in, InfoHeader& info) {
    if (!in.U32(info.size)) {
        return false;
    }
    if (info.size == kWindows3 || info.size == kOs2New || info.size == kWindows4 ||
        info.size == kWindows5) {
        std::uint32_t skip;
        if (!in.I32(info.width) || !in.I32(info.height) || !in.U16(info.planes) ||
            !in.U16(info.bits) || !in.U32(info.compression) || !in.U32(skip) || !in.U32(skip) ||
            !in.U32(skip) || !in.U32(info.coloursUsed) || !in.U32(skip)) {
            return false;
        }
        if (info.size >= kWindows4) {
            if (!in.U32(info.redMask) || !in.U32(info.greenMask) || !in.U32(info.blueMask) ||
                !in.U32(info.alphaMask)) {
                return false;
            }
            // Colour space type, end points, gamma; and in version 5 intent and profile.
            const std::size_t rest = 4 + 36 + 12 + (info.size == kWindows5 ? 16 : 0);
            if (in.Left() < rest) {
                return false;
            }
            in.Seek(in.Position() + rest);
        }
        return true;
    }
    // Anything else is read as the old OS/2 header.
    std::uint16_t width;
    std::uint16_t height;
    if (!in.U16(width) || !in.U16(height) || !in.U16(info.planes) || !in.U16(info.bits)) {
        return false;
    }
    info.width = static_cast<std::int16_t>(width);
    info.height = static_cast<std::int16_t>(height);
    info.compression = kRgb;
    info.coloursUsed = 0;
    return true;
}

bool Describable(const InfoHeader& info) {
    const int bits = info.bits;
    const std::uint32_t c = info.compression;
    if (!(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) ||
        info.planes != 1 || c > kBitFields) {
        return false;
    }
    if (!(c == kRgb || (bits == 4 && c == kRle4) || (bits == 8 && c == kRle8) ||
          ((bits == 16 || bits == 32) && c == kBitFields))) {
        return false;
    }
    if (info.height == INT_MIN || info.width <= 0 || info.height == 0) {
        return false;
    }
    return static_cast<std::uint64_t>(info.width) * std::llabs(info.height) <= 16384ull * 16384;
}

std::optional<Headers> ReadHeaders(ByteCursor& in) {
    std::uint8_t magic[2] = {};
    std::uint32_t fileSize;
    std::uint16_t reserved;
    Headers headers;
    if (!in.Read(magic, 2) || !in.U32(fileSize) || !in.U16(reserved) || !in.U16(reserved) ||
        !in.U32(headers.pixelOffset)) {
        return std::nullopt;
    }
    if (magic[0] != 'B' || magic[1] != 'M') {
        return std::nullopt;
    }
    if (!ReadInfoHeader(in, headers.info) || !Describable(headers.info)) {
        return std::nullopt;
    }
    return headers;
}

// A bit-field channel: the masked bits moved down to bit 0, then multiplied
// up into eight bits (a field wider than eight bits multiplies by 0).
struct Channel {
    std::uint32_t mask = 0, shift = 0, scale = 0;
    std::uint32_t Of(std::uint32_t pixel) const {
        return (((pixel & mask) >> shift) * scale) & 0xff;
    }
    static Channel From(std::uint32_t mask) {
        Channel c;
        c.mask = mask;
        while (mask != 0 && (mask & 1) == 0) {
            ++c.shift;
            mask >>= 1;
        }
        c.scale = 256 / (mask + 1);
        return c;
    }
};

// Indexes as bytes, one row of `stride` bytes after the other, top row first,
// the way the run-length decoders walk them: a run may spill over the end of
// its row into the next one, as it always could.
struct IndexPlane {
    int width;
    int height;
    std::size_t stride;
    std::vector<std::uint8_t> bytes;
    IndexPlane(int w, int h)
        : width(w),
          height(h),
          stride((static_cast<std::size_t>(w) + 3) & ~std::size_t{3}),
          bytes(stride * static_cast<std::size_t>(h), 0) {}
    std::size_t RowStart(int storedRow) const {
        return static_cast<std::size_t>(storedRow) * stride;
    }
};

// Run-length pixels; false where the stream makes the whole picture unreadable.
bool DecodeRunLength(ByteCursor& in, IndexPlane& plane, bool fourBits) {
    const int w = plane.width;
    const int h = plane.height;
    int x = 0;
    int y = 0;
    std::size_t p = plane.RowStart(h - 1);
    const std::size_t end = p + static_cast<std::size_t>(w);
    std::uint8_t* data = plane.bytes.data();
    auto put = [&](std::uint8_t value) {
        if (p < plane.bytes.size()) {
            data[p] = value;
        }
        ++p;
    };
    while (y < h) {
        std::uint8_t b;
        if (!in.Byte(b)) {
            break;
        }
        if (b == 0) {
            if (!in.Byte(b) || b == 1) {
                break;
            }
            if (b == 0) {
                x = 0;
                ++y;
                p = plane.RowStart(std::max(h - y - 1, 0));
                if (h - y - 1 < 0) {
                    break;
                }
            } else if (b == 2) {
                std::uint8_t dx = 0;
                std::uint8_t dy = 0;
                in.Byte(dx);
                in.Byte(dy);
                x += dx;
                y += dy;
                if (static_cast<unsigned>(x) >= static_cast<unsigned>(w)) {
                    x = w - 1;
                }
                if (static_cast<unsigned>(y) >= static_cast<unsigned>(h)) {
                    y = h - 1;
                }
                p = plane.RowStart(h - y - 1) + static_cast<std::size_t>(x);
            } else {
                // Absolute run of b pixels.
                if (p + b > end) {
                    b = static_cast<std::uint8_t>(end - p);
                }
                const int count = b;
                if (fourBits) {
                    std::uint8_t pair = b;
                    for (int i = count / 2; i > 0; --i) {
                        in.Byte(pair);
                        put(pair >> 4);
                        put(pair & 0x0f);
                    }
                    if ((count & 1) != 0) {
                        std::uint8_t last = 0;
                        in.Byte(last);
                        put(last >> 4);
                    }
                    if ((((count & 3) + 1) & 2) == 2) {
                        std::uint8_t pad;
                        in.Byte(pad);
                    }
                } else {
                    if (in.Left() < static_cast<std::size_t>(count)) {
                        return false;
                    }
                    for (int i = 0; i < count; ++i) {
                        std::uint8_t v = 0;
                        in.Byte(v);
                        put(v);
                    }
                    if ((count & 1) != 0) {
                        std::uint8_t pad;
                        in.Byte(pad);
                    }
                }
                x += count;
            }
        } else {
            // Encoded run: b pixels of the next byte.
            if (p + b > end) {
                b = static_cast<std::uint8_t>(end - p);
            }
            const int count = b;
            std::uint8_t value = b;
            in.Byte(value);
            if (fourBits) {
                for (int i = count / 2; i > 0; --i) {
                    put(value >> 4);
                    put(value & 0x0f);
                }
                if ((count & 1) != 0) {
                    put(value >> 4);
                }
            } else {
                for (int i = 0; i < count; ++i) {
                    put(value);
                }
            }
            x += count;
        }
    }
    return true;
}

std::uint32_t ColourAt(const std::vector<std::uint32_t>& table, std::size_t index) {
    return index < table.size() ? table[index] : 0xff000000u;
}

}  // namespace

std::optional<BmpSize> ReadBmpHeader(const ByteBuffer& bytes) {
    ByteCursor in(bytes.data(), bytes.size());
    const std::optional<Headers> headers = ReadHeaders(in);
    if (!headers) {
        return std::nullopt;
    }
    return BmpSize{headers->info.width, headers->info.height};
}

std::optional<Raster> DecodeBmp(const ByteBuffer& bytes) {
    ByteCursor in(bytes.data(), bytes.size());
    const std::optional<Headers> headers = ReadHeaders(in);
    if (!headers || in.AtEnd()) {
        return std::nullopt;
    }
    const InfoHeader& info = headers->info;
    const int w = info.width;
    const int h = static_cast<int>(std::llabs(info.height));
    const int bits = info.bits;
    const bool bitFields = info.compression == kBitFields;
    if (!PictureSideAllowed(w, h)) {
        return std::nullopt;
    }
    // Masks follow a version 3 header in the file; later headers carry them.
    in.Seek(kFileHeaderSize + info.size);
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    if (info.size >= kWindows4) {
        red = info.redMask;
        green = info.greenMask;
        blue = info.blueMask;
        alpha = info.alphaMask;
    } else if (bitFields && (bits == 16 || bits == 32)) {
        if (!in.U32(red) || !in.U32(green) || !in.U32(blue)) {
            return std::nullopt;
        }
    }
    const bool transparent =
        (bitFields || (info.compression == kRgb && bits == 32 && alpha == 0xff000000u)) &&
        alpha != 0;
    const bool direct = bits >= 16;
    std::vector<std::uint32_t> table;
    if (!direct) {
        const std::uint32_t colours = info.coloursUsed != 0 ? info.coloursUsed : 1u << bits;
        if (colours < 1 || colours > 256) {
            return std::nullopt;
        }
        const std::size_t entry = info.size == kOs2Old ? 3 : 4;
        // The table must be there and something must follow it.
        if (in.Left() <= colours * entry) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < colours; ++i) {
            std::uint8_t rgb[4] = {};
            in.Read(rgb, entry);
            table.push_back(0xff000000u | (std::uint32_t{rgb[2]} << 16) |
                            (std::uint32_t{rgb[1]} << 8) | rgb[0]);
        }
    }
    Channel r, g, b, a;
    if (direct) {
        if (bitFields) {
            // A mask of all 32 bits has no scale into eight; such a bitmap is refused.
            for (std::uint32_t mask : {red, green, blue, alpha}) {
                if (mask == 0xffffffffu) {
                    return std::nullopt;
                }
            }
            r = Channel::From(red);
            g = Channel::From(green);
            b = Channel::From(blue);
            a = Channel::From(alpha);
        } else if (bits == 16) {
            // Five bits a channel, moved to the top of the byte.
            r = {0x7c00, 7, 1};
            g = {0x03e0, 2, 1};
            b = {0x001f, 0, 8};
        } else {
            r = {0x00ff0000, 16, 1};
            g = {0x0000ff00, 8, 1};
            b = {0x000000ff, 0, 1};
            if (transparent) {
                a = Channel::From(alpha);  // 0xff000000 here
            }
        }
    }
    // The pixel offset only ever moves forward.
    if (headers->pixelOffset > in.Position()) {
        in.Seek(std::min<std::size_t>(headers->pixelOffset, in.Size()));
    }

    const bool runLength = info.compression == kRle4 || info.compression == kRle8;
    const std::size_t rowBytes = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    // Uncompressed rows must all be there (four-bit ones excepted, whose
    // missing rows read as colour 0).
    if (!runLength && bits != 4 && in.Left() < rowBytes * static_cast<std::size_t>(h)) {
        return std::nullopt;
    }

    Raster picture =
        Raster::Blank(w, h, direct && transparent ? PixelKind::Straight : PixelKind::Opaque);
    // Stored rows run bottom to top unless the height is negative.
    auto rowFor = [&](int stored) { return info.height < 0 ? stored : h - 1 - stored; };
    std::vector<std::uint8_t> row(rowBytes);
    if (runLength) {
        IndexPlane plane(w, h);
        if (!DecodeRunLength(in, plane, info.compression == kRle4)) {
            return std::nullopt;
        }
        for (int stored = 0; stored < h; ++stored) {
            // The plane holds rows top to bottom as a bottom-up file would.
            std::uint32_t* out = picture.Row(info.height < 0 ? h - 1 - stored : stored);
            const std::uint8_t* indexes = plane.bytes.data() + plane.RowStart(stored);
            for (int x = 0; x < w; ++x) {
                out[x] = ColourAt(table, indexes[x]);
            }
        }
        return picture;
    }
    for (int stored = 0; stored < h; ++stored) {
        std::uint32_t* out = picture.Row(rowFor(stored));
        if (in.ReadSome(row.data(), rowBytes) != rowBytes) {
            // Only four-bit pictures get here: the rest of them is colour 0.
            for (int left = stored; left < h; ++left) {
                std::uint32_t* blank = picture.Row(rowFor(left));
                std::fill(blank, blank + w, ColourAt(table, 0));
            }
            break;
        }
        for (int x = 0; x < w; ++x) {
            switch (bits) {
                case 1:
                    out[x] = ColourAt(table, (row[x / 8] >> (7 - x % 8)) & 1);
                    break;
                case 4:
                    out[x] = ColourAt(table, x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0f);
                    break;
                case 8:
                    out[x] = ColourAt(table, row[x]);
                    break;
                default: {
                    const std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * (bits / 8);
                    std::uint32_t c = p[0] | (std::uint32_t{p[1]} << 8);
                    if (bits > 16) {
                        c |= std::uint32_t{p[2]} << 16;
                    }
                    if (bits > 24) {
                        c |= std::uint32_t{p[3]} << 24;
                    }
                    const std::uint32_t alphaValue = transparent ? a.Of(c) : 0xff;
                    out[x] = (alphaValue << 24) | (r.Of(c) << 16) | (g.Of(c) << 8) | b.Of(c);
                    break;
                }
            }
        }
    }
    return picture;
}

}  // namespace kestrova
