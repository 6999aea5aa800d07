#include "tools/assetgen/IcoWriter.h"

#include <QBuffer>
#include <stdexcept>

#include "tools/assetgen/Palette.h"

namespace kestrova::assetgen {
namespace {

constexpr int kDirectoryHeaderBytes = 6;
constexpr int kDirectoryEntryBytes = 16;
constexpr int kInfoHeaderBytes = 40;

void PutWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xff));
}

int BitsPerPixel(IconDepth depth) {
    switch (depth) {
        case IconDepth::k16Colours:
            return 4;
        case IconDepth::k256Colours:
            return 8;
        case IconDepth::kTrueColour:
            return 32;
    }
    return 32;
}

int RowBytes(int width, int bits) {
    return (width * bits + 31) / 32 * 4;
}

std::vector<std::uint8_t> PngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw std::runtime_error("PNG encoding failed");
    return {bytes.begin(), bytes.end()};
}

// BITMAPINFOHEADER, palette, colour rows and mask rows, both bottom-up. The
// header states twice the height: colour bits and mask stacked.
std::vector<std::uint8_t> BitmapBytes(const QImage& image, IconDepth depth) {
    const int width = image.width();
    const int height = image.height();
    const int bits = BitsPerPixel(depth);

    std::vector<QRgb> palette;
    if (depth == IconDepth::k16Colours) {
        palette = StandardSixteenColours();
    } else if (depth == IconDepth::k256Colours) {
        // Entry 0 is black: the colour bits under a transparent pixel must be
        // black so that the mask leaves the background untouched.
        palette = {qRgb(0, 0, 0)};
        const std::vector<QRgb> own = MedianCutPalette(image, 255);
        palette.insert(palette.end(), own.begin(), own.end());
    }
    const int paletteEntries = bits <= 8 ? 1 << bits : 0;

    const int colourRow = RowBytes(width, bits);
    const int maskRow = RowBytes(width, 1);
    std::vector<std::uint8_t> out;
    PutDword(out, kInfoHeaderBytes);
    PutDword(out, static_cast<std::uint32_t>(width));
    PutDword(out, static_cast<std::uint32_t>(height * 2));
    PutWord(out, 1);  // planes
    PutWord(out, bits);
    PutDword(out, 0);  // uncompressed
    PutDword(out, static_cast<std::uint32_t>((colourRow + maskRow) * height));
    PutDword(out, 0);
    PutDword(out, 0);
    PutDword(out, static_cast<std::uint32_t>(paletteEntries));
    PutDword(out, 0);
    for (int i = 0; i < paletteEntries; ++i) {
        const QRgb colour = i < static_cast<int>(palette.size())
                                ? palette[static_cast<std::size_t>(i)]
                                : qRgb(0, 0, 0);
        out.insert(out.end(), {static_cast<std::uint8_t>(qBlue(colour)),
                               static_cast<std::uint8_t>(qGreen(colour)),
                               static_cast<std::uint8_t>(qRed(colour)), 0});
    }

    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::vector<std::uint8_t> line(static_cast<std::size_t>(colourRow), 0);
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x];
            const bool transparent = qAlpha(pixel) < kAlphaThreshold;
            if (bits == 32) {
                std::uint8_t* p = &line[static_cast<std::size_t>(x * 4)];
                p[0] = static_cast<std::uint8_t>(qBlue(pixel));
                p[1] = static_cast<std::uint8_t>(qGreen(pixel));
                p[2] = static_cast<std::uint8_t>(qRed(pixel));
                p[3] = static_cast<std::uint8_t>(qAlpha(pixel));
            } else {
                const std::uint8_t index = transparent ? 0 : NearestIndex(palette, pixel);
                if (bits == 8) {
                    line[static_cast<std::size_t>(x)] = index;
                } else {
                    line[static_cast<std::size_t>(x / 2)] |=
                        static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
                }
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::vector<std::uint8_t> line(static_cast<std::size_t>(maskRow), 0);
        for (int x = 0; x < width; ++x) {
            if (qAlpha(row[x]) < kAlphaThreshold)
                line[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

}  // namespace

const std::vector<QRgb>& StandardSixteenColours() {
    static const std::vector<QRgb> colours = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    return colours;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    if (images.empty() || images.size() > 0xffff)
        throw std::invalid_argument("an icon holds 1 to 65535 images");
    std::vector<std::vector<std::uint8_t>> bodies;
    for (const IconImage& entry : images) {
        const QImage& image = entry.image;
        if (image.width() < 1 || image.height() < 1 || image.width() > 256 ||
            image.height() > 256) {
            throw std::invalid_argument("icon images are 1 to 256 pixels a side");
        }
        if (entry.asPng && entry.depth != IconDepth::kTrueColour) {
            throw std::invalid_argument("only true-colour icon images are stored as PNG");
        }
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        bodies.push_back(entry.asPng ? PngBytes(argb) : BitmapBytes(argb, entry.depth));
    }

    std::vector<std::uint8_t> out;
    PutWord(out, 0);
    PutWord(out, 1);  // icon, not cursor
    PutWord(out, static_cast<int>(images.size()));
    std::uint32_t offset =
        kDirectoryHeaderBytes + kDirectoryEntryBytes * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& entry = images[i];
        out.push_back(
            static_cast<std::uint8_t>(entry.image.width() & 0xff));  // 256 is written as 0
        out.push_back(static_cast<std::uint8_t>(entry.image.height() & 0xff));
        out.push_back(entry.depth == IconDepth::k16Colours ? 16 : 0);
        out.push_back(0);
        PutWord(out, 1);
        PutWord(out, BitsPerPixel(entry.depth));
        PutDword(out, static_cast<std::uint32_t>(bodies[i].size()));
        PutDword(out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace kestrova::assetgen
